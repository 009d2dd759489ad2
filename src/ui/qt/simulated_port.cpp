#include "ui/qt/simulated_port.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace tarnwick::qt {

namespace {

// What the simulated unit and modem hold at the start, so that every "Read" has something to
// show before anything was written.
void presetValues(devsim::Device& device) {
    const char* const options[] = {"--period", "10", "--address", "7",
                                   "--phone1", "89160000001", "--phone2", "89160000002",
                                   "--sms-phone", "89160000003", "--ip", "192.0.2.10",
                                   "--apn", "internet", "--user", "gdata",
                                   "--password", "gdata"};
    const int count = static_cast<int>(sizeof options / sizeof *options);
    std::vector<std::string> storage(options, options + count);
    std::vector<char*> argv;
    for (std::string& option : storage) argv.push_back(option.data());
    devsim::Faults faults;
    devsim::UnitValues unit;
    devsim::ModemState modem;
    for (int i = 0; i < count;) {
        const int used = devsim::parseDeviceOption(count, argv.data(), i, faults, unit, modem);
        if (used <= 0) return;
        i += used;
    }
    device.setUnit(unit);
    device.setModem(modem);
}

}  // namespace

SimulatedPort::SimulatedPort(bool preset) {
    if (!simulated.ok() || simulated.slavePath().empty()) {
        failure = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return;
    }
    if (preset) presetValues(simulated);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                          "/tarnwick-ports-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        failure = "cannot create a ports folder: " + std::string(std::strerror(errno));
        return;
    }
    folder = name.data();
    link = folder + "/COM1";
    if (symlink(simulated.slavePath().c_str(), link.c_str()) != 0) {
        failure = "cannot register COM1: " + std::string(std::strerror(errno));
        link.clear();
        return;
    }
    setenv("TARNWICK_PORTS", folder.c_str(), 1);
}

SimulatedPort::~SimulatedPort() {
    if (!link.empty()) unlink(link.c_str());
    if (!folder.empty()) {
        rmdir(folder.c_str());
        // Nothing else may find COM1 in a folder that no longer exists.
        const char* current = std::getenv("TARNWICK_PORTS");
        if (current != nullptr && folder == current) unsetenv("TARNWICK_PORTS");
    }
}

}  // namespace tarnwick::qt
