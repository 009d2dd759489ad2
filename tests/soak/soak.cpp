// A soak of the core against a misbehaving device: the real port, its threads and the real-time
// loop, the simulated unit and modem on a pseudo-terminal, for a given time. Buttons are
// pressed at random (all twelve jobs), the port is closed and opened, and the device switches
// between normal, silent, ERROR to everything, delayed, split, flooded, garbled and vanished
// (then plugged in again) at random times. The seed is printed, so that a failure replays.
//
// Checked all along: every job returns to rest within its deadline plus a tick, the receive
// count never passes the buffer, _data.ini always loads; over quiet spells the CPU stays under
// 5 % of a core; the process's descriptors and threads do not grow over the run. Crashes and
// sanitizer reports end the program on their own.
//
//   soak [--seconds N] [--seed S]        (TARNWICK_SOAK_SECONDS sets the default of N)
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "devsim.h"
#include "fakes.h"
#include "headless_loop.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "test_files.h"

using namespace tarnwick;
using Clock = std::chrono::steady_clock;

namespace {

int failures = 0;

void fail(const char* what, long detail) {
    ++failures;
    std::printf("FAIL %s (%ld)\n", what, detail);
    std::fflush(stdout);
}

int countEntries(const char* folder) {
    int count = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

class Soak {
public:
    explicit Soak(unsigned seed) : random(seed) {}

    bool start() {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) == nullptr) return false;
        ports = std::string(cwd) + "/ports";
        ::mkdir(ports.c_str(), 0700);
        setenv("TARNWICK_PORTS", ports.c_str(), 1);
        std::remove(settingsFileName);
        fake::reset();
        fake::resetLink();
        headless::reset();
        createMainControls(fake::window());
        fake::controlById(idPortName)->text = "COM7";
        for (int id : {int(idIpAddress), int(idApn), int(idUser), int(idPassword)})
            fake::controlById(id)->text = "v";
        return plugIn() && open();
    }

    // One random thing, then a random stretch of ticks with the invariants checked on each.
    void step() {
        const int pick = static_cast<int>(random() % 100);
        if (pick < 8) changeFaults();
        else if (pick < 11) replug();
        else if (pick < 15) open();
        else if (pick < 17) handleCommand(idClosePort, notifyClick);
        else if (pick < 20) handleCommand(idNoInternet, notifyClick);
        else press();
        runTicks(1 + static_cast<int>(random() % 40));
    }

    // A quiet spell: everything at rest, the port open; the CPU it costs.
    void quietSpell() {
        open();
        headless::runLoop([] { return allAtRest(); }, 30000, [this] { tick(); });
        const double cpuBefore = cpuMs();
        const auto wallBefore = Clock::now();
        runTicks(40);
        const double wallMs = std::chrono::duration<double, std::milli>(Clock::now() - wallBefore).count();
        const double percent = 100.0 * (cpuMs() - cpuBefore) / wallMs;
        if (percent > maxIdlePercent) maxIdlePercent = percent;
        if (percent >= 5.0) fail("CPU over 5 % of a core while quiet, in tenths of a percent", long(percent * 10));
    }

    void finish() { handleCommand(idClosePort, notifyClick); }

    long presses = 0, replugs = 0, faultChanges = 0, ticks = 0;
    double maxIdlePercent = 0;

private:
    static bool allAtRest() {
        for (const Job* job : allJobs)
            if (job->trigger != 0 || job->state != 0) return false;
        return true;
    }

    bool plugIn() {
        device = std::make_unique<devsim::Device>();
        const std::string link = ports + "/COM7";
        std::remove(link.c_str());
        return device->ok() && symlink(device->slavePath().c_str(), link.c_str()) == 0;
    }

    bool open() {
        if (portHandle != invalidPort) return true;
        handleCommand(idOpenPort, notifyClick);
        return portHandle != invalidPort;
    }

    // The adapter pulled, then plugged in again: the engineer closes and opens the port.
    void replug() {
        ++replugs;
        device->vanish();
        runTicks(10);
        handleCommand(idClosePort, notifyClick);
        device.reset();
        if (!plugIn()) fail("no simulated device after a replug", replugs);
        open();
    }

