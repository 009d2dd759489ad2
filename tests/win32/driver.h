#pragma once
// tarnwick-e2e: drives the real tarnwick.exe window from a second Win32 process, by control
// id, the way a user would: menu commands as WM_COMMAND, BM_CLICK on buttons, WM_SETTEXT and
// WM_GETTEXT on edit boxes. Runs under Wine beside the simulated unit and modem.
#include <windows.h>

#include <string>
#include <vector>

#include "base/ids.h"
#include "ui/win32/resource.h"

// The controls and commands by the names the program builds them with.
using namespace tarnwick;

namespace e2e {

// Where the run's files are, as Windows paths.
struct Paths {
    std::string exe;         // tarnwick.exe, for its resources
    std::string workDir;     // tarnwick's working directory, where "_data.ini" lives
    std::string devsimLog;   // what passed on the line, as tarnwick-devsim --verbose logs it
};

// Records one check; a failure is printed with its details and makes the run fail.
bool check(bool ok, const std::string& what, const std::string& detail = "");
bool checkEqual(const std::string& actual, const std::string& expected, const std::string& what);
int failures();

// The main window, waited for up to `timeoutMs`; null when it never appeared.
HWND findMainWindow(int timeoutMs);
HWND mainWindow();
HWND control(int id);

std::string text(int id);
std::wstring wideText(HWND window);
void setText(int id, const std::string& value);
void command(int id);  // a menu choice: WM_COMMAND with notification 0
void click(int id);    // BM_CLICK, as a mouse click would
bool checked(int id);

// Polls until the control shows `expected`; false after `timeoutMs`.
bool waitForText(int id, const std::string& expected, int timeoutMs);

// Waits until `window` is gone; false after `timeoutMs`.
bool waitGone(HWND window, int timeoutMs);

// Clicks `button` and waits for the control `id` to show `expected`, clicking again every few
// seconds: a job refuses to start while another one still holds its trigger.
bool clickUntil(int button, int id, const std::string& expected, int timeoutMs);

// Clicks `button` until the device has received `bytes` (counted from the first click),
// clicking again every few seconds for the same reason.
bool clickUntilDevice(const Paths& paths, int button, const std::string& bytes, int timeoutMs);

// Everything the simulated device has received so far, decoded from its log.
std::string deviceReceived(const Paths& paths);
// Waits until the device has received `bytes`; false after `timeoutMs`.
bool waitForDevice(const Paths& paths, const std::string& bytes, int timeoutMs);

// Reads a whole file; empty when it cannot be opened.
std::string readFile(const std::string& path);
// The same for a path in UTF-8, which the system is given as UTF-16: a Cyrillic name has no
// ANSI spelling here.
std::string readFileByWideName(const std::string& path);
bool writeFileByWideName(const std::string& path, const std::string& bytes);

// UTF-8 and UTF-16, for the wide calls.
std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& text);

void sleepMs(int ms);

// The shown dialog titled `title` that holds the control `child` (any, for 0); null when none
// came within `timeoutMs`.
HWND dialogWith(const char* title, int child, int timeoutMs);
// The texts of a message box, in UTF-8 a line each, answered with `button`; empty when none came.
std::string answerBox(const char* title, int button);

// Asks `done` every `stepMs` until it holds; false once `timeoutMs` have passed without. On a
// busy machine a window answers some time after the call that asked it to.
template <typename Done>
bool waitUntil(Done done, int timeoutMs, int stepMs = 50) {
    for (int waited = 0;; waited += stepMs) {
        if (done()) return true;
        if (waited >= timeoutMs) return false;
        sleepMs(stepMs);
    }
}

// Files of the user's beside _data.ini, under names close to the program's temporaries, and
// a temporary that a crashed save of the program left: made before the program first starts.
void placeFilesBeside(const Paths& paths);
// Beside _data.ini are the user's files, unchanged, and `others` alone: in particular, the
// crashed save's temporary is gone.
void checkFilesBeside(const Paths& paths, const std::vector<std::string>& others, const std::string& after);

// A temporary file of another run's save, held open while it lasts, as that run holds it.
struct HeldTemporary {
    explicit HeldTemporary(const Paths& paths);
    ~HeldTemporary();
    HeldTemporary(const HeldTemporary&) = delete;
    HeldTemporary& operator=(const HeldTemporary&) = delete;
    const std::string name;
    const std::string path;
    HANDLE file;
};

// The scenarios, each a run of checks against one start of the program.
// tarnwick-cli.exe, beside the program, on a console of the controller's own and into files,
// against the device on COM5.
void checkConsole(const Paths& paths);
void checkResources(const Paths& paths);
void checkStartState(bool settingsExpected);
void checkLayout(int dpi = 96);
// At a DPI other than 96 (the display's LogPixels): the main window, its controls and the
// trace window scaled, also after WM_DPICHANGED, and no caption cut off.
void checkScaled(int dpi);
// Tools > Open Profile..., Save Profile... and Compare with Profile..., with the port open.
void checkProfiles(const Paths& paths);
// Tools > Modem Status... against a modem changed through the device's control file.
void checkModemStatus(const Paths& paths);
void checkPortCommands();
void checkParameters(const Paths& paths);
void checkModem(const Paths& paths);
void checkAbout();
void checkCloseAndReopen();
void checkSilentModem();
void checkWithoutModemLines();
void checkAwkwardDevice(const Paths& paths);
void checkHeldWrite(const Paths& paths);
void checkTraceWindow(const Paths& paths);
void resetPortName();
void checkPortChosen();
void checkLostDevice();
void checkBusyPort();
void checkLostAndLeft();
void checkBackByItself(const char* periodShown);
void checkOpenAndRead(const char* periodShown);
void checkExit(bool closeBox);  // by the close box, or by E&xit
// A start with an option or an argument the program does not take: the usage in a box, after
// the line in refusal.txt of the work folder, and no main window.
void checkRefusedStart(const Paths& paths);

}  // namespace e2e
