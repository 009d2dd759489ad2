// What the status check's answers mean, as every front end shows them: the signal's bands at
// their edges, every registration code, the error codes, the verdict when several problems
// hold at once, and the lines of a check.
#include "modem/status_meaning.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

using namespace tarnwick;

namespace {

std::string signal(int rssi) {
    char text[64];
    signalText(rssi, text, sizeof text);
    return text;
}

TEST(StatusMeaningTest, SignalInDbmAndInAWordAtEveryEdge) {
    const struct {
        int rssi;
        const char* text;
    } byRssi[] = {
        {0, "0 = -113 dBm or less (poor)"}, {1, "1 = -111 dBm (poor)"},      {9, "9 = -95 dBm (poor)"},
        {10, "10 = -93 dBm (fair)"},        {14, "14 = -85 dBm (fair)"},     {15, "15 = -83 dBm (good)"},
        {19, "19 = -75 dBm (good)"},        {20, "20 = -73 dBm (excellent)"}, {31, "31 = -51 dBm or more (excellent)"},
        {99, "99 = unknown"},               {32, "32 = unknown"},            {-1, "-1 = unknown"},
    };
    for (const auto& c : byRssi) EXPECT_EQ(signal(c.rssi), c.text) << c.rssi;

    // The band limits themselves, also where no rssi lands (+CSQ only gives odd dBm).
    const struct {
        int dbm;
        SignalWord word;
    } byDbm[] = {
        {-51, SignalWord::excellent}, {-73, SignalWord::excellent}, {-74, SignalWord::good}, {-83, SignalWord::good},
        {-84, SignalWord::fair},      {-93, SignalWord::fair},      {-94, SignalWord::poor}, {-113, SignalWord::poor},
    };
    for (const auto& c : byDbm) EXPECT_EQ(int(signalWordOfDbm(c.dbm)), int(c.word)) << c.dbm;
    EXPECT_EQ(signalWord(99), SignalWord::unknown);
    EXPECT_STREQ(signalWordText(SignalWord::unknown), "unknown");
    // The table the docs quote, from the best down.
    ASSERT_EQ(signalBandCount, 3u);
    EXPECT_EQ(signalBands[0].lowestDbm, -73);
    EXPECT_EQ(signalBands[1].lowestDbm, -83);
    EXPECT_EQ(signalBands[2].lowestDbm, -93);
}

TEST(StatusMeaningTest, EveryRegistrationCodeHasItsWords) {
    const struct {
        int stat;
        const char* text;
        bool holds;
    } cases[] = {
        {0, "not registered", false},
        {1, "home", true},
        {2, "searching", false},
        {3, "denied", false},
        {4, "unknown", false},
        {5, "roaming", true},
        {6, "SMS only (home)", true},
        {7, "SMS only (roaming)", true},
        {8, "emergency only", false},
        {9, "CSFB not preferred (home)", true},
        {10, "CSFB not preferred (roaming)", true},
        {11, nullptr, false},
        {-1, nullptr, false},
    };
    for (const auto& c : cases) {
        const char* text = registrationText(c.stat);
        EXPECT_EQ(text == nullptr ? std::string("(null)") : std::string(text), c.text == nullptr ? "(null)" : c.text);
        EXPECT_EQ(registrationHolds(c.stat), c.holds) << c.stat;
    }
}

TEST(StatusMeaningTest, ErrorCodesAndTheirVerboseWords) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {10, "SIM not inserted"}, {11, "SIM PIN required"},   {12, "SIM PUK required"},   {13, "SIM failure"},
        {14, "SIM busy"},         {15, "SIM wrong"},          {16, "incorrect password"}, {30, "no network service"},
        {31, "network timeout"},  {32, "network not allowed - emergency calls only"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(cmeErrorText(c.code), nullptr) << c.code;
        EXPECT_STREQ(cmeErrorText(c.code), c.text);
        const std::string text = c.text;
        EXPECT_EQ(cmeErrorOfText(reinterpret_cast<const uint8_t*>(text.data()), text.size()), c.code);
    }
    EXPECT_EQ(cmeErrorText(77), nullptr);
    for (const std::string text : {"sim NOT inserted", "SIM", "SIM not inserted!", ""}) {
        const int expected = text == "sim NOT inserted" ? 10 : -1;
        EXPECT_EQ(cmeErrorOfText(reinterpret_cast<const uint8_t*>(text.data()), text.size()), expected) << text;
    }
}

// A modem that answered everything, on its home network and attached.
ModemStatus readyStatus() {
    ModemStatus s;
    for (ItemState& state : s.states) state = ItemState::answered;
    s.modemAnswered = true;
    s.sim = SimState::ready;
    std::snprintf(s.simCode, sizeof s.simCode, "READY");
    s.rssi = 13;
    s.registration = 1;
    s.packetRegistration = 1;
    std::snprintf(s.operatorName, sizeof s.operatorName, "MegaFon");
    s.attached = 1;
    std::snprintf(s.imei, sizeof s.imei, "352099001761481");
    std::snprintf(s.imsi, sizeof s.imsi, "250017012345678");
    std::snprintf(s.iccid, sizeof s.iccid, "89701012345678901234");
    return s;
}

