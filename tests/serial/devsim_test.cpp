// The simulated unit and modem, driven by hand over the pseudo-terminal: every later test
// trusts its answers, so the answers the jobs rely on are pinned down here.
#include "devsim.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "line_helpers.h"

using testline::RawLine;

namespace {

const std::string mark("\x0A\x21\xAA", 3);

std::string readRequest(char selector, bool filled = true) {
    std::string frame = mark + "N" + selector;
    if (filled) frame += std::string(7, '\0');
    return frame;
}

class DevsimTest : public ::testing::Test {
protected:
    devsim::Device device;
    RawLine line{device.slavePath()};

    void SetUp() override {
        ASSERT_TRUE(device.ok());
        ASSERT_GE(line.fd(), 0);
    }

    std::string ask(const std::string& command) { return line.ask(command, "\r\n\r\nOK\r\n"); }
    std::string askShort(const std::string& command, const std::string& end = "\r\n") {
        return line.ask(command, end);
    }
};

// The program must cope with a terminal as the kernel hands it over, as a real adapter's is:
// the simulator must not have made it raw already.
TEST(DevsimTerminal, StartsWithTheKernelsDefaultLineSettings) {
    devsim::Device device;
    ASSERT_TRUE(device.ok());
    const int fd = open(device.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios settings{};
    ASSERT_EQ(tcgetattr(fd, &settings), 0);
    close(fd);
    EXPECT_NE(settings.c_iflag & IXON, 0u);
    EXPECT_NE(settings.c_lflag & (ICANON | ECHO), 0u);
}

// --- the unit -----------------------------------------------------------------------------

TEST_F(DevsimTest, ReadRequestsAnswerTheValueAtByte4AndTheNumberFromByte7) {
    devsim::UnitValues values;
    values.period = 200;
    values.address = 7;
    values.phone[0] = "89001112233";
    values.phone[1] = "89004445566";
    values.phone[2] = "";
    device.setUnit(values);

    std::string answer = line.ask(readRequest('A'), "\r\n");
    ASSERT_GE(answer.size(), 5u);
    EXPECT_EQ(answer.substr(0, 3), mark);
    EXPECT_EQ(static_cast<uint8_t>(answer[4]), 200);

    answer = line.ask(readRequest('@'), "\r\n");
    ASSERT_GE(answer.size(), 5u);
    EXPECT_EQ(static_cast<uint8_t>(answer[4]), 7);

    answer = line.ask(readRequest('1'), "\r\n");
    ASSERT_GE(answer.size(), 7u);
    EXPECT_EQ(answer.substr(0, 3), mark);
    for (size_t i = 3; i < 7; ++i) {
        EXPECT_NE(answer[i], '\r');
        EXPECT_NE(answer[i], '\n');
        EXPECT_NE(answer[i], '\0');
    }
    EXPECT_EQ(answer.substr(7), "89004445566\r\n");

    EXPECT_EQ(line.ask(readRequest('2'), "\r\n").substr(7), "\r\n");
}

TEST_F(DevsimTest, TheZeroFillerOfATwelveByteReadIsNoNewFrameAndAFiveByteReadWorksToo) {
    device.setUnit({42, 1, {"8", "9", "7"}});
    // Filler bytes that look like a start mark must not open a frame either.
    std::string request = mark + "NA" + std::string("\x0A\x21\xAA" "N0\0\0", 7);
    const std::string answer = line.ask(request, "\r\n");
    EXPECT_EQ(static_cast<uint8_t>(answer.at(4)), 42);
    EXPECT_EQ(line.receive(150), "");  // nothing more: the filler was not a second request
    EXPECT_EQ(device.framesHandled(), 1);

    const std::string shortAnswer = line.ask(readRequest('0', false), "\r\n");
    EXPECT_EQ(shortAnswer.substr(7), "8\r\n");
    EXPECT_EQ(device.framesHandled(), 2);
}

TEST_F(DevsimTest, WritesAreStoredAndNotAnswered) {
    line.send(mark + "0ATDP2123");  // period
    line.receive(100);
    line.send(mark + "0ATDP1255");  // own address
    line.receive(100);
    line.send(mark + "1ATDP89005556677\r\n");
    line.send(mark + "2ATDP\r\n");  // an empty number is a number too
    line.receive(100);
    const devsim::UnitValues values = device.unit();
    EXPECT_EQ(values.period, 123);
    EXPECT_EQ(values.address, 255);
    EXPECT_EQ(values.phone[1], "89005556677");
    EXPECT_EQ(values.phone[2], "");
    EXPECT_EQ(device.sent(), "");
    EXPECT_EQ(device.framesHandled(), 4);
}

// '0' ATDP starts the number writes and the receiver 1 telephone write alike: only the CR LF
// at the end tells a telephone number that begins with '2' or '1' and three digits.
TEST_F(DevsimTest, ATelephoneWriteThatLooksLikeANumberWriteIsATelephoneWrite) {
    device.setUnit({5, 6, {"old", "", ""}});
    line.send(mark + "0ATDP2123\r\n");
    line.receive(120);
    line.send(mark + "0ATDP1999");
    line.receive(120);
    const devsim::UnitValues values = device.unit();
    EXPECT_EQ(values.phone[0], "2123");
    EXPECT_EQ(values.period, 5);
    EXPECT_EQ(values.address, 999);
    // The unit keeps the low byte of what it was given.
    EXPECT_EQ(static_cast<uint8_t>(line.ask(readRequest('@'), "\r\n").at(4)), 999 & 0xFF);
}

// --- the modem ----------------------------------------------------------------------------

TEST_F(DevsimTest, ShortAtDialogueStoresAndLoadsServiceProfileNine) {
    EXPECT_EQ(askShort("+++\r\n", "OK\r\n"), "\r\nOK\r\n");
    // Echo is on at power-up, so the answer to ATE0 carries the echo of the command.
    EXPECT_EQ(askShort("ATE0\r\n", "OK\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(askShort("AT^SIPS=service,load,9\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(ask("AT^SISS=9,\"srvType\",\"Socket\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SISS=9,\"address\",\"socktcp://10.20.30.40:65534\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=service,save,9\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=service,reset,9\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(device.modem().service[9].get("address"), "");
    EXPECT_EQ(ask("AT^SIPS=service,load,9\r\n"), "\r\n\r\nOK\r\n");

    const std::string listing = ask("AT^SISS?\r\n");
    EXPECT_EQ(listing.compare(0, 8, "\r\n^SISS:"), 0) << listing;
    EXPECT_NE(listing.find("^SISS: 9,\"address\",\"socktcp://10.20.30.40:65534\"\r\n"),
              std::string::npos);
    EXPECT_NE(listing.find("^SISS: 0,\"srvType\",\"\"\r\n"), std::string::npos);
    EXPECT_EQ(listing.substr(listing.size() - 8), "\r\n\r\nOK\r\n");
    // A profile in use lists every parameter, the ones never set with the modem's defaults.
    EXPECT_NE(listing.find("^SISS: 9,\"tcpOT\",\"6000\"\r\n"), std::string::npos);
    for (int n = 1; n <= 8; ++n)
        EXPECT_NE(listing.find("^SISS: " + std::to_string(n) + ",\"srvType\",\"\"\r\n"),
                  std::string::npos);
}

TEST_F(DevsimTest, ConnectionProfileListingCarriesUserAndApnButNoPassword) {
    askShort("ATE0\r\n", "OK\r\n");
    EXPECT_EQ(ask("AT^SICS=0,\"conType\",\"GPRS0\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SICS=0,\"apn\",\"internet.example\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SICS=0,\"user\",\"gdata\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SICS=0,\"passwd\",\"secret\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=connection,save,0\r\n"), "\r\n\r\nOK\r\n");
    const std::string listing = ask("AT^SICS?\r\n");
    EXPECT_EQ(listing.compare(0, 8, "\r\n^SICS:"), 0) << listing;
    EXPECT_NE(listing.find("^SICS: 0,\"user\",\"gdata\""), std::string::npos);
    EXPECT_NE(listing.find("^SICS: 0,\"apn\",\"internet.example\""), std::string::npos);
    EXPECT_EQ(listing.find("secret"), std::string::npos);
    EXPECT_TRUE(device.modem().connectionStored[0]);
}

TEST_F(DevsimTest, PlainCommandsAnswerOkAndUnknownOnesError) {
    askShort("ATE0\r\n", "OK\r\n");
    EXPECT_EQ(askShort("AT+CMGF=1\r\n", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(askShort("AT&D0\r\n", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(askShort("AT&W\r\n", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(askShort("ATZZ\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(askShort("AT^SISS=12,\"srvType\",\"Socket\"\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(askShort("AT^SICS=0,\"nonsense\",\"x\"\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
    const devsim::ModemState modem = device.modem();
    EXPECT_EQ(modem.messageFormat, 1);
    EXPECT_EQ(modem.dtrMode, 0);
    EXPECT_TRUE(modem.written);
    EXPECT_FALSE(modem.echo);
}

TEST_F(DevsimTest, AllResetAndSaveCoverBothKindsAndLoadingWhatWasNeverSavedIsAnError) {
    askShort("ATE0\r\n", "OK\r\n");
    EXPECT_EQ(askShort("AT^SIPS=service,load,0\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(ask("AT^SISS=3,\"srvType\",\"Socket\"\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=all,reset,3\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=all,save,3\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=service,load,3\r\n"), "\r\n\r\nOK\r\n");
    EXPECT_EQ(ask("AT^SIPS=connection,load,3\r\n"), "\r\n\r\nOK\r\n");
    const devsim::ModemState modem = device.modem();
    EXPECT_TRUE(modem.serviceStored[3]);
    EXPECT_TRUE(modem.connectionStored[3]);
    EXPECT_EQ(modem.service[3].get("srvType"), "");
    // Service profiles go up to 9, connection profiles only to 5.
    EXPECT_EQ(askShort("AT^SIPS=connection,save,9\r\n", "ERROR\r\n"), "\r\nERROR\r\n");
}

// --- the modem's status -------------------------------------------------------------------

// What each status command answers for each state a modem in the field is found in: the SIM
// keeps it off the network until it is ready, a detached modem is not registered for packet
// data, and an error reads as the error mode says.
TEST(DevsimStatusTest, EachStatusCommandAnswersAsTheModemStands) {
    using Change = std::function<void(devsim::ModemState&)>;
    const std::string ok = "\r\nOK\r\n";
    const auto info = [&ok](const std::string& line) { return "\r\n" + line + "\r\n" + ok; };
    const std::string error = "\r\nERROR\r\n";
    const struct {
        const char* what;
        Change change;
        std::vector<std::pair<std::string, std::string>> answers;  // command, answer
    } cases[] = {
        {"as it comes", [](devsim::ModemState&) {},
         {{"AT+CMEE?", info("+CMEE: 0")}, {"AT+CPIN?", info("+CPIN: READY")}, {"AT+CSQ", info("+CSQ: 13,99")},
          {"AT+CREG?", info("+CREG: 0,1")}, {"AT+CGREG?", info("+CGREG: 0,1")},
          {"AT+COPS?", info("+COPS: 0,0,\"MegaFon\",0")}, {"AT+CGATT?", info("+CGATT: 1")},
          {"AT+CGSN", info("352099001761481")}, {"AT+CIMI", info("250017012345678")},
          {"AT+CRSM=176,12258,0,0,10", info("+CRSM: 144,0,\"98070121436587092143\"")}}},
        {"no SIM, plain errors", [](devsim::ModemState& m) { m.sim = devsim::Sim::absent; },
         {{"AT+CPIN?", error}, {"AT+CIMI", error}, {"AT+CRSM=176,12258,0,0,10", error}, {"AT+CREG?", info("+CREG: 0,0")},
          {"AT+CGREG?", info("+CGREG: 0,0")}, {"AT+COPS?", info("+COPS: 0")}, {"AT+CGATT?", info("+CGATT: 0")},
          {"AT+CSQ", info("+CSQ: 13,99")}, {"AT+CGSN", info("352099001761481")}}},
        {"no SIM, numeric errors", [](devsim::ModemState& m) { m.sim = devsim::Sim::absent; m.errorMode = 1; },
         {{"AT+CPIN?", "\r\n+CME ERROR: 10\r\n"}, {"AT+CIMI", "\r\n+CME ERROR: 10\r\n"},
          {"AT+CRSM=176,12258,0,0,10", "\r\n+CME ERROR: 10\r\n"}}},
        {"no SIM, errors in words", [](devsim::ModemState& m) { m.sim = devsim::Sim::absent; m.errorMode = 2; },
         {{"AT+CPIN?", "\r\n+CME ERROR: SIM not inserted\r\n"}}},
        {"PIN wanted", [](devsim::ModemState& m) { m.sim = devsim::Sim::pin; m.errorMode = 1; },
         {{"AT+CPIN?", info("+CPIN: SIM PIN")}, {"AT+CIMI", "\r\n+CME ERROR: 11\r\n"},
          {"AT+CRSM=176,12258,0,0,10", info("+CRSM: 144,0,\"98070121436587092143\"")}, {"AT+CREG?", info("+CREG: 0,0")}}},
        {"PUK wanted", [](devsim::ModemState& m) { m.sim = devsim::Sim::puk; m.errorMode = 1; },
         {{"AT+CPIN?", info("+CPIN: SIM PUK")}, {"AT+CIMI", "\r\n+CME ERROR: 12\r\n"}}},
        {"roaming", [](devsim::ModemState& m) { m.registration = devsim::Registration::roaming; },
         {{"AT+CREG?", info("+CREG: 0,5")}, {"AT+CGREG?", info("+CGREG: 0,5")}, {"AT+CGATT?", info("+CGATT: 1")}}},
        {"searching", [](devsim::ModemState& m) { m.registration = devsim::Registration::searching; },
         {{"AT+CREG?", info("+CREG: 0,2")}, {"AT+CGREG?", info("+CGREG: 0,2")}, {"AT+COPS?", info("+COPS: 0")},
          {"AT+CGATT?", info("+CGATT: 0")}}},
        {"denied", [](devsim::ModemState& m) { m.registration = devsim::Registration::denied; },
         {{"AT+CREG?", info("+CREG: 0,3")}, {"AT+CGREG?", info("+CGREG: 0,3")}}},
        {"not registered", [](devsim::ModemState& m) { m.registration = devsim::Registration::none; },
         {{"AT+CREG?", info("+CREG: 0,0")}, {"AT+CGATT?", info("+CGATT: 0")}}},
        {"home but not attached", [](devsim::ModemState& m) { m.attach = false; },
         {{"AT+CREG?", info("+CREG: 0,1")}, {"AT+CGREG?", info("+CGREG: 0,0")}, {"AT+CGATT?", info("+CGATT: 0")},
          {"AT+COPS?", info("+COPS: 0,0,\"MegaFon\",0")}}},
        {"a numeric operator, no signal, a short ICCID",
         [](devsim::ModemState& m) { m.operatorName = "25002"; m.rssi = 99; m.iccid = "8970101234567890123"; },
         {{"AT+COPS?", info("+COPS: 0,2,\"25002\",0")}, {"AT+CSQ", info("+CSQ: 99,99")},
          {"AT+CRSM=176,12258,0,0,10", info("+CRSM: 144,0,\"980701214365870921F3\"")}}},
        {"settings", [](devsim::ModemState&) {},
         {{"AT+CMEE=2", ok}, {"AT+CMEE?", info("+CMEE: 2")}, {"AT+CMEE=3", error}, {"AT+CMEE=?", info("+CMEE: (0-2)")},
          {"AT+CREG=2", ok}, {"AT+CREG?", info("+CREG: 2,1,\"1A2B\",\"00C3D4E5\"")}, {"AT+CGREG=7", error},
          {"AT+CRSM=176,28423,0,0,9", info("+CRSM: 106,130")}, {"AT+COPS=?", error}}},
        {"a profile never stored, numeric errors", [](devsim::ModemState& m) { m.errorMode = 1; },
         {{"AT^SIPS=service,load,0", "\r\n+CME ERROR: 3\r\n"}, {"ATZZ", error}}},
    };
    for (const auto& c : cases) {
        devsim::ModemState modem;
        c.change(modem);
        for (const auto& [command, answer] : c.answers)
            EXPECT_EQ(devsim::answerModemLine(modem, command), answer) << c.what << ": " << command;
    }
}

TEST(DevsimStatusTest, TheStatusOptionsTakeTheirValuesAndRefuseOthers) {
    const struct {
        const char* option;
        const char* value;
        int used;
    } cases[] = {
        {"--sim", "absent", 2},       {"--sim", "pin", 2},           {"--sim", "PIN", -1},
        {"--sim", "", -1},            {"--signal", "0", 2},          {"--signal", "31", 2},
        {"--signal", "99", 2},        {"--signal", "32", -1},        {"--signal", "-1", -1},
        {"--signal", "099", -1},      {"--registration", "roaming", 2}, {"--registration", "lost", -1},
        {"--attached", "0", 2},       {"--attached", "2", -1},       {"--operator", "Tele 2", 2},
        {"--operator", "", -1},       {"--operator", "a\"b", -1},    {"--imsi", "250017012345678", 2},
        {"--imsi", "2500170123456789", -1}, {"--iccid", "8970101234567890123", 2}, {"--iccid", "89x", -1},
        {"--cmee", "2", 2},           {"--cmee", "3", -1},
    };
    for (const auto& c : cases) {
        devsim::Faults faults;
        devsim::UnitValues unit;
        devsim::ModemState modem;
        std::string option = c.option, value = c.value;
        char* argv[] = {option.data(), value.data()};
        EXPECT_EQ(devsim::parseDeviceOption(2, argv, 0, faults, unit, modem), c.used) << c.option << " " << c.value;
    }
    devsim::Faults faults;
    devsim::UnitValues unit;
    devsim::ModemState modem;
    std::string a = "--registration", b = "denied", c = "--signal", d = "3", e = "--sim";
    char* argv[] = {a.data(), b.data(), c.data(), d.data(), e.data()};
    EXPECT_EQ(devsim::parseDeviceOption(5, argv, 0, faults, unit, modem), 2);
    EXPECT_EQ(devsim::parseDeviceOption(5, argv, 2, faults, unit, modem), 2);
    EXPECT_EQ(devsim::parseDeviceOption(5, argv, 4, faults, unit, modem), -1) << "its value is missing";
    EXPECT_EQ(modem.registration, devsim::Registration::denied);
    EXPECT_EQ(modem.rssi, 3);
}

TEST_F(DevsimTest, StatusValuesChangeWhileItRunsThroughTheApiAndControlLines) {
    EXPECT_EQ(askShort("AT+CSQ\r\n", "OK\r\n"), "AT+CSQ\r\r\n+CSQ: 13,99\r\n\r\nOK\r\n");
    device.setSignal(20);
    device.setRegistration(devsim::Registration::roaming);
    EXPECT_EQ(askShort("AT+CSQ\r\n", "OK\r\n"), "AT+CSQ\r\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(askShort("AT+CGREG?\r\n", "OK\r\n"), "AT+CGREG?\r\r\n+CGREG: 0,5\r\n\r\nOK\r\n");
    device.setSim(devsim::Sim::absent);
    EXPECT_EQ(askShort("AT+CMEE=1\r\n", "OK\r\n"), "AT+CMEE=1\r\r\nOK\r\n");
    EXPECT_EQ(askShort("AT+CPIN?\r\n", "10\r\n"), "AT+CPIN?\r\r\n+CME ERROR: 10\r\n");

    std::string why;
    for (const char* control : {"signal 5", "sim ready", "attached 0", "operator 25099", "echo 0", "delay 0"})
        EXPECT_TRUE(device.applyControl(control, &why)) << control << ": " << why;
    EXPECT_EQ(device.modem().rssi, 5);
    EXPECT_FALSE(device.modem().attach);
    EXPECT_EQ(askShort("AT+COPS?\r\n", "OK\r\n"), "\r\n+COPS: 0,2,\"25099\",0\r\n\r\nOK\r\n");
    for (const char* control : {"signal", "signal loud", "bogus 1", "silent yes", "no-echo 1", ""}) {
        EXPECT_FALSE(device.applyControl(control, &why)) << control;
        EXPECT_NE(why, "");
    }
    EXPECT_TRUE(device.applyControl("silent 1", &why));
    EXPECT_EQ(line.ask("AT+CSQ\r\n", "OK\r\n", 300), "");
    EXPECT_TRUE(device.applyControl("silent 0", &why));
    EXPECT_EQ(askShort("AT+CSQ\r\n", "OK\r\n"), "\r\n+CSQ: 5,99\r\n\r\nOK\r\n");
}

// --- faults -------------------------------------------------------------------------------

TEST_F(DevsimTest, SilentAnswersNothingAndErrorAnswersErrorAndChangesNothing) {
    devsim::Faults faults;
    faults.silent = true;
    device.setFaults(faults);
    line.send("ATE0\r\n" + readRequest('A'));
    EXPECT_EQ(line.receive(300), "");
    EXPECT_TRUE(device.waitForBytes(6 + 12, 1000));

    faults = devsim::Faults();
    faults.errorToAll = true;
    device.setFaults(faults);
    EXPECT_EQ(askShort("AT^SISS=9,\"address\",\"x\"\r\n", "ERROR\r\n"),
              "AT^SISS=9,\"address\",\"x\"\r\r\nERROR\r\n");
    EXPECT_EQ(device.modem().service[9].get("address"), "");
    EXPECT_EQ(askShort(readRequest('A'), "ERROR\r\n"), "\r\nERROR\r\n");
}

TEST_F(DevsimTest, DelayedChunkedFloodedAndGarbledAnswers) {
    devsim::ModemState modem;
    modem.echo = false;
    device.setModem(modem);
    devsim::Faults faults;
    faults.delayMs = 250;
    faults.chunks = 3;
    faults.chunkGapMs = 80;
    faults.garbage = "#~";
    faults.floodTo = 700;
    device.setFaults(faults);
    const auto start = std::chrono::steady_clock::now();
    line.send("AT\r\n");
    const std::string got = line.receive(3000, 700);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(250 + 2 * 80));
    ASSERT_EQ(got.size(), 700u);
    EXPECT_EQ(got.substr(0, 8), "#~\r\nOK\r\n");
    const std::vector<devsim::Chunk> chunks = device.sentChunks();
    ASSERT_EQ(chunks.size(), 3u);
    // Each piece is timed from when the one before it left: load can stretch a gap, never
    // shorten it (the log's times are whole milliseconds, hence the one spared).
    for (size_t i = 1; i < chunks.size(); ++i) {
        EXPECT_GE(chunks[i].atMs - chunks[i - 1].atMs, 79u);
        EXPECT_LT(chunks[i].atMs - chunks[i - 1].atMs, 200u);
    }
    EXPECT_NE(got.find('\x11'), std::string::npos) << "the filler carries XON and XOFF";
    EXPECT_NE(got.find('\x13'), std::string::npos);
}

TEST_F(DevsimTest, ReceivedBytesAreLoggedWithTimes) {
    line.send("AT");
    ASSERT_TRUE(device.waitForBytes(2, 1000));
    line.send("E0\r\n");
    ASSERT_TRUE(device.waitForText("ATE0\r\n", 1000));
    EXPECT_EQ(device.received(), "ATE0\r\n");
    const std::vector<devsim::Chunk> chunks = device.receivedChunks();
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_LE(chunks.front().atMs, chunks.back().atMs);
    EXPECT_FALSE(device.waitForBytes(100, 50));
}

TEST_F(DevsimTest, AVanishedDeviceHangsUpTheLine) {
    device.vanish();
    char byte;
    pollfd p = {line.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 1000), 1);
    EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0);
    EXPECT_LE(read(line.fd(), &byte, 1), 0);
}

// --- the program ---------------------------------------------------------------------------

// tarnwick-devsim started by the shell as a test script starts it; `device` is the path it
// prints first, empty when it printed none.
struct RunningDevsim {
    explicit RunningDevsim(const std::string& command) {
        int out[2];
        if (pipe(out) != 0) return;
        child = fork();
        if (child == 0) {
            dup2(out[1], 1);
            execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        stream = fdopen(out[0], "r");
        char path[256] = {};
        if (child < 0 || stream == nullptr || fgets(path, sizeof path, stream) == nullptr) return;
        device = path;
        if (!device.empty() && device.back() == '\n') device.pop_back();
        else device.clear();
    }
    // SIGTERM, then its exit code; -1 when it did not end by exit.
    int stop() {
        if (child <= 0) return -1;
        kill(child, SIGTERM);
        int status = 0;
        waitpid(child, &status, 0);
        child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ~RunningDevsim() {
        stop();
        if (stream != nullptr) fclose(stream);
    }
    RunningDevsim(const RunningDevsim&) = delete;
    RunningDevsim& operator=(const RunningDevsim&) = delete;

    pid_t child = -1;
    FILE* stream = nullptr;
    std::string device;
};

TEST(DevsimProgramTest, RegistersItsDeviceAsComNAndRemovesItOnSigterm) {
    testline::TempDir ports;
    const std::string command =
        std::string(DEVSIM_PROGRAM) + " --register COM7 --ports " + ports.path() + "/p --period 9";
    RunningDevsim running(command);
    const std::string device = running.device;
    ASSERT_FALSE(device.empty()) << "tarnwick-devsim printed no device";
    const std::string link = ports.path() + "/p/COM7";
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(device, target);

    {
        RawLine line(link);
        const std::string answer = line.ask(readRequest('A'), "\r\n");
        EXPECT_EQ(static_cast<uint8_t>(answer.at(4)), 9);
    }
    EXPECT_EQ(running.stop(), 0) << "SIGTERM ends it cleanly";
    struct stat info;
    EXPECT_NE(lstat(link.c_str(), &info), 0);
}

// A shell test changes the running program through its control file: the new values hold from
// the next look at the file, within a few tens of milliseconds.
TEST(DevsimProgramTest, TakesNewValuesFromItsControlFileWhileItRuns) {
    testline::TempDir folder;
    const std::string control = folder.path() + "/control";
    std::ofstream(control) << "signal 20\nregistration roaming\n";
    const std::string command = std::string(DEVSIM_PROGRAM) + " --control " + control;
    RunningDevsim running(command);
    const std::string device = running.device;
    ASSERT_FALSE(device.empty()) << "tarnwick-devsim printed no device";
    {
        RawLine line(device);
        EXPECT_EQ(line.ask("AT+CSQ\r\n", "OK\r\n"), "AT+CSQ\r\r\n+CSQ: 20,99\r\n\r\nOK\r\n") << "in force from the start";
        EXPECT_EQ(line.ask("AT+CREG?\r\n", "OK\r\n"), "AT+CREG?\r\r\n+CREG: 0,5\r\n\r\nOK\r\n");
        std::ofstream(control) << "# a weaker signal\nsignal 4\nnonsense here\nsim absent\n";
        std::string answer;
        for (int tries = 0; tries < 200 && answer.find("+CSQ: 4,") == std::string::npos; ++tries)
            answer = line.ask("AT+CSQ\r\n", "OK\r\n");
        EXPECT_EQ(answer, "AT+CSQ\r\r\n+CSQ: 4,99\r\n\r\nOK\r\n");
        EXPECT_EQ(line.ask("AT+CPIN?\r\n", "ERROR\r\n"), "AT+CPIN?\r\r\nERROR\r\n") << "the lines after a bad one count";
    }
    EXPECT_EQ(running.stop(), 0) << "SIGTERM ends it cleanly";
}

}  // namespace
