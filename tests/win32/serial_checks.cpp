// Checks over the serial line: the port commands, the unit's parameters and the modem, with
// the simulated device on COM5. The device starts with the values below (see run_e2e.sh).
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

namespace {

const std::string frameStart("\x0A\x21\xAA", 3);
const char* const comPath = "\\\\.\\COM5";

std::string status() { return text(idPortStatus); }

// Runs a port command and returns the message it left, never a stale one.
std::string portCommand(int id) {
    setText(idPortStatus, "-");
    command(id);
    return status();
}

// The commands must reach the device in this order, after `from` bytes of its log.
void checkSentInOrder(const Paths& paths, size_t from, const std::vector<std::string>& commands,
                      const std::string& what) {
    const std::string received = deviceReceived(paths);
    size_t at = from;
    for (const std::string& command : commands) {
        const size_t found = received.find(command + "\r\n", at);
        if (!check(found != std::string::npos, what + " sends " + command)) return;
        at = found + command.size();
    }
}

// Polls a status box until it shows `last`, collecting each different text it showed after
// `before`, for the progress marks.
std::vector<std::string> watchStatus(int id, const std::string& before, const std::string& last,
                                     int timeoutMs) {
    std::vector<std::string> seen;
    std::string previous = before;
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        const std::string now = text(id);
        if (now != previous) {
            seen.push_back(now);
            if (now == last) break;
        }
        previous = now;
        sleepMs(10);
    }
    return seen;
}

std::vector<std::string> progressMarks(int steps) {
    const char* const ends[] = {"|", "/", "-", "\\"};
    std::vector<std::string> marks;
    for (int k = 0; k < steps; ++k) marks.push_back(std::string(k / 4, '.') + ends[k % 4]);
    return marks;
}

std::string join(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : " ") + t;
    return out;
}

void runSetup(const Paths& paths, int steps, const std::vector<std::string>& commands,
              const std::string& what) {
    const size_t from = deviceReceived(paths).size();
    const std::string before = text(idSetupStatus);
    click(idModemWrite);
    std::vector<std::string> seen = watchStatus(idSetupStatus, before, "Ok!", 60000);
    check(!seen.empty() && seen.back() == "Ok!", what + " ends with Ok!", join(seen));
    if (!seen.empty() && seen.back() == "Ok!") seen.pop_back();
    checkEqual(join(seen), join(progressMarks(steps)), what + " shows its progress marks");
    checkSentInOrder(paths, from, commands, what);
}

const int modemIds[] = {idIpAddress, idApn, idUser, idPassword};

// The internet set-up with `values` typed, over the _data.ini already there: the file must
// hold them after it, and clearing the check box must bring them back from the file.
void setUpOverTheFile(const Paths& paths, const std::vector<std::string>& values, const std::string& what) {
    for (int i = 0; i < 4; ++i) setText(modemIds[i], values[i]);
    runSetup(paths, 12,
             {"AT^SISS=9,\"address\",\"socktcp://" + values[0] + ":65534\"", "AT^SICS=0,\"apn\",\"" + values[1] + "\"",
              "AT^SICS=0,\"user\",\"" + values[2] + "\"", "AT^SICS=0,\"passwd\",\"" + values[3] + "\""},
             what);
    checkEqual(readFile(paths.workDir + "\\_data.ini"), values[0] + "\r\n" + values[1] + "\r\n" + values[2] + "\r\n" + values[3],
               "_data.ini after " + what);
    click(idNoInternet);
    click(idNoInternet);
    check(!checked(idNoInternet), "the check box is clear again after " + what);
    for (int i = 0; i < 4; ++i)
        checkEqual(text(modemIds[i]), values[i], "clearing the check box after " + what + " reloads box " + std::to_string(modemIds[i]));
}

// Opens or creates nothing: configures COM5 the way another program might have left it.
bool setForeignLineSettings(bool flowControl) {
    HANDLE port = CreateFileA(comPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return false;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.BaudRate = flowControl ? 19200 : 9600;
    dcb.ByteSize = flowControl ? 7 : 8;
    dcb.Parity = flowControl ? EVENPARITY : NOPARITY;
    dcb.StopBits = flowControl ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fOutX = flowControl;
    dcb.fInX = flowControl;
    dcb.fOutxCtsFlow = flowControl;
    dcb.fRtsControl = flowControl ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    const bool ok = SetCommState(port, &dcb) != 0;
    CloseHandle(port);
    return ok;
}

}  // namespace