void fail(ModemStatus& s, StatusItem item, ItemState state, int cme = -1) {
    s.states[size_t(item)] = state;
    s.cmeErrors[size_t(item)] = cme;
}

TEST(StatusMeaningTest, TheVerdictIsTheFirstProblemThatBlocks) {
    using Change = std::function<void(ModemStatus&)>;
    const struct {
        const char* what;
        Change change;
        Verdict verdict;
    } cases[] = {
        {"all well", [](ModemStatus&) {}, Verdict::ready},
        {"roaming", [](ModemStatus& s) { s.registration = s.packetRegistration = 5; }, Verdict::ready},
        {"registered for SMS only, attached", [](ModemStatus& s) { s.registration = s.packetRegistration = 6; }, Verdict::ready},
        {"a weak signal blocks nothing", [](ModemStatus& s) { s.rssi = 3; }, Verdict::ready},
        {"no signal figure while attached (a modem on LTE)", [](ModemStatus& s) { s.rssi = 99; }, Verdict::ready},
        {"nothing asked", [](ModemStatus& s) { s = ModemStatus{}; }, Verdict::notChecked},
        {"nothing answered",
         [](ModemStatus& s) {
             s = ModemStatus{};
             for (ItemState& state : s.states) state = ItemState::noAnswer;
         },
         Verdict::noAnswer},
        {"no SIM, not registered, no signal, detached",
         [](ModemStatus& s) {
             fail(s, StatusItem::sim, ItemState::notAvailable, 10);
             s.sim = SimState::absent;
             s.registration = s.packetRegistration = 0;
             s.rssi = 99;
             s.attached = 0;
         },
         Verdict::noSim},
        {"PIN wanted and denied", [](ModemStatus& s) { s.sim = SimState::pin; s.registration = s.packetRegistration = 3; }, Verdict::simPin},
        {"PUK wanted", [](ModemStatus& s) { s.sim = SimState::puk; }, Verdict::simPuk},
        {"PH-SIM PIN wanted", [](ModemStatus& s) { s.sim = SimState::otherPin; }, Verdict::simLocked},
        {"SIM busy", [](ModemStatus& s) { s.sim = SimState::busy; }, Verdict::simBusy},
        {"SIM failure", [](ModemStatus& s) { s.sim = SimState::failure; }, Verdict::simFailure},
        {"SIM not told", [](ModemStatus& s) { fail(s, StatusItem::sim, ItemState::noAnswer); s.sim = SimState::unknown; }, Verdict::simUnknown},
        {"searching with no signal, detached",
         [](ModemStatus& s) { s.registration = s.packetRegistration = 2; s.rssi = 99; s.attached = 0; }, Verdict::searching},
        {"denied, detached", [](ModemStatus& s) { s.registration = s.packetRegistration = 3; s.attached = 0; }, Verdict::denied},
        {"not registered, not searching", [](ModemStatus& s) { s.registration = s.packetRegistration = 0; s.attached = 0; }, Verdict::notRegistered},
        {"registration state unknown", [](ModemStatus& s) { s.registration = s.packetRegistration = 4; }, Verdict::notRegistered},
        {"emergency calls only", [](ModemStatus& s) { s.registration = s.packetRegistration = 8; }, Verdict::notRegistered},
        {"a code past 10", [](ModemStatus& s) { s.registration = s.packetRegistration = 11; }, Verdict::notRegistered},
        {"neither registration told",
         [](ModemStatus& s) {
             fail(s, StatusItem::registration, ItemState::noAnswer);
             fail(s, StatusItem::packetRegistration, ItemState::notAvailable);
         },
         Verdict::registrationUnknown},
        {"packet registration refused: circuit home counts",
         [](ModemStatus& s) { fail(s, StatusItem::packetRegistration, ItemState::notAvailable); s.packetRegistration = -1; }, Verdict::ready},
        {"packet registration refused: circuit searching counts",
         [](ModemStatus& s) { fail(s, StatusItem::packetRegistration, ItemState::notAvailable); s.registration = 2; }, Verdict::searching},
        {"packet roaming wins over circuit searching", [](ModemStatus& s) { s.registration = 2; s.packetRegistration = 5; }, Verdict::ready},
        {"packet searching wins over circuit home while attached", [](ModemStatus& s) { s.packetRegistration = 2; }, Verdict::searching},
        {"on the network for calls, packet side detached",
         [](ModemStatus& s) { s.packetRegistration = 0; s.attached = 0; }, Verdict::notAttached},
        {"... and no signal figure", [](ModemStatus& s) { s.packetRegistration = 0; s.attached = 0; s.rssi = 99; }, Verdict::noSignal},
        {"packet denied while on the network for calls", [](ModemStatus& s) { s.packetRegistration = 3; s.attached = 0; }, Verdict::denied},
        {"registered, no signal, detached", [](ModemStatus& s) { s.rssi = 99; s.attached = 0; }, Verdict::noSignal},
        {"registered, signal not told, detached",
         [](ModemStatus& s) { fail(s, StatusItem::signal, ItemState::noAnswer); s.attached = 0; }, Verdict::notAttached},
        {"registered, detached", [](ModemStatus& s) { s.attached = 0; }, Verdict::notAttached},
        {"attach not told", [](ModemStatus& s) { fail(s, StatusItem::attached, ItemState::noAnswer); s.attached = -1; }, Verdict::attachUnknown},
        {"attach not told, no signal",
         [](ModemStatus& s) { fail(s, StatusItem::attached, ItemState::notAvailable); s.attached = -1; s.rssi = 99; }, Verdict::noSignal},
    };
    for (const auto& c : cases) {
        ModemStatus status = readyStatus();
        c.change(status);
        EXPECT_EQ(int(statusVerdict(status)), int(c.verdict)) << c.what << ": " << verdictText(statusVerdict(status)).reason;
    }
}

