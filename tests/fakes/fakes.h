#pragma once
// In-memory stand-ins for the front end and the port, with what the tests look at.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/layout.h"
#include "base/app_state.h"
#include "base/control.h"
#include "base/handles.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/send_queue.h"

namespace fake {

struct Control {
    tarnwick::ControlKind kind;
    int id;
    int x, y, width, height;
    tarnwick::WindowHandle parent;
    std::string text;      // bytes as set, Windows-1251
    std::string caption;   // buttons and check boxes
    bool fontSet = false;
    tarnwick::FontKind font = tarnwick::FontKind::field;
    bool checked = false;
    int setTextCalls = 0;
};

// Every control created since the last reset, in creation order.
const std::vector<Control*>& controls();
Control* controlById(int id);
Control* controlOf(tarnwick::WindowHandle handle);

// The next `count` edit boxes fail to be created.
void failNextEdits(int count);

// The main window stand-in that the tests pass as parent.
tarnwick::WindowHandle window();

// Called after every setControlText, for tests that act at that moment (cleared by reset()).
extern std::function<void(Control*)> onSetText;

extern int aboutShown;
extern int windowDestroyed;
extern int traceShown;

// The port.
extern int openResult;              // what openPort returns
extern std::vector<std::string> openedPaths;
extern std::vector<tarnwick::PortHandle> closedHandles;
extern int wakeCount;
extern int startCount;
extern int stopCount;
extern bool threadsFail;            // startPortThreads cannot start the reader
extern bool deviceLost;             // what portLost() answers
extern std::string portHolder;      // who findPortHolder() says holds the port; empty: nobody
extern std::string portHolderRule;  // ... and the rule it gives

// The quiet timer and its clock.
extern uint32_t nowMs;
extern bool quietArmed;
extern uint32_t quietDueMs;        // nowMs at request + requested delay
extern int quietRequests;

// Back to the state right after program start. reset() forgets the controls and resets the
// application state; each fake library resets its own counters.
void reset();
void resetPort();
void resetQuietTimer();

// The serial link's shared state back to program start: both buffers zero, no response bits,
// no burst, no queued send. Inline, so that binaries which never use the link do not pull it
// (and the quiet timer it needs) in.
inline void resetLink() {
    std::memset(tarnwick::txBuffer, 0, sizeof tarnwick::txBuffer);
    std::memset(tarnwick::rxBuffer, 0, sizeof tarnwick::rxBuffer);
    tarnwick::rxCount = 0;
    tarnwick::responseStatus = 0;
    tarnwick::resetBursts();
    tarnwick::clearPendingSends();
}

// The program just started on the fakes, with no settings file, and a port open: the window's
// controls built and a writer running, so that sendTxBuffer queues what the jobs send.
inline void startWithOpenLink() {
    reset();
    resetPort();
    resetQuietTimer();
    resetLink();
    std::remove(tarnwick::settingsFileName);
    tarnwick::createMainControls(window());
    tarnwick::writerRunning = 1;
}

// Delivers bytes as one burst the way the reader and the quiet timer would: one chunk, then
// 200 ms of quiet on the fake clock and the timer's expiry.
void deliverBurst(const std::string& bytes);

}  // namespace fake