void checkPortCommands() {
    // No automatic scrolling: typing stops where the box is full.
    setText(idPortName, "");
    for (int i = 0; i < 30; ++i) SendMessageA(control(idPortName), WM_CHAR, 'W', 1);
    const size_t typed = text(idPortName).size();
    check(typed > 0 && typed < 30, "typing stops at the port name box's edge",
          std::to_string(typed) + " characters taken");

    for (const char* name : {"COM0", "COM257", "com1", "COM", "COMX1", "PORT1", "COM1234", "", "COM-5"}) {
        setText(idPortName, name);
        checkEqual(portCommand(idOpenPort), "Name is wrong.", std::string("Open with the name \"") + name + "\"");
    }
    for (const char* name : {"COM7", "COM256", "COM5x", "COM+5"}) {
        setText(idPortName, name);
        checkEqual(portCommand(idOpenPort), "Port did't open!", std::string("Open ") + name + " (no such device)");
    }

    setText(idPortName, "COM5");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open COM5");
    checkEqual(portCommand(idOpenPort), "Port did't open!", "Open COM5 again while it is open");
}

void checkParameters(const Paths& paths) {
    // The device's start values; the refused second Open must not have hurt the connection.
    struct Row {
        int value, read, write;
        const char* start;
        const char* typed;
        std::string frame;
    };
    const Row rows[] = {
        {valueBoxOf(0), readButtonOf(0), writeButtonOf(0), "037", "123", frameStart + "0ATDP2123"},
        {valueBoxOf(1), readButtonOf(1), writeButtonOf(1), "200", "045", frameStart + "0ATDP1045"},
        {valueBoxOf(2), readButtonOf(2), writeButtonOf(2), "89001112233", "89161234567", frameStart + "0ATDP89161234567\r\n"},
        {valueBoxOf(3), readButtonOf(3), writeButtonOf(3), "89004445566", "+7 916 765-43-21", frameStart + "1ATDP+7 916 765-43-21\r\n"},
        {valueBoxOf(4), readButtonOf(4), writeButtonOf(4), "89007778899", "112", frameStart + "2ATDP112\r\n"},
    };
    for (const Row& row : rows) {
        const std::string name = "row " + std::to_string(row.value);
        check(clickUntil(row.read, row.value, row.start, 12000), name + " reads the device's value " + row.start,
              "shows \"" + text(row.value) + "\"");
    }
    for (const Row& row : rows) {
        const std::string name = "row " + std::to_string(row.value);
        setText(row.value, row.typed);
        check(clickUntilDevice(paths, row.write, row.frame, 12000), name + " writes " + row.typed);
        setText(row.value, "");
        check(clickUntil(row.read, row.value, row.typed, 15000), name + " reads back " + row.typed,
              "shows \"" + text(row.value) + "\"");
    }

    // Numbers must be exactly three digits; anything else sends nothing.
    for (const char* bad : {"12", "1x3"}) {
        sleepMs(1500);  // the previous job has let go of its trigger
        const size_t before = deviceReceived(paths).size();
        setText(valueBoxOf(0), bad);
        click(writeButtonOf(0));
        sleepMs(2000);
        check(deviceReceived(paths).size() == before, std::string("period \"") + bad + "\" is not sent");
        checkEqual(text(valueBoxOf(0)), bad, std::string("period \"") + bad + "\" stays in its box");
    }
    // An empty telephone number is sent as one.
    setText(valueBoxOf(3), "");
    check(clickUntilDevice(paths, writeButtonOf(3), frameStart + "1ATDP\r\n", 12000), "an empty receiver 2 number is written");
    sleepMs(1500);
}

