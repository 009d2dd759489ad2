#include "app/commands.h"

#include <cstring>

#include "app/frontend.h"
#include "app/layout.h"
#include "base/app_state.h"
#include "base/control.h"
#include "base/trace.h"
#include "modem/settings_file.h"
#include "serial/port.h"

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

// The name the open port was opened by, for "The COMn is lost.".
char openedName[TextField::rawCapacity + 1] = "";
bool lostShown = false;

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
    const size_t length = std::strlen(name);
    if (length > TextField::rawCapacity) {
        tracePort(TraceKind::portNotOpened, "", portNameWrong);
        showPortStatus("Name is wrong.");
        return;
    }
    // A second open would fail on the held device anyway; refusing it up front keeps the
    // running connection and its threads on a valid handle.
    if (portHandle != invalidPort) {
        tracePort(TraceKind::portNotOpened, name, portAlreadyOpen);
        showPortStatus("Port did't open!");
        return;
    }
    const int result = openPort(path, 9600, portHandle);
    if (result != 0) {
        tracePort(TraceKind::portNotOpened, name, result);
        showPortStatus("Port did't open!");
        return;
    }
    startPortThreads();
    // Without its reader or writer the port would look open and never pass a byte.
    if (readerRunning != 1 || writerRunning != 1) {
        stopPortThreads();
        closePort(portHandle);
        portHandle = invalidPort;
        tracePort(TraceKind::portNotOpened, name, portThreadsFailed);
        showPortStatus("Port did't open!");
        return;
    }
    std::memcpy(openedName, name, length + 1);
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
    tracePort(TraceKind::portClosed, "");
    showPortStatus("The Port is closed.");
}

void choosePortName(const char* name) {
    portNameField.useRaw();
    portNameField.assign(name);
    portNameField.show();
}

void checkPortLost() {
    if (portHandle == invalidPort || lostShown || !portLost()) return;
    lostShown = true;
    tracePort(TraceKind::portLost, openedName);
    showStatusAbout(openedName, std::strlen(openedName), " is lost.");
}

bool handleCommand(int id, int notification) {
    if (id >= idFirstRead && id < idFirstRead + 5) {
        raise(*allJobs[periodReadIndex + 2 * (id - idFirstRead)]);
        return true;
    }
    if (id >= idFirstWrite && id < idFirstWrite + 5) {
        raise(*allJobs[periodWriteIndex + 2 * (id - idFirstWrite)]);
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