TEST(StatusMeaningTest, EveryVerdictHasAReasonAndOneLineOfAdviceInAscii) {
    for (size_t v = 0; v < verdictCount; ++v) {
        const VerdictText& text = verdictText(static_cast<Verdict>(v));
        for (const char* part : {text.reason, text.advice}) {
            ASSERT_NE(part, nullptr);
            EXPECT_GT(std::strlen(part), 1u) << v;
            for (const char* c = part; *c != '\0'; ++c) EXPECT_TRUE(*c >= 0x20 && *c < 0x7F) << part;
        }
    }
    EXPECT_STREQ(verdictText(Verdict::ready).reason, "ready");
    EXPECT_STREQ(verdictText(Verdict::searching).advice, "check the antenna and the coverage");
    EXPECT_STREQ(verdictText(Verdict::noSim).reason, "no SIM");
    EXPECT_STREQ(verdictText(static_cast<Verdict>(200)).reason, "not checked");
}

std::string lines(const ModemStatus& status) {
    char text[statusLinesCapacity];
    statusLines(status, text, sizeof text);
    return text;
}

TEST(StatusMeaningTest, TheLinesOfACheck) {
    ModemStatus status = readyStatus();
    status.packetRegistration = 5;
    EXPECT_EQ(lines(status),
              "SIM: ready\n"
              "signal: 13 = -87 dBm (fair)\n"
              "registration: home\n"
              "packet registration: roaming\n"
              "operator: MegaFon\n"
              "attached: yes\n"
              "IMEI: 352099001761481\n"
              "IMSI: 250017012345678\n"
              "ICCID: 89701012345678901234\n");

    fail(status, StatusItem::sim, ItemState::notAvailable, 10);
    fail(status, StatusItem::signal, ItemState::notAvailable, 77);
    fail(status, StatusItem::registration, ItemState::notAvailable, cmeNoValue);
    fail(status, StatusItem::packetRegistration, ItemState::notAvailable);
    fail(status, StatusItem::operatorName, ItemState::noAnswer);
    fail(status, StatusItem::attached, ItemState::notAsked);
    fail(status, StatusItem::imsi, ItemState::notAvailable, 11);
    fail(status, StatusItem::iccid, ItemState::notAvailable);
    status.iccidWords[0] = 148;
    status.iccidWords[1] = 4;
    EXPECT_EQ(lines(status),
              "SIM: not available (+CME ERROR: 10, SIM not inserted)\n"
              "signal: not available (+CME ERROR: 77)\n"
              "registration: not available (no value)\n"
              "packet registration: not available (ERROR)\n"
              "operator: no answer\n"
              "attached: not asked\n"
              "IMEI: 352099001761481\n"
              "IMSI: not available (+CME ERROR: 11, SIM PIN required)\n"
              "ICCID: not available (SIM answered 148,4)\n");

    // Values as a modem may give them: a lock code, no operator, a control byte in a name, a
    // registration code past the table, an attach state that is neither.
    status = readyStatus();
    status.sim = SimState::otherPin;
    std::snprintf(status.simCode, sizeof status.simCode, "PH-SIM PIN");
    status.operatorName[0] = '\0';
    status.registration = 12;
    status.attached = 2;
    const std::string values = lines(status);
    EXPECT_NE(values.find("SIM: PH-SIM PIN wanted\n"), std::string::npos) << values;
    EXPECT_NE(values.find("operator: none\n"), std::string::npos);
    EXPECT_NE(values.find("registration: code 12\n"), std::string::npos);
    EXPECT_NE(values.find("attached: code 2\n"), std::string::npos);
    std::snprintf(status.operatorName, sizeof status.operatorName, "Mega\rFon");
    char line[statusLineCapacity];
    statusItemLine(status, StatusItem::operatorName, line, sizeof line);
    EXPECT_STREQ(line, "operator: Mega?Fon");
    // A line cut to its room stays terminated.
    EXPECT_EQ(statusItemLine(status, StatusItem::iccid, line, 10), 9u);
    EXPECT_STREQ(line, "ICCID: 89");
}

}  // namespace