void checkModem(const Paths& paths) {
    setText(idIpAddress, "10.20.30.40");
    setText(idApn, "internet.test");
    setText(idUser, "tuser");
    setText(idPassword, "tpass");
    runSetup(paths, 12,
             {"+++", "ATE0", "AT^SISS=0,\"srvType\",\"Socket\"",
              "AT^SISS=0,\"address\",\"socktcp://listener:65534\"", "AT^SISS=9,\"srvType\",\"Socket\"",
              "AT^SISS=9,\"address\",\"socktcp://10.20.30.40:65534\"", "AT^SICS=0,\"conType\",\"GPRS0\"",
              "AT^SICS=0,\"apn\",\"internet.test\"", "AT^SICS=0,\"user\",\"tuser\"",
              "AT^SICS=0,\"passwd\",\"tpass\"", "AT^SIPS=service,save,0", "AT^SIPS=service,save,9",
              "AT^SIPS=connection,save,0"},
             "the internet set-up");
    checkEqual(readFile(paths.workDir + "\\_data.ini"), "10.20.30.40\r\ninternet.test\r\ntuser\r\ntpass",
               "_data.ini in the working directory after the set-up");

    const size_t from = deviceReceived(paths).size();
    click(idModemRead);
    check(waitForText(idQueryStatus, "Ok!", 30000), "the query ends with Ok!", "shows \"" + text(idQueryStatus) + "\"");
    checkEqual(text(idIpAddress), "10.20.30.40", "the query reads the client address back");
    checkEqual(text(idApn), "internet.test", "the query reads the APN back");
    checkEqual(text(idUser), "tuser", "the query reads the user back");
    checkEqual(text(idPassword), "", "the query leaves the password empty");
    checkSentInOrder(paths, from,
                     {"+++", "ATE0", "AT^SIPS=service,load,0", "AT^SIPS=service,load,9", "AT^SISS?", "AT^SICS?"},
                     "the query");

    click(idNoInternet);
    check(checked(idNoInternet), "a click sets the check box");
    for (int id : {idIpAddress, idApn, idUser, idPassword}) checkEqual(text(id), "", "setting the check box empties box " + std::to_string(id));
    std::vector<std::string> reset;
    for (int n = 0; n <= 5; ++n) reset.push_back("AT^SIPS=all,reset," + std::to_string(n));
    for (int n = 0; n <= 5; ++n) reset.push_back("AT^SIPS=all,save," + std::to_string(n));
    for (int n = 6; n <= 8; ++n) {
        reset.push_back("AT^SIPS=service,reset," + std::to_string(n));
        reset.push_back("AT^SIPS=service,save," + std::to_string(n));
    }
    for (const char* last : {"AT^SIPS=service,reset,9", "AT^SIPS=service,save,9", "ATE0", "AT+CMGF=1", "AT&D0", "AT&W"})
        reset.push_back(last);
    reset.insert(reset.begin(), "+++");
    runSetup(paths, 24, reset, "the set-up without internet");
    checkEqual(readFile(paths.workDir + "\\_data.ini"), "10.20.30.40\r\ninternet.test\r\ntuser\r\ntpass",
               "the set-up without internet leaves _data.ini alone");
    click(idNoInternet);
    check(!checked(idNoInternet), "a second click clears the check box");
    const char* const loaded[] = {"10.20.30.40", "internet.test", "tuser", "tpass"};
    for (int i = 0; i < 4; ++i) checkEqual(text(modemIds[i]), loaded[i], "clearing the check box reloads box " + std::to_string(modemIds[i]));

    // Two saves in a row over the file that is there, the first one with values as a user types
    // them, the second back to the values the next start expects. Another run's save is in
    // progress beside them all along; its file, once let go, is the next start's to remove.
    const HeldTemporary held(paths);
    setUpOverTheFile(paths, {"10.20.30.41", "apn two", "user,2", "pass 2"}, "a second set-up");
    setUpOverTheFile(paths, {"10.20.30.40", "internet.test", "tuser", "tpass"}, "a third set-up");
    checkFilesBeside(paths, {held.name}, "three saves");
}

