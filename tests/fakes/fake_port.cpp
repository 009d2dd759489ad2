#include "fakes.h"
#include "serial/port.h"
#include "serial/port_holder.h"

namespace fake {

int openResult = 0;
std::vector<std::string> openedPaths;
std::vector<tarnwick::PortHandle> closedHandles;
int wakeCount = 0;
int startCount = 0;
int stopCount = 0;
bool threadsFail = false;
bool deviceLost = false;
std::string portHolder;
std::string portHolderRule;

void resetPort() {
    openResult = 0;
    threadsFail = false;
    deviceLost = false;
    portHolder.clear();
    portHolderRule.clear();
    openedPaths.clear();
    closedHandles.clear();
    wakeCount = startCount = stopCount = 0;
}

}  // namespace fake

namespace tarnwick {

int openPort(const char* path, int32_t, PortHandle& slot) {
    fake::openedPaths.push_back(path);
    slot = fake::openResult == 0 ? 7 : invalidPort;
    return fake::openResult;
}

int closePort(PortHandle handle) {
    fake::closedHandles.push_back(handle);
    return 1;
}

void startPortThreads() {
    ++fake::startCount;
    writerRunning = 1;
    readerRunning = fake::threadsFail ? 0 : 1;
}

void stopPortThreads() {
    ++fake::stopCount;
    writerRunning = 0;
    readerRunning = 0;
}

void wakeWriter() { ++fake::wakeCount; }

bool portLost() { return fake::deviceLost; }

bool findPortHolder(const char*, PortHolder& holder) {
    std::snprintf(holder.who, sizeof holder.who, "%s", fake::portHolder.c_str());
    std::snprintf(holder.rule, sizeof holder.rule, "%s", fake::portHolderRule.c_str());
    return !fake::portHolder.empty();
}

}  // namespace tarnwick
