// The modem status check against a modem on the fake link: the exact bytes in order, the error
// mode read and put back, a deadline per item with the check going on, refused items, a start
// refused beside another job, giving way to one, and the trace of a whole check.
#include <map>
#include <string>
#include <vector>

#include "app/trace_decode.h"
#include "base/job_report.h"
#include "base/trace.h"
#include "modem/identity_job.h"
#include "modem/status_answers.h"
#include "modem/status_job.h"
#include "modem/status_meaning.h"
#include "modem_link.h"

using namespace tarnwick;
using jobs::errorAnswer;
using jobs::line;
using jobs::okAnswer;

namespace {

std::string info(const std::string& text) { return "\r\n" + text + "\r\n" + okAnswer; }
std::string cme(int code) { return "\r\n+CME ERROR: " + std::to_string(code) + "\r\n"; }

// A modem that answers the status commands, in error mode 0 unless told otherwise; `answers`
// replaces single answers ("" = silence), `echo` puts each command line back in front.
struct StatusModem {
    std::map<std::string, std::string> answers = {
        {line("AT+CMEE?"), info("+CMEE: 0")},
        {line("AT+CMEE=0"), okAnswer},
        {line("AT+CMEE=1"), okAnswer},
        {line("AT+CMEE=2"), okAnswer},
        {line("AT+CPIN?"), info("+CPIN: READY")},
        {line("AT+CSQ"), info("+CSQ: 13,99")},
        {line("AT+CREG?"), info("+CREG: 0,1")},
        {line("AT+CGREG?"), info("+CGREG: 0,1")},
        {line("AT+COPS?"), info("+COPS: 0,0,\"MegaFon\",0")},
        {line("AT+CGATT?"), info("+CGATT: 1")},
        {line("AT+CGSN"), info("352099001761481")},
        {line("AT+CIMI"), info("250017012345678")},
        {line("AT+CRSM=176,12258,0,0,10"), info("+CRSM: 144,0,\"98070121436587092143\"")},
    };
    bool echo = false;

    std::string operator()(const std::string& command) const {
        const auto found = answers.find(command);
        const std::string answer = found != answers.end() ? found->second : std::string();
        if (!echo || answer.empty() || command == line("+++")) return answer;
        return command.substr(0, command.size() - 1) + answer;  // the CR echoed, the LF not
    }
};

const std::vector<std::string> checkCommands = {
    line("+++"),      line("AT+CMEE?"), line("AT+CMEE=1"), line("AT+CPIN?"),
    line("AT+CSQ"),   line("AT+CREG?"), line("AT+CGREG?"), line("AT+COPS?"),
    line("AT+CGATT?"), line("AT+CGSN"), line("AT+CIMI"),  line("AT+CRSM=176,12258,0,0,10"),
    line("AT+CMEE=0"),
};

// Everything the check may ever send: reads, and the error mode set and put back.
bool readsOnly(const std::string& command) {
    for (const std::string& allowed : checkCommands)
        if (command == allowed) return true;
    return command == line("AT+CMEE=2");
}

uint32_t stepsUpTo(int last) { return (1u << (last + 1)) - 1; }

class StatusJobTest : public jobs::ModemTest {
protected:
    void SetUp() override {
        ModemTest::SetUp();
        resetTrace();
    }

