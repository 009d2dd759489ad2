// How long one status check takes, as the engineer on the mast waits for it: `tarnwick-cli
// status` against the simulated modem, ready, then one that is searching. Prints each run's
// wall time (the program's start and the port's opening included) and peak memory; fails only
// when a run did not end as the modem's state says it must, as it then measured something else.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <string>

#include "bench_ports.h"
#include "devsim.h"
#include "spawn_program.h"

int main() {
    const std::string ports = bench::usePortsFolder();
    devsim::Device device;
    if (!bench::linkAsCom(ports, 1, device)) return 1;
    constexpr int runs = 3;
    double ready = 0, searching = 0;
    long peakKiB = 0;
    for (int run = 0; run < runs; ++run) {
        device.setRegistration(devsim::Registration::home);
        const support::Measured one = support::timedRun(TARNWICK_CLI, {"status", "--port", "COM1"}, "ready.txt", 0);
        device.setRegistration(devsim::Registration::searching);
        const support::Measured other =
            support::timedRun(TARNWICK_CLI, {"status", "--port", "COM1"}, "searching.txt", 1);
        if (one.seconds < 0 || other.seconds < 0) {
            std::printf("a check did not end as the modem's state says; see ready.txt and searching.txt beside %s\n", ports.c_str());
            return 1;
        }
        ready += one.seconds / runs;
        searching += other.seconds / runs;
        peakKiB = std::max({peakKiB, one.peakKiB, other.peakKiB});
    }
    std::printf("tarnwick-cli status, one check (the escape's guard time, then twelve commands), mean of %d\n", runs);
    std::printf("  a ready modem:     %5.2f s\n", ready);
    std::printf("  a searching modem: %5.2f s\n", searching);
    std::printf("  peak memory %ld KiB\n", peakKiB);
    return 0;
}
