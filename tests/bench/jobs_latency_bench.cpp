// How long the user waits for a job's result, beside the floor the design itself sets: the
// trigger waits for the next tick, the send goes out on the tick after, the bytes take their
// line time, the burst ends after 200 ms of quiet, and the result is taken on the next tick.
// Runs the real POSIX port and threads and the real-time loop against tools/devsim on a
// pseudo-terminal. Prints figures; fails only when a run does not finish or nothing was
// measured, never for a figure off its target.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "jobs_e2e_rig.h"

using namespace tarnwick;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double tickMs = headless::tickMs;
constexpr double quietMsD = quietMs;

// 8N1: ten bits on the line for each byte.
double lineMs(size_t bytes) { return bytes * 10.0 * 1000.0 / 9600.0; }

// The first tick strictly after `ms`, with the trigger raised at 0, right after a tick.
double tickAfter(double ms) { return (static_cast<long>(ms / tickMs) + 1) * tickMs; }

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The command lines as the device received them, each with its CR LF.
std::vector<std::string> commandLines(const std::string& bytes) {
    std::vector<std::string> out;
    size_t start = 0, end;
    while ((end = bytes.find("\r\n", start)) != std::string::npos) {
        out.push_back(bytes.substr(start, end + 2 - start));
        start = end + 2;
    }
    return out;
}

// The answers as the device sent them, each up to its final OK or ERROR line.
std::vector<std::string> answers(const std::string& bytes) {
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        const size_t ok = bytes.find("OK\r\n", start);
        const size_t error = bytes.find("ERROR\r\n", start);
        const size_t at = std::min(ok, error);
        if (at == std::string::npos) break;
        const size_t end = at + (at == ok ? 4 : 7);
        out.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return out;
}

struct Run {
    double total = 0;          // trigger raised -> result shown
    double sendToAnswer = 0;   // the send's tick -> the answer classified (reads only)
    double floorPty = 0;
    double floor9600 = 0;
};

void report(const char* title, const std::vector<Run>& runs, const std::string& floorText) {
    std::vector<double> totals, overheads, answersMs;
    for (const Run& r : runs) {
        totals.push_back(r.total);
        overheads.push_back(r.total - r.floorPty);
        if (r.sendToAnswer > 0) answersMs.push_back(r.sendToAnswer);
    }
    std::printf("%s: %zu runs, the trigger raised just after a tick\n", title, runs.size());
    std::printf("  floor on a 9600-baud line: %.1f ms = %s\n", runs[0].floor9600,
                floorText.c_str());
    std::printf("  floor on this pseudo-terminal: %.1f ms (a pty passes bytes at once whatever "
                "the baud rate: no line time)\n",
                runs[0].floorPty);
    std::printf("  measured, trigger to result shown: median %.1f ms, min %.1f, max %.1f\n",
                median(totals), *std::min_element(totals.begin(), totals.end()),
                *std::max_element(totals.begin(), totals.end()));
    std::printf("  overhead above the pty floor: median %.2f ms, max %.2f ms (target: median "
                "< 5 ms)\n",
                median(overheads), *std::max_element(overheads.begin(), overheads.end()));
    if (!answersMs.empty())
        std::printf("  send tick to answer classified: median %.1f ms (of which 200 ms quiet)\n",
                    median(answersMs));
}

class Bench {
public:
    bool open() {
        std::string why;
        if (!rig.open(&why)) {
            std::printf("benchmark not run: %s\n", why.c_str());
            return false;
        }
        fake::onSetText = [this](fake::Control* c) {
            if (c->id == watchedId && c->text == watchedText && !shown) {
                shownAt = Clock::now();
                shown = true;
            }
        };
        return true;
    }
    void close() {
        fake::onSetText = nullptr;
        rig.close();
    }

    // Raises the trigger right after a tick and runs until `text` appears in control `id`.
    bool measure(int buttonId, Job& job, int id, const char* text, Run& run) {
        watchedId = id;
        watchedText = text;
        shown = false;
        bool pressed = false, sentSeen = false, answered = false;
        Clock::time_point pressedAt, sentAt, answeredAt;
        uint8_t lastState = 0;
        const auto tick = [&] {
            mainTick();
            const auto now = Clock::now();
            if (!pressed) {
                handleCommand(buttonId, notifyClick);
                pressedAt = now;
                pressed = true;
            } else if (!sentSeen && lastState == 1 && job.state == 2) {
                sentAt = now;
                sentSeen = true;
            }
            lastState = job.state;
        };
        const auto done = [&] {
            if (sentSeen && !answered && (responseStatus & frameBit) != 0) {
                answeredAt = Clock::now();
                answered = true;
            }
            return pressed && job.trigger == 0 && job.state == 0;
        };
        if (!headless::runLoop(done, 60000, tick) || !shown) return false;
        run.total = msBetween(pressedAt, shownAt);
        if (answered) run.sendToAnswer = msBetween(sentAt, answeredAt);
        return true;
    }

