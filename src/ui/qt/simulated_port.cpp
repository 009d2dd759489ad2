#include "ui/qt/simulated_port.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tarnwick::qt {

SimulatedPort::SimulatedPort() {
    if (!simulated.ok() || simulated.slavePath().empty()) {
        failure = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return;
    }
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