void checkCloseAndReopen() {
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close");
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close again");

    // Another program left the port at 19200 7E2 with hardware and software flow control.
    // Opening keeps XON/XOFF and puts back 9600 8N1 without CTS flow control.
    check(setForeignLineSettings(true), "the controller sets COM5 up differently");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open after Close");
    setText(valueBoxOf(0), "");
    check(clickUntil(readButtonOf(0), valueBoxOf(0), "123", 12000), "a read works on the reopened port");
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close after the reopen");
    HANDLE port = CreateFileA(comPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (check(port != INVALID_HANDLE_VALUE, "COM5 is free again after Close")) {
        DCB dcb = {};
        dcb.DCBlength = sizeof dcb;
        GetCommState(port, &dcb);
        CloseHandle(port);
        check(dcb.BaudRate == 9600 && dcb.ByteSize == 8 && dcb.Parity == NOPARITY && dcb.StopBits == ONESTOPBIT,
              "the program left 9600 8N1");
        check(!dcb.fOutxCtsFlow, "the program switched CTS flow control off");
        check(dcb.fOutX && dcb.fInX, "the program kept XON/XOFF as it found it");
    }
    check(setForeignLineSettings(false), "the controller puts COM5 back");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open once more");
}

void checkSilentModem() {
    setText(idPortName, "COM5");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open COM5 with a silent device");
    click(idModemWrite);
    check(waitForText(idSetupStatus, "Error!", 20000), "the set-up ends with Error! when the modem is silent",
          "shows \"" + text(idSetupStatus) + "\"");
    click(idModemRead);
    check(waitForText(idQueryStatus, "Error!", 20000), "the query ends with Error! when the modem is silent",
          "shows \"" + text(idQueryStatus) + "\"");
    for (int id : {idIpAddress, idApn, idUser, idPassword}) checkEqual(text(id), "", "the failed query left box " + std::to_string(id) + " empty");
    setText(valueBoxOf(0), "555");
    click(readButtonOf(0));
    sleepMs(5000);  // past the read's 60 ticks
    checkEqual(text(valueBoxOf(0)), "555", "an unanswered read leaves the period as it was");
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close");
}

void checkWithoutModemLines() {
    setText(idPortName, "COM5");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open COM5 on a port without modem lines");
    setText(valueBoxOf(0), "");
    check(clickUntil(readButtonOf(0), valueBoxOf(0), "037", 12000), "the period is read although no wait sees EV_RXCHAR",
          "shows \"" + text(valueBoxOf(0)) + "\"");
    check(clickUntil(readButtonOf(2), valueBoxOf(2), "89001112233", 12000), "receiver 1's number is read as well",
          "shows \"" + text(valueBoxOf(2)) + "\"");
    click(idModemRead);
    check(waitForText(idQueryStatus, "Ok!", 30000), "the query ends with Ok!", "shows \"" + text(idQueryStatus) + "\"");
    checkEqual(text(idIpAddress), "10.20.30.40", "the query reads the client address");
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close");
}

// Opens COM5 and reads the period, which the device holds as `periodShown`.
void checkOpenAndRead(const char* periodShown) {
    setText(idPortName, "COM5");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open COM5");
    setText(valueBoxOf(0), "");
    check(clickUntil(readButtonOf(0), valueBoxOf(0), periodShown, 12000), std::string("the period ") + periodShown + " is read",
          "shows \"" + text(valueBoxOf(0)) + "\"");
}

// A device that is awkward in every way a real one can be: its modem just powered up (echo
// on), XON and XOFF bytes in the unit's answers (period 17, address 19) and in filler behind
// every answer. The port starts with XON/XOFF off, as a Windows driver brings it up; under Wine
// it would otherwise follow the pseudo-terminal's IXON. Leaves the port open with XON/XOFF on,
// for checkHeldWrite.
void checkAwkwardDevice(const Paths& paths) {
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close before setting the port up");
    check(setForeignLineSettings(false), "the controller sets COM5 up as a Windows driver does");
    setText(idPortName, "COM5");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open COM5");
    setText(valueBoxOf(0), "");
    check(clickUntil(readButtonOf(0), valueBoxOf(0), "017", 12000), "a period of 17 (XON) is read", "shows \"" + text(valueBoxOf(0)) + "\"");
    check(clickUntil(readButtonOf(1), valueBoxOf(1), "019", 12000), "an address of 19 (XOFF) is read", "shows \"" + text(valueBoxOf(1)) + "\"");

    click(idNoInternet);
    check(checked(idNoInternet), "the check box is set");
    std::vector<std::string> reset = {"+++"};
    for (int n = 0; n <= 5; ++n) reset.push_back("AT^SIPS=all,reset," + std::to_string(n));
    for (int n = 0; n <= 5; ++n) reset.push_back("AT^SIPS=all,save," + std::to_string(n));
    for (const char* last : {"AT^SIPS=service,reset,6", "AT^SIPS=service,save,6", "ATE0", "AT&W"})
        reset.push_back(last);
    runSetup(paths, 24, reset, "the set-up without internet, the modem's echo on");
    click(idNoInternet);

    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close");
    check(setForeignLineSettings(true), "the controller switches XON/XOFF on");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open COM5 with XON/XOFF on");
}

// The device has sent an XOFF and no XON: the driver holds every write. "Close the Port" must
// still return at once, and the port work again once the line is free.
void checkHeldWrite(const Paths& paths) {
    setText(valueBoxOf(0), "321");
    click(writeButtonOf(0));
    sleepMs(1500);  // the write is handed to the driver, which holds it
    check(deviceReceived(paths).find(frameStart + "0ATDP2321") == std::string::npos,
          "the held write has not reached the device");
    const DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    const bool returned = SendMessageTimeoutA(mainWindow(), WM_COMMAND, MAKEWPARAM(idClosePort, 0), 0,
                                              SMTO_NORMAL, 10000, &result) != 0;
    const DWORD took = GetTickCount() - start;
    check(returned && took < 5000,
          "Close the Port returns with a write held by XOFF (" + std::to_string(took) + " ms)");
    checkEqual(status(), "The Port is closed.", "Close with a held write");
    check(setForeignLineSettings(false), "the controller switches XON/XOFF off again");
    checkEqual(portCommand(idOpenPort), "The COM5 is opened.", "Open after the held write");
    setText(valueBoxOf(1), "");
    check(clickUntil(readButtonOf(1), valueBoxOf(1), "019", 12000), "a read works after the held write", "shows \"" + text(valueBoxOf(1)) + "\"");
    checkEqual(portCommand(idClosePort), "The Port is closed.", "Close");
}

}  // namespace e2e