    e2e::Rig rig;

private:
    int watchedId = 0;
    std::string watchedText;
    bool shown = false;
    Clock::time_point shownAt;
};

// False when a run did not finish, so that nothing (or not all) was measured.
bool benchAddressRead(int runs) {
    Bench bench;
    if (!bench.open()) return false;
    devsim::UnitValues unit;
    unit.address = 171;
    bench.rig.device->setUnit(unit);
    std::vector<Run> results;
    size_t requestBytes = 0, answerBytes = 0;
    for (int i = 0; i < runs; ++i) {
        bench.rig.device->clearLogs();
        e2e::Rig::type(idFirstValue + 1, "");
        Run run;
        if (!bench.measure(idFirstRead + 1, addressReadJob, idFirstValue + 1, "171", run)) {
            std::printf("own-address read: run %d did not finish\n", i);
            break;
        }
        requestBytes = bench.rig.device->received().size();
        answerBytes = bench.rig.device->sent().size();
        const double send = 2 * tickMs;
        run.floorPty = tickAfter(send + quietMsD);
        run.floor9600 = tickAfter(send + lineMs(requestBytes + answerBytes) + quietMsD);
        results.push_back(run);
        headless::runFor(3 * headless::tickMs, [] { mainTick(); });
    }
    bench.close();
    if (results.size() != static_cast<size_t>(runs)) return false;
    char text[256];
    std::snprintf(text, sizeof text,
                  "2 ticks to the send (%.0f) + line time %.1f (%zu + %zu bytes) + %.0f quiet, "
                  "taken on the next tick",
                  2 * tickMs, lineMs(requestBytes + answerBytes), requestBytes, answerBytes,
                  quietMsD);
    report("own-address read", results, text);
    return true;
}

// The floor of the internet set-up: the escape on the second tick, ATE0 22 ticks later, step
// 1 on the tick that sees ATE0's answer, every later step on the tick after its predecessor's
// answer, "Ok!" on the tick after the last answer.
double setupFloor(const std::vector<double>& stepLineMs) {
    double send = 24 * tickMs;
    for (size_t k = 0; k < stepLineMs.size(); ++k) {
        const double seen = tickAfter(send + stepLineMs[k] + quietMsD);
        if (k + 1 == stepLineMs.size()) return seen + tickMs;
        send = k == 0 ? seen : seen + tickMs;
    }
    return 0;
}

bool benchInternetSetUp(int runs) {
    Bench bench;
    if (!bench.open()) return false;
    std::vector<Run> results;
    std::vector<double> lines;
    size_t lineBytes = 0;
    for (int i = 0; i < runs; ++i) {
        // Each run starts from a modem fresh from power-up, echo on.
        bench.rig.device->setModem(devsim::ModemState{});
        bench.rig.device->clearLogs();
        e2e::Rig::type(idIpAddress, "10.20.30.40");
        e2e::Rig::type(idApn, "inet.example");
        e2e::Rig::type(idUser, "gdata");
        e2e::Rig::type(idPassword, "secret");
        e2e::Rig::type(idSetupStatus, "");
        Run run;
        if (!bench.measure(idModemWrite, modemSetupJob, idSetupStatus, "Ok!", run)) {
            std::printf("internet set-up: run %d did not finish\n", i);
            break;
        }
        const auto commands = commandLines(bench.rig.device->received());
        const auto replies = answers(bench.rig.device->sent());
        if (commands.size() != 13 || replies.size() != 13) {
            std::printf("internet set-up: %zu commands and %zu answers seen, 13 expected\n",
                        commands.size(), replies.size());
            break;
        }
        std::vector<double> none(12, 0.0);
        lines.clear();
        lineBytes = 0;
        for (size_t k = 1; k < 13; ++k) {  // the escape's own line time hides in its pause
            lines.push_back(lineMs(commands[k].size() + replies[k].size()));
            lineBytes += commands[k].size() + replies[k].size();
        }
        run.floorPty = setupFloor(none);
        run.floor9600 = setupFloor(lines);
        results.push_back(run);
        headless::runFor(3 * headless::tickMs, [] { mainTick(); });
    }
    bench.close();
    if (results.size() != static_cast<size_t>(runs)) return false;
    char text[256];
    std::snprintf(text, sizeof text,
                  "escape on tick 2, ATE0 on tick 24, then 12 answered steps each paying line "
                  "time (%zu bytes, %.1f ms in all) + %.0f quiet + the tick quantum",
                  lineBytes, lineMs(lineBytes), quietMsD);
    report("full internet set-up", results, text);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int reads = argc > 1 ? std::atoi(argv[1]) : 21;
    const int setUps = argc > 2 ? std::atoi(argv[2]) : 3;
    // Both always run; either one that measured nothing fails the benchmark.
    const bool readsMeasured = benchAddressRead(reads);
    const bool setUpsMeasured = benchInternetSetUp(setUps);
    if (!readsMeasured || !setUpsMeasured) std::printf("FAIL: a benchmark did not finish its runs\n");
    return readsMeasured && setUpsMeasured ? 0 : 1;
}
