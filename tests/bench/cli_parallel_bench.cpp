// Several units at once, as at a service bench with one USB adapter per unit: one tarnwick-cli
// process per port, nothing shared between them. Each provisions a whole unit (five values and
// the internet set-up) and reads everything back. Prints the wall time of one run alone and of
// eight side by side; fails only when a run does not succeed, as it then measured nothing.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_ports.h"
#include "devsim.h"
#include "spawn_program.h"


namespace {

using Clock = std::chrono::steady_clock;
constexpr int units = 8;

pid_t start(int unit) {
    const std::string port = "COM" + std::to_string(unit + 1);
    const std::string out = "unit-" + std::to_string(unit + 1) + ".txt";
    return support::spawnProgram(TARNWICK_CLI,
                                 {"write", "--port", port, "--period", "012", "--address", "045", "--phone1",
                                  "89161234567", "--phone2", "89031112233", "--sms-phone", "112", "--ip",
                                  "10.0.0.5", "--apn", "internet", "--user", "gdata"},
                                 out.c_str());
}

// Runs `count` provisionings side by side; the wall time in seconds, or -1 when one failed.
double provision(int count) {
    const auto begin = Clock::now();
    std::vector<pid_t> running;
    for (int unit = 0; unit < count; ++unit) running.push_back(start(unit));
    bool allGood = true;
    for (pid_t pid : running) {
        int status = 0;
        allGood = allGood && pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
    return allGood ? seconds : -1;
}

}  // namespace

int main() {
    const std::string ports = bench::usePortsFolder();
    setenv("TARNWICK_PASSWORD", "secret", 1);
    std::vector<std::unique_ptr<devsim::Device>> devices;
    for (int unit = 0; unit < units; ++unit) {
        devices.push_back(std::make_unique<devsim::Device>());
        if (!bench::linkAsCom(ports, unit + 1, *devices.back())) return 1;
    }
    const double alone = provision(1);
    const double together = provision(units);
    if (alone <= 0 || together <= 0) {
        std::printf("a provisioning failed; see unit-N.txt beside %s\n", ports.c_str());
        return 1;
    }
    std::printf("tarnwick-cli, one unit: five values and the internet set-up written and read back\n");
    std::printf("  one unit alone:       %.2f s\n", alone);
    std::printf("  %d units side by side: %.2f s, %.3f times one alone (goal: at most 1.1)\n", units,
                together, together / alone);
    return 0;
}
