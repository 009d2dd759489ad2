// Tools > Modem Status... against the simulated modem, which the test changes while it runs
// through its control file: the items after a refresh, a second and third refresh that see the
// signal and the registration move, no refresh while a Read runs, every 5 s following the
// signal by itself, the window closed while a check runs, and nothing of the main window or
// _data.ini touched by any of it.
#include <string>
#include <vector>

#include "base/ids.h"
#include "driver.h"
#include "ui/win32/resource.h"

namespace e2e {

namespace {

using namespace tarnwick;

constexpr int checkMs = 60000;  // a check takes a few seconds; the machine may be busy
const char notOpen[] = "the port is not open: choose Communication, Open the Port first";
const char busy[] = "a Read or Write is still running; refresh once it has ended";
const char* const itemNames[] = {"SIM", "signal", "registration", "packet registration", "operator",
                                 "attached", "IMEI", "IMSI", "ICCID"};
constexpr int itemCount = 9;

HWND statusWindow(int timeoutMs) {
    HWND found = nullptr;
    waitUntil([&] {
        found = FindWindowA("#32770", "Modem Status");
        return found != nullptr && IsWindowVisible(found);
    }, timeoutMs, 50);
    return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

int statusWindowCount() {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "Modem Status"); w != nullptr;
         w = FindWindowExA(nullptr, w, "#32770", "Modem Status"))
        ++count;
    return count;
}

std::string textOf(HWND window, int id) {
    char buffer[512] = {};
    SendMessageA(GetDlgItem(window, id), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

std::string value(HWND window, int item) { return textOf(window, IDC_STATUS_VALUE + item); }

// The control file beside the device's log; the device applies each line and logs it.
std::string controlFile(const Paths& paths) {
    return paths.devsimLog.substr(0, paths.devsimLog.find_last_of('\\') + 1) + "status-control.txt";
}

// Changes the device and waits until it has taken every line.
bool setDevice(const Paths& paths, const std::vector<std::string>& lines) {
    const size_t from = readFile(paths.devsimLog).size();
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    if (!writeFileByWideName(controlFile(paths), text)) return false;
    return waitUntil([&] {
        const std::string log = readFile(paths.devsimLog);
        for (const std::string& line : lines)
            if (log.find("tarnwick-devsim: " + line + "\n", from) == std::string::npos) return false;
        return true;
    }, 20000, 50);
}

bool sentSince(const Paths& paths, size_t from, const std::string& bytes) {
    return deviceReceived(paths).find(bytes, from) != std::string::npos;
}

std::string boxes() {
    std::string all;
    for (int id : {int(idPortName), int(idPortStatus), int(idIpAddress), int(idApn), int(idUser), int(idPassword),
                   int(idQueryStatus), int(idSetupStatus), valueBoxOf(0), valueBoxOf(1), valueBoxOf(2), valueBoxOf(3),
                   valueBoxOf(4)})
        all += std::to_string(id) + "=" + text(id) + "\n";
    return all;
}

// One refresh and what the window must show after it.
struct Round {
    const char* what;
    std::vector<std::string> device;  // control lines applied before it
    const char* signal;
    const char* registration;
    const char* meter;
    const char* verdict;
};

const Round rounds[] = {
    {"the first refresh", {}, "15 = -83 dBm (good)", "roaming", "-83 dBm, good", "ready"},
    {"a second refresh, the signal stronger", {"signal 22"}, "22 = -69 dBm (excellent)", "roaming",
     "-69 dBm, excellent", "ready"},
    {"a third, the modem searching on a weak signal", {"registration searching", "signal 5"}, "5 = -103 dBm (poor)",
     "searching", "-103 dBm, poor", "not ready: searching for a network"},
    {"a fourth, home with the signal not known", {"registration home", "signal 99"}, "99 = unknown", "home", "unknown",
     "ready"},
};

void checkRound(const Paths& paths, HWND status, const Round& round) {
    if (!round.device.empty() && !check(setDevice(paths, round.device), std::string(round.what) + ": the device changes"))
        return;
    const size_t from = deviceReceived(paths).size();
    SendMessageA(GetDlgItem(status, IDC_STATUS_REFRESH), BM_CLICK, 0, 0);
    check(!IsWindowEnabled(mainWindow()) && !IsWindowEnabled(GetDlgItem(status, IDC_STATUS_REFRESH)),
          std::string(round.what) + ": the main window and Refresh take no input while the check runs");
    check(waitUntil([] { return IsWindowEnabled(mainWindow()) != 0; }, checkMs),
          std::string(round.what) + ": the check ends");
    check(waitUntil([&] { return value(status, 1) == round.signal; }, 10000),
          std::string(round.what) + ": signal " + round.signal, value(status, 1));
    checkEqual(value(status, 2), round.registration, std::string(round.what) + ": registration");
    checkEqual(textOf(status, IDC_STATUS_SIGNAL), round.meter, std::string(round.what) + ": the meter's text");
    checkEqual(textOf(status, IDC_STATUS_VERDICT), round.verdict, std::string(round.what) + ": the verdict");
    checkEqual(textOf(status, IDC_STATUS_NOTE), "", std::string(round.what) + ": no refusal shown");
    check(sentSince(paths, from, "AT+CSQ\r") && sentSince(paths, from, "AT+CREG?\r"),
          std::string(round.what) + ": the modem was asked");
    check(IsWindowEnabled(GetDlgItem(status, IDC_STATUS_REFRESH)) != 0, std::string(round.what) + ": Refresh usable again");
}

}  // namespace

void checkModemStatus(const Paths& paths) {
    command(IDM_MODEM_STATUS);
    HWND status = statusWindow(10000);
    if (!check(status != nullptr, "Tools > Modem Status... shows the window \"Modem Status\"")) return;
    check(GetWindow(status, GW_OWNER) == mainWindow(), "it belongs to the main window");
    RECT self, owner;
    GetWindowRect(status, &self);
    GetWindowRect(mainWindow(), &owner);
    check(self.left >= owner.right || self.right <= owner.left, "it stands beside the main window, not over it");
    checkEqual(textOf(status, IDC_STATUS_REFRESH), "Refresh", "the Refresh button");
    checkEqual(textOf(status, IDC_STATUS_EVERY), "every 5 s", "the every 5 s check box");
    check(!IsDlgButtonChecked(status, IDC_STATUS_EVERY), "every 5 s starts unchecked");
    for (int k = 0; k < itemCount; ++k)
        checkEqual(textOf(status, IDC_STATUS_NAME + k), itemNames[k], "item name " + std::to_string(k));
    checkEqual(textOf(status, IDC_STATUS_SIGNAL), "unknown", "the meter before any check");
    check(textOf(status, IDC_STATUS_VERDICT).compare(0, 11, "not ready: ") == 0, "the verdict before any check",
          textOf(status, IDC_STATUS_VERDICT));

    // The port is closed: refused, and nothing sent.
    const size_t start = deviceReceived(paths).size();
    SendMessageA(GetDlgItem(status, IDC_STATUS_REFRESH), BM_CLICK, 0, 0);
    checkEqual(textOf(status, IDC_STATUS_NOTE), notOpen, "Refresh with the port closed says why it does not start");
    check(IsWindowEnabled(mainWindow()) != 0, "the refused refresh leaves the main window usable");

    setText(idPortName, "COM5");
    command(idOpenPort);
    checkEqual(text(idPortStatus), "The COM5 is opened.", "the port opens for the checks");
    check(!sentSince(paths, start, "AT"), "the refused refresh sent nothing");
    // Values typed by hand, which no check may touch.
    setText(valueBoxOf(1), "123");
    setText(idApn, "typed.apn");
    const std::string before = boxes();
    const std::string settings = readFile(paths.workDir + "\\_data.ini");

    checkRound(paths, status, rounds[0]);
    const char* const firstValues[] = {"ready", "15 = -83 dBm (good)", "roaming", "roaming", "Tele2", "yes",
                                       "352099001761481", "250201234567890", "89701200000000000012"};
    for (int k = 0; k < itemCount; ++k) checkEqual(value(status, k), firstValues[k], std::string("item ") + itemNames[k]);
    for (size_t r = 1; r < sizeof rounds / sizeof rounds[0]; ++r) checkRound(paths, status, rounds[r]);

    // A Read under way: Refresh and a round of every 5 s are both refused, and nothing starts.
    if (check(setDevice(paths, {"delay 1500"}), "the device answers 1.5 s late")) {
        const std::string verdict = textOf(status, IDC_STATUS_VERDICT);
        setText(valueBoxOf(0), "");
        const size_t from = deviceReceived(paths).size();
        click(readButtonOf(0));
        SendMessageA(GetDlgItem(status, IDC_STATUS_REFRESH), BM_CLICK, 0, 0);
        checkEqual(textOf(status, IDC_STATUS_NOTE), busy, "Refresh while a Read runs says why it does not start");
        SetDlgItemTextA(status, IDC_STATUS_NOTE, "");
        SendMessageA(status, WM_TIMER, IDT_STATUS_AUTO, 0);
        checkEqual(textOf(status, IDC_STATUS_NOTE), busy, "a round of every 5 s while a Read runs is skipped, saying why");
        check(IsWindowEnabled(mainWindow()) && IsWindowEnabled(GetDlgItem(status, IDC_STATUS_REFRESH)),
              "neither refused refresh keeps the main window from input");
        check(waitForText(valueBoxOf(0), "037", 20000), "the Read ends with the period", text(valueBoxOf(0)));
        check(!sentSince(paths, from, "AT+CMEE?") && !sentSince(paths, from, "AT+CSQ"),
              "no check was started beside the Read");
        checkEqual(textOf(status, IDC_STATUS_VERDICT), verdict, "the window still shows the last check");
        setText(valueBoxOf(0), "");  // the Read's own value goes; every other box is as it was
    }

    // every 5 s: a check at once, then the next by itself, following the signal.
    if (check(setDevice(paths, {"delay 0", "signal 9"}), "the device answers at once, the signal weak")) {
        // The Read's value shows a tick or so before its job rests: a click in between is
        // refused as busy, as the engineer would see, and made again.
        bool started = false;
        std::string refusals;
        for (int tries = 0; tries < 5 && !started; ++tries) {
            SendMessageA(GetDlgItem(status, IDC_STATUS_EVERY), BM_CLICK, 0, 0);
            started = IsDlgButtonChecked(status, IDC_STATUS_EVERY) && !IsWindowEnabled(mainWindow());
            if (started) break;
            refusals += "[" + textOf(status, IDC_STATUS_NOTE) + "]";
            if (textOf(status, IDC_STATUS_NOTE) != busy) break;
            SendMessageA(GetDlgItem(status, IDC_STATUS_EVERY), BM_CLICK, 0, 0);  // off again
            waitUntil([] { return !IsWindowEnabled(mainWindow()); }, 1000);
        }
        check(started, "every 5 s checks at once", refusals);
        check(waitUntil([&] { return value(status, 1) == "9 = -95 dBm (poor)"; }, checkMs), "the first round sees signal 9",
              value(status, 1));
        check(setDevice(paths, {"signal 27"}), "the signal grows while every 5 s is on");
        check(waitUntil([&] { return value(status, 1) == "27 = -59 dBm (excellent)"; }, checkMs),
              "a later round sees signal 27 by itself", value(status, 1));
        SendMessageA(GetDlgItem(status, IDC_STATUS_EVERY), BM_CLICK, 0, 0);
        check(!IsDlgButtonChecked(status, IDC_STATUS_EVERY), "every 5 s is turned off");
        check(waitUntil([] { return IsWindowEnabled(mainWindow()) != 0; }, checkMs), "the last round ends");
    }

    // Closed while a check runs: it ends all the same, the main window takes input again, and
    // the menu brings back the same window with what the check found.
    if (check(setDevice(paths, {"signal 18"}), "the signal changes once more")) {
        SendMessageA(GetDlgItem(status, IDC_STATUS_REFRESH), BM_CLICK, 0, 0);
        check(!IsWindowEnabled(mainWindow()), "a check runs");
        PostMessageA(status, WM_CLOSE, 0, 0);
        check(waitUntil([&] { return !IsWindowVisible(status); }, 10000), "the window closes while the check runs");
        check(waitUntil([] { return IsWindowEnabled(mainWindow()) != 0; }, checkMs),
              "the check ends, and the main window takes input again");
        DWORD_PTR answer = 0;
        check(SendMessageTimeoutA(mainWindow(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) != 0,
              "the program answers after the window was closed under its check");
        command(IDM_MODEM_STATUS);
        HWND again = statusWindow(10000);
        check(again == status, "the menu brings back the same window");
        checkEqual(value(status, 1), "18 = -77 dBm (good)", "it shows what the check found while it was closed");
        check(!IsDlgButtonChecked(status, IDC_STATUS_EVERY), "every 5 s stayed off with the window closed");
    }
    command(IDM_MODEM_STATUS);
    check(statusWindow(10000) == status && statusWindowCount() == 1, "the menu a second time raises the one window");

    checkEqual(boxes(), before, "no check changes a box or a status field of the main window");
    checkEqual(readFile(paths.workDir + "\\_data.ini"), settings, "no check touches _data.ini");
    PostMessageA(status, WM_CLOSE, 0, 0);
    check(waitUntil([&] { return !IsWindowVisible(status); }, 10000), "the window closes");
}

}  // namespace e2e