    void changeFaults() {
        ++faultChanges;
        devsim::Faults faults;
        switch (random() % 7) {
        case 0: break;
        case 1: faults.silent = true; break;
        case 2: faults.errorToAll = true; break;
        case 3: faults.delayMs = 100 + static_cast<int>(random() % 400); break;
        case 4:
            faults.chunks = 2 + static_cast<int>(random() % 4);
            faults.chunkGapMs = 20 + static_cast<int>(random() % 120);
            break;
        case 5: faults.floodTo = 100 + random() % 1200; break;
        case 6: faults.garbage = std::string(1 + random() % 8, '\x13'); break;
        }
        device->setFaults(faults);
    }

    void press() {
        ++presses;
        static const int buttons[] = {idModemRead, idModemWrite, 3144, 3145, 3146, 3147, 3148,
                                      3149,        3150,         3151, 3152, 3153};
        const int id = buttons[random() % (sizeof buttons / sizeof *buttons)];
        if (id >= idFirstWrite) {
            static const char* const values[] = {"123", "045", "12", "8916", "", "x y z"};
            fake::controlById(idFirstValue + id - idFirstWrite)->text = values[random() % 6];
        }
        handleCommand(id, notifyClick);
    }

    void runTicks(int count) {
        const uint32_t until = tickCount + static_cast<uint32_t>(count);
        headless::runLoop([until] { return tickCount >= until; }, count * 200 + 2000, [this] { tick(); });
    }

    // One tick and the invariants that must hold after it.
    void tick() {
        mainTick();
        ++ticks;
        if (receivedCount() > rxBufferSize) fail("receive count past the buffer", long(receivedCount()));
        for (int index = 0; index < jobCount; ++index) {
            const Job& job = *allJobs[index];
            if (job.state != lastState[index]) {
                lastState[index] = job.state;
                sameSince[index] = tickCount;
            }
            // A state waits no longer than its deadline and a tick; a state that sends holds
            // an older deadline for the one tick it lasts.
            if (job.state != 0 && deadlinePassed(job.deadline + 2, tickCount) &&
                tickCount - sameSince[index] > 2)
                fail("a job stayed past its deadline, job", index);
        }
        uint8_t content[settingsMaxContent + 1];
        size_t count = 0;
        if (fake::fileExists(settingsFileName) && readSettingsFile(content, sizeof content, &count) != 0)
            fail("_data.ini does not load", 0);
        if (count > settingsMaxContent) fail("_data.ini past its limit", long(count));
    }

    std::mt19937 random;
    std::string ports;
    std::unique_ptr<devsim::Device> device;
    uint8_t lastState[jobCount] = {};
    uint32_t sameSince[jobCount] = {};
};

}  // namespace

int main(int argc, char** argv) {
    const char* fromEnvironment = std::getenv("TARNWICK_SOAK_SECONDS");
    int seconds = fromEnvironment != nullptr ? std::atoi(fromEnvironment) : 20;
    unsigned seed = static_cast<unsigned>(std::random_device{}());
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0) seconds = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--seed") == 0) seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    }
    std::printf("soak: %d s, seed %u (replay with --seed %u)\n", seconds, seed, seed);
    std::fflush(stdout);
    Soak soak(seed);
    if (!soak.start()) {
        std::printf("FAIL the port did not open on the simulated device\n");
        return 1;
    }
    // Descriptors and threads are counted after a first round, once everything that is made
    // once (the loop, the port's threads) exists, and again at the end with the port open.
    soak.quietSpell();
    const int fdsBefore = countEntries("/proc/self/fd");
    const int threadsBefore = countEntries("/proc/self/task");
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    auto nextQuiet = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end && failures < 20) {
        soak.step();
        if (Clock::now() >= nextQuiet) {
            soak.quietSpell();
            nextQuiet = Clock::now() + std::chrono::seconds(10);
        }
    }
    soak.quietSpell();
    const int fdsAfter = countEntries("/proc/self/fd");
    const int threadsAfter = countEntries("/proc/self/task");
    if (fdsAfter > fdsBefore) fail("descriptors grew by", fdsAfter - fdsBefore);
    if (threadsAfter > threadsBefore) fail("threads grew by", threadsAfter - threadsBefore);
    soak.finish();
    std::printf("soak: %ld presses, %ld fault changes, %ld replugs, %ld ticks; quiet CPU at most "
                "%.2f %% of a core; descriptors %d -> %d, threads %d -> %d; %d failures\n",
                soak.presses, soak.faultChanges, soak.replugs, soak.ticks, soak.maxIdlePercent,
                fdsBefore, fdsAfter, threadsBefore, threadsAfter, failures);
    return failures == 0 ? 0 : 1;
}