    // Raises the check and ticks until it rests again.
    void check(const StatusModem& modem) {
        respond = modem;
        modemStatusJob.trigger = 1;
        for (int guard = 0; guard < 1000 && (modemStatusJob.trigger != 0 || modemStatusJob.state != 0); ++guard) tick();
        ASSERT_EQ(modemStatusJob.trigger, 0) << "the check never ended";
        ASSERT_EQ(modemStatusJob.state, 0);
        for (const std::string& command : commands()) EXPECT_TRUE(readsOnly(command)) << command;
    }
    std::vector<uint32_t> sendTicks() const {
        std::vector<uint32_t> out;
        for (const jobs::Sent& s : sent) out.push_back(s.tick);
        return out;
    }
    static const ModemStatus& found() { return modemStatus(); }
    static ItemState state(StatusItem item) { return found().states[size_t(item)]; }
    static Verdict verdict() { return statusVerdict(found()); }
    static const JobReport& report() { return jobReport(modemStatusJob); }
};

TEST_F(StatusJobTest, AWholeCheckGoesOutInOrderOneCommandATick) {
    check(StatusModem{});
    ASSERT_EQ(commands(), checkCommands);
    EXPECT_EQ(sendTicks(), (std::vector<uint32_t>{1, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33}));
    EXPECT_EQ(tickCount, 35u) << "done on the tick that sees the error mode put back";
    for (ItemState s : found().states) EXPECT_EQ(s, ItemState::answered);
    EXPECT_EQ(found().rssi, 13);
    EXPECT_EQ(found().registration, 1);
    EXPECT_STREQ(found().operatorName, "MegaFon");
    EXPECT_STREQ(found().imei, "352099001761481");
    EXPECT_STREQ(found().imsi, "250017012345678");
    EXPECT_STREQ(found().iccid, "89701012345678901234");
    EXPECT_EQ(found().errorMode, 0);
    EXPECT_EQ(verdict(), Verdict::ready);
    EXPECT_TRUE(report().escapeSent);
    EXPECT_EQ(report().stepsSent, stepsUpTo(11));
    EXPECT_EQ(report().stepsRefused, 0u);
    EXPECT_EQ(report().deadlineStep, noStep);
    EXPECT_EQ(report().ending, JobEnding::ok);
    EXPECT_TRUE(jobsAtRest());
}

TEST_F(StatusJobTest, AModemThatEchoesIsUnderstoodAsOneThatDoesNot) {
    StatusModem modem;
    modem.echo = true;
    check(modem);
    EXPECT_EQ(commands(), checkCommands);
    EXPECT_EQ(verdict(), Verdict::ready);
    EXPECT_STREQ(found().iccid, "89701012345678901234");
    EXPECT_EQ(found().packetRegistration, 1);
}

// The error mode is read first and put back as it was found; a mode that is already numeric,
// or one that cannot be read or set, is left alone.
TEST_F(StatusJobTest, TheErrorModeIsPutBackAsItWasFound) {
    const struct {
        const char* what;
        std::string read;       // the answer to AT+CMEE?
        std::string set;        // ... to AT+CMEE=1
        std::vector<std::string> front;  // the commands after the escape, up to AT+CPIN?
        std::string last;       // the last command sent
        uint32_t refused;
    } cases[] = {
        {"plain ERROR", info("+CMEE: 0"), okAnswer, {line("AT+CMEE?"), line("AT+CMEE=1")}, line("AT+CMEE=0"), 0},
        {"verbose", info("+CMEE: 2"), okAnswer, {line("AT+CMEE?"), line("AT+CMEE=1")}, line("AT+CMEE=2"), 0},
        {"already numeric", info("+CMEE: 1"), okAnswer, {line("AT+CMEE?")}, line("AT+CRSM=176,12258,0,0,10"), 0},
        {"a vendor's own mode", info("+CMEE: 3"), okAnswer, {line("AT+CMEE?")}, line("AT+CRSM=176,12258,0,0,10"), 0},
        {"no CMEE at all", errorAnswer, okAnswer, {line("AT+CMEE?")}, line("AT+CRSM=176,12258,0,0,10"), 1u << 0},
        {"numeric errors refused", info("+CMEE: 0"), errorAnswer, {line("AT+CMEE?"), line("AT+CMEE=1")},
         line("AT+CRSM=176,12258,0,0,10"), 1u << 1},
        {"numeric errors unanswered", info("+CMEE: 0"), "", {line("AT+CMEE?"), line("AT+CMEE=1")}, line("AT+CMEE=0"), 0},
    };
    for (const auto& c : cases) {
        SetUp();
        SCOPED_TRACE(c.what);
        StatusModem modem;
        modem.answers[line("AT+CMEE?")] = c.read;
        modem.answers[line("AT+CMEE=1")] = c.set;
        check(modem);
        const std::vector<std::string> sentNow = commands();
        ASSERT_GT(sentNow.size(), c.front.size() + 1);
        EXPECT_EQ(std::vector<std::string>(sentNow.begin() + 1, sentNow.begin() + 1 + c.front.size()), c.front);
        EXPECT_EQ(sentNow[1 + c.front.size()], line("AT+CPIN?"));
        EXPECT_EQ(sentNow.back(), c.last);
        EXPECT_EQ(report().stepsRefused, c.refused);
        EXPECT_EQ(verdict(), Verdict::ready);
    }
}

// An item without an answer in time is "no answer" and the next one goes out on that tick.
TEST_F(StatusJobTest, EachItemHasItsDeadlineAndTheCheckGoesOn) {
    StatusModem modem;
    modem.answers[line("AT+CSQ")] = "";
    modem.answers[line("AT+CIMI")] = "";
    check(modem);
    ASSERT_EQ(commands(), checkCommands);
    const std::vector<uint32_t> at = sendTicks();
    EXPECT_EQ(at[5], at[4] + 61) << "AT+CREG? 3.2 s after AT+CSQ";
    EXPECT_EQ(at[11], at[10] + 61) << "AT+CRSM after AT+CIMI";
    EXPECT_EQ(state(StatusItem::signal), ItemState::noAnswer);
    EXPECT_EQ(state(StatusItem::imsi), ItemState::noAnswer);
    EXPECT_EQ(state(StatusItem::registration), ItemState::answered);
    EXPECT_EQ(found().rssi, 99);
    EXPECT_EQ(report().deadlineStep, 3) << "the first step that ran out";
    EXPECT_EQ(report().ending, JobEnding::ok);
    EXPECT_EQ(verdict(), Verdict::ready) << "neither blocks a unit that is registered and attached";

    // An answer seen on the tick its deadline passes is too late.
    SetUp();
    respond = modem;
    modemStatusJob.trigger = 1;
    while (sent.empty() || sent.back().bytes != line("AT+CSQ")) tick();
    tickUntil(sent.back().tick + 61);
    answer(info("+CSQ: 20,99"));
    tick();
    EXPECT_EQ(sent.back().bytes, line("AT+CREG?"));
    EXPECT_EQ(state(StatusItem::signal), ItemState::noAnswer);
}

// Nothing at all comes back: the first command has the full time, every later one the short
// time, and nothing is set, so nothing is put back.
TEST_F(StatusJobTest, AModemThatAnswersNothingIsDoneInTwelveSeconds) {
    respond = nullptr;
    modemStatusJob.trigger = 1;
    for (int guard = 0; guard < 1000 && modemStatusJob.trigger != 0; ++guard) tick();
    std::vector<std::string> expected = checkCommands;
    expected.erase(expected.begin() + 2);  // no AT+CMEE=1
    expected.pop_back();                   // nothing to put back
    EXPECT_EQ(commands(), expected);
    EXPECT_EQ(sendTicks(), (std::vector<uint32_t>{1, 22, 83, 99, 115, 131, 147, 163, 179, 195, 211}));
    EXPECT_EQ(tickCount, 228u) << tickCount * 54 << " ms";
    for (ItemState s : found().states) EXPECT_EQ(s, ItemState::noAnswer);
    EXPECT_FALSE(found().modemAnswered);
    EXPECT_EQ(verdict(), Verdict::noAnswer);
    EXPECT_EQ(report().ending, JobEnding::noAnswer);
    EXPECT_EQ(report().deadlineStep, 0);
}

// A modem that answers late, but within the query's time, is not cut off; one that first
// said nothing and then answers gets the full time again from its first answer on.
TEST_F(StatusJobTest, ASlowModemThatAnswersIsNotCutOff) {
    for (const uint32_t late : {58u, 12u}) {
        SetUp();
        SCOPED_TRACE(late);
        const StatusModem modem;
        modemStatusJob.trigger = 1;
        std::vector<std::pair<uint32_t, std::string>> due;
        bool first = true;
        for (int guard = 0; guard < 2000 && modemStatusJob.trigger != 0; ++guard) {
            const size_t before = sent.size();
            tick();
            for (size_t i = before; i < sent.size(); ++i) {
                // The silent case: no answer to AT+CMEE? at all.
                if (late == 12u && first && sent[i].bytes == line("AT+CMEE?")) continue;
                if (sent[i].bytes == line("AT+CMEE?")) first = false;
                const std::string answer = modem(sent[i].bytes);
                if (!answer.empty()) due.push_back({tickCount + late, answer});
            }
            for (auto it = due.begin(); it != due.end();)
                if (it->first == tickCount) {
                    answer(it->second);
                    it = due.erase(it);
                } else {
                    ++it;
                }
        }
        for (size_t k = 0; k < statusItemCount; ++k)
            EXPECT_EQ(found().states[k], ItemState::answered) << statusItemName(StatusItem(k));
        EXPECT_EQ(verdict(), Verdict::ready);
    }
}

TEST_F(StatusJobTest, RefusedItemsAreNotAvailableWithTheirErrors) {
    StatusModem modem;
    modem.answers[line("AT+CPIN?")] = cme(10);
    modem.answers[line("AT+CSQ")] = info("+CSQ: 9,99");
    modem.answers[line("AT+CREG?")] = info("+CREG: 0,0");
    modem.answers[line("AT+CGREG?")] = errorAnswer;
    modem.answers[line("AT+COPS?")] = info("+COPS: 0");
    modem.answers[line("AT+CGATT?")] = info("+CGATT: 0");
    modem.answers[line("AT+CIMI")] = cme(10);
    modem.answers[line("AT+CRSM=176,12258,0,0,10")] = "\r\n+CME ERROR: SIM not inserted\r\n";
    check(modem);
    EXPECT_EQ(commands(), checkCommands);
    EXPECT_EQ(found().sim, SimState::absent);
    EXPECT_EQ(state(StatusItem::sim), ItemState::notAvailable);
    EXPECT_EQ(found().cmeErrors[size_t(StatusItem::sim)], 10);
    EXPECT_EQ(state(StatusItem::packetRegistration), ItemState::notAvailable);
    EXPECT_EQ(found().cmeErrors[size_t(StatusItem::packetRegistration)], -1);
    EXPECT_EQ(found().cmeErrors[size_t(StatusItem::iccid)], 10) << "read back from its words";
    EXPECT_EQ(state(StatusItem::operatorName), ItemState::answered);
    EXPECT_STREQ(found().operatorName, "");
    EXPECT_EQ(state(StatusItem::imei), ItemState::answered);
    const uint32_t refused = 1u << stepOfItem(StatusItem::sim) | 1u << stepOfItem(StatusItem::packetRegistration) |
                             1u << stepOfItem(StatusItem::imsi) | 1u << stepOfItem(StatusItem::iccid);
    EXPECT_EQ(report().stepsRefused, refused);
    EXPECT_EQ(verdict(), Verdict::noSim);

    // A SIM that wants its PIN: the IMSI is locked away, the ICCID is not.
    SetUp();
    modem = StatusModem{};
    modem.answers[line("AT+CPIN?")] = info("+CPIN: SIM PIN");
    modem.answers[line("AT+CIMI")] = cme(11);
    check(modem);
    EXPECT_EQ(found().sim, SimState::pin);
    EXPECT_STREQ(found().simCode, "SIM PIN");
    EXPECT_EQ(found().cmeErrors[size_t(StatusItem::imsi)], 11);
    EXPECT_STREQ(found().imsi, "");
    EXPECT_STREQ(found().iccid, "89701012345678901234");
    EXPECT_EQ(verdict(), Verdict::simPin);
    EXPECT_EQ(found().cmeErrors[size_t(StatusItem::sim)], -1) << "reset when the check left rest";
}

TEST_F(StatusJobTest, AnAnswerInPiecesIsTakenOnceItsOkHasCome) {
    modemStatusJob.trigger = 1;
    tickUntil(23);  // AT+CMEE? has gone out
    answer(info("+CMEE: 1"));
    tick();
    ASSERT_EQ(sent.back().bytes, line("AT+CPIN?"));
    answer("AT+CPIN?\r");
    answer("\r\n+CPIN: READY\r\n");
    ticks(3);
    EXPECT_EQ(sent.back().bytes, line("AT+CPIN?")) << "still waiting for the OK";
    answer(okAnswer);
    tick();
    EXPECT_EQ(sent.back().bytes, line("AT+CSQ"));
    EXPECT_EQ(found().sim, SimState::ready);
}

// The check refuses to start beside any other job; none of the twelve looks at its trigger.
TEST_F(StatusJobTest, TheCheckRefusesToStartBesideAnotherJob) {
    const int buttons[] = {idModemRead, idModemWrite, readButtonOf(0), writeButtonOf(2), readButtonOf(4)};
    for (int button : buttons) {
        SetUp();
        SCOPED_TRACE(button);
        type(valueBoxOf(2), "89160000000");
        press(button);
        modemStatusJob.trigger = 1;
        tick();
        EXPECT_EQ(modemStatusJob.trigger, 0);
        EXPECT_EQ(modemStatusJob.state, 0);
        EXPECT_EQ(report().ending, JobEnding::refusedToStart);
        EXPECT_FALSE(jobsAtRest()) << "the other job started all the same";
    }
    SetUp();
    modemIdentityJob.trigger = 1;
    modemStatusJob.trigger = 1;
    tick();
    EXPECT_EQ(report().ending, JobEnding::refusedToStart);
    EXPECT_NE(modemIdentityJob.state, 0);
}

// Another job that starts while a check runs has the line: the check stops asking and puts
// the error mode back on that tick, before that job's first byte.
TEST_F(StatusJobTest, TheCheckGivesWayToAJobThatStartsAndPutsTheErrorModeBackFirst) {
    respond = StatusModem{};
    modemStatusJob.trigger = 1;
    tickUntil(26);  // AT+CSQ sent on tick 25, its answer not yet looked at
    ASSERT_EQ(sent.back().bytes, line("AT+CSQ"));
    press(readButtonOf(0));
    tick();
    EXPECT_EQ(modemStatusJob.state, 0);
    EXPECT_EQ(report().ending, JobEnding::gaveWay);
    EXPECT_EQ(sent.back().bytes, line("AT+CMEE=0"));
    EXPECT_EQ(sent.back().tick, 26u);
    tick();
    EXPECT_EQ(sent.back().bytes.substr(0, 4), jobs::unitAnswer("N")) << "then the unit's read";
    EXPECT_EQ(state(StatusItem::signal), ItemState::noAnswer) << "its answer was not waited for";
    EXPECT_EQ(state(StatusItem::sim), ItemState::answered);
    EXPECT_EQ(state(StatusItem::registration), ItemState::notAsked);

    // Before anything was changed there is nothing to put back.
    SetUp();
    respond = StatusModem{};
    modemStatusJob.trigger = 1;
    tickUntil(10);
    press(idModemRead);
    tick();
    EXPECT_EQ(report().ending, JobEnding::gaveWay);
    EXPECT_EQ(commands(), (std::vector<std::string>{line("+++")}));
}

// The twelve jobs' traffic holds none of the status commands, and stepping the check at rest
// changes none of their ticks.
TEST_F(StatusJobTest, TheTwelveJobsNeverSendAStatusCommand) {
    jobs::Modem modem;
    respond = [modem](const std::string& command) {
        if (command.size() > 3 && command[0] == '\x0A') return jobs::unitAnswer("0PTN8916\r\n");
        return modem(command);
    };
    for (int id : {idIpAddress, idApn, idUser, idPassword}) type(id, "x");
    for (int row = 0; row < parameterRowCount; ++row) type(valueBoxOf(row), row < 2 ? "012" : "89161234567");
    std::vector<int> buttons = {idModemRead, idModemWrite, idModemWrite};
    for (int row = 0; row < parameterRowCount; ++row) {
        buttons.push_back(readButtonOf(row));
        buttons.push_back(writeButtonOf(row));
    }
    for (size_t i = 0; i < buttons.size(); ++i) {
        fake::controlById(idNoInternet)->checked = i == 2;
        press(buttons[i]);
        for (int guard = 0; guard < 400 && (guard == 0 || !jobsAtRest()); ++guard) tick();
        ASSERT_TRUE(jobsAtRest());
    }
    ASSERT_GT(sent.size(), 40u);
    for (const jobs::Sent& s : sent)
        for (const char* status : {"+CMEE", "+CPIN", "+CSQ", "+CREG", "+CGREG", "+COPS", "+CGATT", "+CGSN", "+CIMI", "+CRSM"})
            EXPECT_EQ(s.bytes.find(status), std::string::npos) << s.bytes;
    EXPECT_EQ(report().ending, JobEnding::running) << "the check never ran";
}

// The trace of a whole check, line by line, without the time column.
TEST_F(StatusJobTest, TheTraceNamesEveryCommandAndAnswer) {
    StatusModem modem;
    modem.echo = true;
    modem.answers[line("AT+CPIN?")] = cme(10);
    modem.answers[line("AT+CGREG?")] = "";
    modem.answers[line("AT+CIMI")] = cme(10);
    check(modem);
    std::vector<std::string> lines;
    char text[traceLineCapacity];
    for (uint32_t n = 1; n <= traceNewest(); ++n) {
        decodeTrace(*traceRecord(n), text, sizeof text);
        lines.push_back(std::string(text).substr(13));
    }
    const std::vector<std::string> expected = {
        "--  status: started",
        "TX  +++\\r\\n",
        "--  status escape sent",
        "TX  AT+CMEE?\\r\\n",
        "--  status step 0 (error mode) sent",
        "RX  AT+CMEE?\\r\\r\\n+CMEE: 0\\r\\n\\r\\nOK\\r\\n  = status: error mode 0 (behind the echo)",
        "TX  AT+CMEE=1\\r\\n",
        "--  status step 1 (numeric errors) sent",
        "RX  AT+CMEE=1\\r\\r\\nOK\\r\\n  = status: numeric errors on (behind the echo)",
        "TX  AT+CPIN?\\r\\n",
        "--  status step 2 (SIM) sent",
        "RX  AT+CPIN?\\r\\r\\n+CME ERROR: 10\\r\\n  = status: +CME ERROR: 10 (SIM not inserted) (behind the echo)",
        "TX  AT+CSQ\\r\\n",
        "--  status step 3 (signal) sent",
        "RX  AT+CSQ\\r\\r\\n+CSQ: 13,99\\r\\n\\r\\nOK\\r\\n  = status: signal 13 = -87 dBm (fair) (behind the echo)",
        "TX  AT+CREG?\\r\\n",
        "--  status step 4 (registration) sent",
        "RX  AT+CREG?\\r\\r\\n+CREG: 0,1\\r\\n\\r\\nOK\\r\\n  = status: registration home (behind the echo)",
        "TX  AT+CGREG?\\r\\n",
        "--  status step 5 (packet registration) sent",
        "--  status step 5 (packet registration): deadline passed, no answer",
        "TX  AT+COPS?\\r\\n",
        "--  status step 6 (operator) sent",
        "RX  AT+COPS?\\r\\r\\n+COPS: 0,0,\"MegaFon\",0\\r\\n\\r\\nOK\\r\\n  = status: operator MegaFon (behind the echo)",
        "TX  AT+CGATT?\\r\\n",
        "--  status step 7 (attached) sent",
        "RX  AT+CGATT?\\r\\r\\n+CGATT: 1\\r\\n\\r\\nOK\\r\\n  = status: attached yes (behind the echo)",
        "TX  AT+CGSN\\r\\n",
        "--  status step 8 (IMEI) sent",
        "RX  AT+CGSN\\r\\r\\n352099001761481\\r\\n\\r\\nOK\\r\\n  = status: IMEI 352099001761481 (behind the echo)",
        "TX  AT+CIMI\\r\\n",
        "--  status step 9 (IMSI) sent",
        "RX  AT+CIMI\\r\\r\\n+CME ERROR: 10\\r\\n  = status: +CME ERROR: 10 (SIM not inserted) (behind the echo)",
        "TX  AT+CRSM=176,12258,0,0,10\\r\\n",
        "--  status step 10 (ICCID) sent",
        "RX  AT+CRSM=176,12258,0,0,10\\r\\r\\n+CRSM: 144,0,\"98070121436587092143\"\\r\\n\\r\\nOK\\r\\n"
        "  = status: ICCID 89701012345678901234 (behind the echo)",
        "TX  AT+CMEE=0\\r\\n",
        "--  status step 11 (error mode back) sent",
        "RX  AT+CMEE=0\\r\\r\\nOK\\r\\n  = status: error mode put back (behind the echo)",
        "--  status: no SIM",
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
