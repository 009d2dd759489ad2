// tarnwick-devsim: the simulated unit and modem as a program. Prints the pseudo-terminal's
// device path on one line and serves it until SIGTERM or SIGINT; with --register COMn it also
// makes the device known to Tarnwick as COMn in a ports folder, and removes that entry again
// on the way out; with --control FILE it takes new values from FILE while it runs.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "devsim.h"
#include "version.h"

namespace {

struct Options {
    std::string registerName;
    std::string portsDir;
    std::string control;
    bool verbose = false;
    int vanishAfterMs = -1;
    devsim::Faults faults;
    devsim::UnitValues unit;
    devsim::ModemState modem;
};

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: tarnwick-devsim [--register COMn [--ports DIR]] [--verbose] [options]\n"
                 "       tarnwick-devsim --version | --help\n"
                 "  --register COMn     make the device COMn: a symlink DIR/COMn to it\n"
                 "  --ports DIR         the ports folder (default $TARNWICK_PORTS, else\n"
                 "                      ~/.config/tarnwick/ports)\n"
                 "  --verbose           log what passes on the line to stderr\n"
                 "  --vanish-after MS   close the device MS milliseconds after the start, as\n"
                 "                      if the adapter were pulled; keep running until killed\n"
                 "  --control FILE      read FILE whenever it changes (looked at every 50 ms) and\n"
                 "                      apply each line, an option without its dashes: \"signal 20\",\n"
                 "                      \"sim absent\", \"registration roaming\", \"silent 1\" ...\n"
                 "SIGUSR1 sends an XOFF byte (0x13) on the line, as a device whose buffer is\n"
                 "full does; SIGUSR2 sends an XON byte (0x11).\n%s",
                 devsim::deviceOptionsHelp());
}

bool comName(const std::string& name) {
    if (name.size() < 4 || name.compare(0, 3, "COM") != 0 || name[3] == '0') return false;
    return name.find_first_not_of("0123456789", 3) == std::string::npos;
}

// 0 to go on, 1 on a usage error, 2 after --help, 3 after --version.
int parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return 2;
        if (arg == "--version") return 3;
        if (arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (arg == "--vanish-after" && i + 1 < argc) {
            char* end = nullptr;
            const long ms = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || ms < 0 || ms > 86400000) return 1;
            options.vanishAfterMs = static_cast<int>(ms);
            continue;
        }
        if ((arg == "--register" || arg == "--ports" || arg == "--control") && i + 1 < argc) {
            (arg == "--register" ? options.registerName : arg == "--ports" ? options.portsDir : options.control) = argv[++i];
            continue;
        }
        const int used =
            devsim::parseDeviceOption(argc, argv, i, options.faults, options.unit, options.modem);
        if (used <= 0) {
            std::fprintf(stderr, "tarnwick-devsim: bad option %s\n", argv[i]);
            return 1;
        }
        i += used - 1;
    }
    if (!options.registerName.empty() && !comName(options.registerName)) {
        std::fprintf(stderr, "tarnwick-devsim: %s is not a COMn name\n",
                     options.registerName.c_str());
        return 1;
    }
    return 0;
}

std::string defaultPortsDir() {
    const char* env = std::getenv("TARNWICK_PORTS");
    if (env != nullptr && *env != '\0') return env;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.config/tarnwick/ports";
}

bool makeDirs(const std::string& path) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// Replaces a symlink left behind by an earlier run, but never a file the user wrote.
bool registerPort(const std::string& link, const std::string& target) {
    struct stat info;
    if (lstat(link.c_str(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            std::fprintf(stderr, "tarnwick-devsim: %s exists and is not a symlink\n", link.c_str());
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "tarnwick-devsim: cannot create %s: %s\n", link.c_str(),
                     std::strerror(errno));
        return false;
    }
    return true;
}

void unregisterPort(const std::string& link, const std::string& target) {
    char points[4096];
    const ssize_t n = readlink(link.c_str(), points, sizeof points - 1);
    if (n < 0) return;
    points[n] = '\0';
    if (target == points) unlink(link.c_str());
}

void logChunks(const char* direction, const std::vector<devsim::Chunk>& chunks, size_t& shown) {
    for (; shown < chunks.size(); ++shown) {
        std::fprintf(stderr, "%8u ms %s", chunks[shown].atMs, direction);
        for (unsigned char c : chunks[shown].bytes) {
            if (c >= 0x20 && c < 0x7F && c != '\\')
                std::fputc(c, stderr);
            else
                std::fprintf(stderr, "\\x%02X", c);
        }
        std::fputc('\n', stderr);
    }
}

// Applies the control file's lines whenever its text differs from the text applied last, so
// that a shell test can change the device with one `echo signal 20 > FILE`. A file that is not
// there yet is waited for.
void followControl(devsim::Device& device, const std::string& path, std::string& applied, bool verbose) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text == applied) return;
    applied = text;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::string why;
        if (!device.applyControl(line, &why))
            std::fprintf(stderr, "tarnwick-devsim: %s, line %d: %s\n", path.c_str(), number, why.c_str());
        else if (verbose)
            std::fprintf(stderr, "tarnwick-devsim: %s\n", line.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = parseOptions(argc, argv, options);
    if (parsed == 3) {
        std::printf("tarnwick-devsim %s\n", TARNWICK_VERSION_FULL);
        return 0;
    }
    if (parsed != 0) {
        usage(parsed == 2 ? stdout : stderr);
        return parsed == 2 ? 0 : 2;
    }
    // Blocked before the device's thread starts, so that only sigtimedwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigaddset(&stopSignals, SIGUSR1);
    sigaddset(&stopSignals, SIGUSR2);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    devsim::Device device;
    if (!device.ok()) {
        std::fprintf(stderr, "tarnwick-devsim: no pseudo-terminal: %s\n", std::strerror(errno));
        return 1;
    }
    device.setFaults(options.faults);
    device.setUnit(options.unit);
    device.setModem(options.modem);

    std::string link;
    if (!options.registerName.empty()) {
        const std::string dir = options.portsDir.empty() ? defaultPortsDir() : options.portsDir;
        link = dir + "/" + options.registerName;
        if (!makeDirs(dir) || !registerPort(link, device.slavePath())) return 1;
    }
    // What the control file says already holds once the path is printed.
    std::string controlApplied;
    if (!options.control.empty()) followControl(device, options.control, controlApplied, options.verbose);
    std::printf("%s\n", device.slavePath().c_str());
    std::fflush(stdout);

    size_t shownIn = 0, shownOut = 0;
    const timespec poll = {0, 50 * 1000 * 1000};
    const auto vanishAt =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.vanishAfterMs);
    bool pending = options.vanishAfterMs >= 0;
    // Without --verbose, --vanish-after or --control there is nothing to do but wait for the
    // signal.
    const bool wakeUp = options.verbose || pending || !options.control.empty();
    for (;;) {
        const int got = sigtimedwait(&stopSignals, nullptr, wakeUp ? &poll : nullptr);
        if (got == SIGUSR1 || got == SIGUSR2) {
            device.sendRaw(got == SIGUSR1 ? "\x13" : "\x11");
        } else if (got > 0) {
            break;
        }
        if (options.verbose) {
            logChunks("<- ", device.receivedChunks(), shownIn);
            logChunks("-> ", device.sentChunks(), shownOut);
        }
        if (!options.control.empty()) followControl(device, options.control, controlApplied, options.verbose);
        if (pending && std::chrono::steady_clock::now() >= vanishAt) {
            device.vanish();
            pending = false;
        }
    }
    if (!link.empty()) unregisterPort(link, device.slavePath());
    return 0;
}
