// A re-apply beside a full apply, as at a service shop where most units come back already
// set up: `apply --force` writes a whole unit (five values and the internet set-up) and reads
// everything back; `apply` on the same unit then finds everything the same and writes nothing.
// A third run gives the profile a password, which cannot be compared, so the set-up runs again.
// Prints each run's wall time and the program's peak memory; fails only when a run did not
// succeed, or a re-apply wrote something, as it then measured something else.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_ports.h"
#include "devsim.h"
#include "spawn_program.h"


namespace {

using support::Measured;

Measured apply(std::vector<std::string> arguments, const char* out) {
    return support::timedRun(TARNWICK_CLI, std::move(arguments), out);
}

bool wroteAnything(const std::string& received) {
    for (const char* write : {"ATDP", "AT^SICS=", "AT^SISS=", ",save,", ",reset,"})
        if (received.find(write) != std::string::npos) return true;
    return false;
}

}  // namespace

int main() {
    const std::string ports = bench::usePortsFolder();
    devsim::Device device;
    if (!bench::linkAsCom(ports, 1, device)) return 1;
    if (std::FILE* profile = std::fopen("unit.toml", "wb")) {
        std::fputs("[unit]\nperiod = \"012\"\naddress = \"045\"\nphone1 = \"89161234567\"\nphone2 = \"89031112233\"\n"
                   "sms-phone = \"112\"\n[modem]\nip = \"10.0.0.5\"\napn = \"internet\"\nuser = \"gdata\"\n",
                   profile);
        std::fclose(profile);
    }
    setenv("TARNWICK_PASSWORD", "secret", 1);
    const Measured full = apply({"apply", "--force", "unit.toml", "--port", "COM1"}, "full.txt");
    unsetenv("TARNWICK_PASSWORD");
    device.clearLogs();
    const Measured again = apply({"apply", "unit.toml", "--port", "COM1"}, "again.txt");
    const bool wrote = wroteAnything(device.received());
    setenv("TARNWICK_PASSWORD", "secret", 1);
    const Measured password = apply({"apply", "unit.toml", "--port", "COM1"}, "password.txt");
    if (full.seconds < 0 || again.seconds < 0 || password.seconds < 0 || wrote) {
        std::printf("a run failed, or the re-apply wrote; see full.txt, again.txt and password.txt beside %s\n", ports.c_str());
        return 1;
    }
    std::printf("tarnwick-cli apply, one unit: five values and the modem's internet set-up\n");
    std::printf("  full apply (--force, everything written): %6.2f s, peak memory %ld KiB\n", full.seconds,
                full.peakKiB);
    std::printf("  re-apply of a unit that matches:          %6.2f s, peak memory %ld KiB, nothing written\n",
                again.seconds, again.peakKiB);
    std::printf("  re-apply with a password (set-up again):  %6.2f s, peak memory %ld KiB\n", password.seconds,
                password.peakKiB);
    std::printf("  the re-apply takes %.2f of the full apply's time\n", again.seconds / full.seconds);
    return 0;
}
