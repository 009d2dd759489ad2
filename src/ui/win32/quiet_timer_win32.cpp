// The quiet timer of the serial layer as timer 1 of the main window.
#include <windows.h>

#include "base/app_state.h"
#include "serial/quiet_timer.h"
#include "ui/win32/win32_ui.h"

namespace tarnwick {

void requestQuietTimer(uint32_t ms) {
    // Called from the reader thread: SetTimer would fail there, so the window thread arms the
    // timer when it takes this message. A message still queued after a stop only arms a timer
    // whose expiry finds no burst and does nothing.
    if (mainWindow != nullptr)
        PostMessageA(static_cast<HWND>(mainWindow), quietTimerMessage, static_cast<WPARAM>(ms), 0);
}

void stopQuietTimer() {
    if (mainWindow != nullptr) KillTimer(static_cast<HWND>(mainWindow), quietTimerId);
}

}  // namespace tarnwick
