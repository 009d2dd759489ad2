#include "app/commands.h"

#include <cstring>

#include "app/frontend.h"
#include "app/layout.h"
#include "base/app_state.h"
#include "base/clock.h"
#include "base/control.h"
#include "base/trace.h"
#include "modem/settings_file.h"
#include "serial/port.h"
#include "serial/port_holder.h"

namespace tarnwick {

namespace {

void showPortStatus(const uint8_t* text, size_t length) {
    portStatusField.useRaw();
    portStatusField.assign(text, static_cast<uint32_t>(length));
    portStatusField.show();
}

void showPortStatus(const char* text) {
    showPortStatus(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// "COM" and a number 1..256 read the way strtol/atoi read it: leading white space, one sign,
// digits up to the first non-digit; characters after the digits are not looked at.
bool portNameValid(const char* name, size_t length) {
    if (length < 4 || length > 6) return false;
    if (std::strncmp(name, "COM", 3) != 0) return false;
    const char* p = name + 3;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    long number = 0;
    while (*p >= '0' && *p <= '9' && number <= 1000) number = number * 10 + (*p++ - '0');
    if (negative) number = -number;
    return number >= 1 && number <= 256;
}

// "The " + name + the rest, as the port commands report on the port they opened.
void showStatusAbout(const char* name, size_t length, const char* rest) {
    uint8_t message[4 + TextField::rawCapacity + 16];
    const size_t restLength = std::strlen(rest);
    std::memcpy(message, "The ", 4);
    std::memcpy(message + 4, name, length);
    std::memcpy(message + 4 + length, rest, restLength);
    showPortStatus(message, 4 + length + restLength);
}

// The name and the path the open port was opened by, for "The COMn is lost." and for opening
// it again once its device is back.
char openedName[TextField::rawCapacity + 1] = "";
char openedPath[4 + TextField::rawCapacity + 1] = "";
bool lostShown = false;

// After "The COMn is lost." the same port is tried once a second until it opens again or the
// engineer closes or opens a port. Never while a job runs or waits to: a job's steps must all
// reach the device they began with, or none.
constexpr uint32_t retryEveryMs = 1000;
bool retrying = false;
uint32_t lastTryMs = 0;

// Who held the device the last open found in use.
PortHolder heldBy = {};

// Without its reader or writer the port would look open and never pass a byte.
bool startThreadsOrClose() {
    startPortThreads();
    if (readerRunning == 1 && writerRunning == 1) return true;
    stopPortThreads();
    closePort(portHandle);
    portHandle = invalidPort;
    return false;
}

void letGoOfLostPort() {
    stopPortThreads();
    if (portHandle != invalidPort) closePort(portHandle);
    portHandle = invalidPort;
    retrying = false;
    lostShown = false;
}

// One try. The first lets go of the handle of the device that went, which a reader and a
// writer still hold. Only the open itself each time: no lookup of who holds the port, nothing
// allocated while the device stays away.
void retryLostPort() {
    const uint32_t now = monotonicMs();
    if (now - lastTryMs < retryEveryMs || !jobsAtRest()) return;
    lastTryMs = now;
    if (portHandle != invalidPort) {
        stopPortThreads();
        closePort(portHandle);
        portHandle = invalidPort;
        tracePort(TraceKind::portRetrying, openedName);
    }
    if (openPort(openedPath, 9600, portHandle) != 0 || !startThreadsOrClose()) return;
    retrying = false;
    lostShown = false;
    tracePort(TraceKind::portReopened, openedName);
    showStatusAbout(openedName, std::strlen(openedName), " is opened.");
}

void raise(Job& job) { job.trigger = 1; }

void toggleNoInternet() {
    if (!isCheckBoxChecked(mainWindow, idNoInternet)) {
        setCheckBoxChecked(mainWindow, idNoInternet, true);
        blankSettings();
    } else {
        setCheckBoxChecked(mainWindow, idNoInternet, false);
        loadSettings();
    }
}

}  // namespace

void openPortCommand() {
    uint8_t raw[TextField::rawCapacity + 1] = {};
    portNameField.useRaw();
    portNameField.pull();
    portNameField.copyOut(raw);
    const char* name = reinterpret_cast<const char*>(raw);
    const size_t length = std::strlen(name);
    if (!portNameValid(name, length)) {
        tracePort(TraceKind::portNotOpened, name, portNameWrong);
        showPortStatus("Name is wrong.");
        return;
    }
    char path[4 + TextField::rawCapacity + 1] = "\\\\.\\";
    std::memcpy(path + 4, name, length + 1);
    openNamedPort(name, path);
}

void openNamedPort(const char* name, const char* path) {
    heldBy = PortHolder{};
    const size_t length = std::strlen(name);
    if (length > TextField::rawCapacity) {
        tracePort(TraceKind::portNotOpened, "", portNameWrong);
        showPortStatus("Name is wrong.");
        return;
    }
    // The engineer takes over from the tries: the lost device is let go, the name asked for
    // is opened.
    if (retrying) letGoOfLostPort();
    // A second open would fail on the held device anyway; refusing it up front keeps the
    // running connection and its threads on a valid handle.
    if (portHandle != invalidPort) {
        tracePort(TraceKind::portNotOpened, name, portAlreadyOpen);
        showPortStatus("Port did't open!");
        return;
    }
    const int result = openPort(path, 9600, portHandle);
    if (result != 0) {
        if (result == -1 && findPortHolder(path, heldBy))
            tracePortInUse(name, heldBy.who, heldBy.rule, result);
        else
            tracePort(TraceKind::portNotOpened, name, result);
        showPortStatus("Port did't open!");
        return;
    }
    if (!startThreadsOrClose()) {
        tracePort(TraceKind::portNotOpened, name, portThreadsFailed);
        showPortStatus("Port did't open!");
        return;
    }
    std::memcpy(openedName, name, length + 1);
    // A path too long to keep is not tried again; the COMn paths of the window always fit.
    const size_t pathLength = std::strlen(path);
    if (pathLength < sizeof openedPath) std::memcpy(openedPath, path, pathLength + 1);
    else openedPath[0] = '\0';
    lostShown = false;
    tracePort(TraceKind::portOpened, name);
    showStatusAbout(name, length, " is opened.");
}

void closePortCommand() {
    stopPortThreads();
    if (portHandle != invalidPort) {
        closePort(portHandle);
        portHandle = invalidPort;
    }
    lostShown = false;
    retrying = false;
    tracePort(TraceKind::portClosed, "");
    showPortStatus("The Port is closed.");
}

void choosePortName(const char* name) {
    portNameField.useRaw();
    portNameField.assign(name);
    portNameField.show();
}

void checkPortLost() {
    if (retrying) {
        retryLostPort();
        return;
    }
    if (portHandle == invalidPort || lostShown || !portLost()) return;
    lostShown = true;
    tracePort(TraceKind::portLost, openedName);
    showStatusAbout(openedName, std::strlen(openedName), " is lost.");
    retrying = openedPath[0] != '\0';
    lastTryMs = monotonicMs();
}

const PortHolder& lastPortHolder() { return heldBy; }

bool handleCommand(int id, int notification) {
    if (id >= readButtonOf(0) && id < readButtonOf(parameterRowCount)) {
        raise(*allJobs[readJobOf(id - readButtonOf(0))]);
        return true;
    }
    if (id >= writeButtonOf(0) && id < writeButtonOf(parameterRowCount)) {
        raise(*allJobs[writeJobOf(id - writeButtonOf(0))]);
        return true;
    }
    switch (id) {
    case idAbout: showAboutDialog(); return true;
    case idExit: destroyMainWindow(); return true;
    case idTrace: showTraceWindow(); return true;
    case idOpenPort: openPortCommand(); return true;
    case idClosePort: closePortCommand(); return true;
    case idModemRead:
    case idModemWrite:
    case idNoInternet:
        if (notification != notifyClick) return false;
        if (id == idModemRead) raise(modemQueryJob);
        else if (id == idModemWrite) raise(modemSetupJob);
        else toggleNoInternet();
        return true;
    default: return false;
    }
}

}  // namespace tarnwick
