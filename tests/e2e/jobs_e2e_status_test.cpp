// The modem status check end to end, against the simulated modem: one row for each verdict an
// engineer at a mast can meet, and a signal that moves between two checks.
#include <functional>
#include <string>

#include "base/job_report.h"
#include "jobs_e2e_fixture.h"
#include "modem/status_job.h"
#include "modem/status_meaning.h"

using namespace tarnwick;

namespace {

// A silent modem is done in about 12 s, an answering one in about 5.
constexpr int statusLimitMs = 60000;

class StatusEndToEnd : public e2e::JobsEndToEnd {
protected:
    void check() {
        modemStatusJob.trigger = 1;
        ASSERT_TRUE(rig.runUntil([] { return modemStatusJob.trigger == 0 && modemStatusJob.state == 0; }, statusLimitMs));
    }
    static std::string lines() {
        char text[statusLinesCapacity];
        statusLines(modemStatus(), text, sizeof text);
        return text;
    }
};

TEST_F(StatusEndToEnd, EachVerdictFromTheModemsOwnAnswers) {
    using Setup = std::function<void(devsim::ModemState&, devsim::Faults&)>;
    const struct {
        const char* what;
        Setup setup;
        Verdict verdict;
        const char* line;  // one line the check must show
    } rows[] = {
        {"ready", [](devsim::ModemState&, devsim::Faults&) {}, Verdict::ready, "signal: 13 = -87 dBm (fair)\n"},
        {"ready while roaming", [](devsim::ModemState& m, devsim::Faults&) { m.registration = devsim::Registration::roaming; },
         Verdict::ready, "packet registration: roaming\n"},
        {"no SIM", [](devsim::ModemState& m, devsim::Faults&) { m.sim = devsim::Sim::absent; }, Verdict::noSim,
         "SIM: not available (+CME ERROR: 10, SIM not inserted)\n"},
        {"PIN wanted", [](devsim::ModemState& m, devsim::Faults&) { m.sim = devsim::Sim::pin; }, Verdict::simPin,
         "IMSI: not available (+CME ERROR: 11, SIM PIN required)\n"},
        {"searching", [](devsim::ModemState& m, devsim::Faults&) { m.registration = devsim::Registration::searching; },
         Verdict::searching, "registration: searching\n"},
        {"denied", [](devsim::ModemState& m, devsim::Faults&) { m.registration = devsim::Registration::denied; },
         Verdict::denied, "packet registration: denied\n"},
        {"weak signal", [](devsim::ModemState& m, devsim::Faults&) { m.rssi = 3; }, Verdict::ready,
         "signal: 3 = -107 dBm (poor)\n"},
        {"no signal",
         [](devsim::ModemState& m, devsim::Faults&) {
             m.rssi = 99;
             m.attach = false;
         },
         Verdict::noSignal, "signal: 99 = unknown\n"},
        {"not attached", [](devsim::ModemState& m, devsim::Faults&) { m.attach = false; }, Verdict::notAttached,
         "attached: no\n"},
        {"ERROR to AT+CGREG?: the verdict from AT+CREG?",
         [](devsim::ModemState& m, devsim::Faults& f) {
             m.registration = devsim::Registration::roaming;
             f.errorTo = "AT+CGREG?";
         },
         Verdict::ready, "packet registration: not available (ERROR)\n"},
        {"the modem answers nothing", [](devsim::ModemState&, devsim::Faults& f) { f.silent = true; }, Verdict::noAnswer,
         "operator: no answer\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        devsim::ModemState modem;
        devsim::Faults faults;
        row.setup(modem, faults);
        rig.device->setModem(modem);
        rig.device->setFaults(faults);
        rig.device->clearLogs();
        check();
        EXPECT_EQ(int(statusVerdict(modemStatus())), int(row.verdict)) << verdictText(statusVerdict(modemStatus())).reason;
        EXPECT_NE(lines().find(row.line), std::string::npos) << lines();
        // Nothing of the modem's settings changed: the error mode is as it was, the echo still on.
        const devsim::ModemState after = rig.device->modem();
        EXPECT_EQ(after.errorMode, 0);
        EXPECT_TRUE(after.echo);
        EXPECT_FALSE(after.written);
        const std::string received = rig.device->received();
        for (const char* never : {"ATE", "AT&W", "AT+CPIN=", "AT+COPS=", "AT+CGATT=", "AT+CREG=", "AT+CGREG="})
            EXPECT_EQ(received.find(never), std::string::npos) << never;
        EXPECT_EQ(jobReport(modemStatusJob).ending, row.verdict == Verdict::noAnswer ? JobEnding::noAnswer : JobEnding::ok);
    }
}

TEST_F(StatusEndToEnd, TheSignalMovesBetweenTwoChecks) {
    check();
    EXPECT_EQ(modemStatus().rssi, 13);
    rig.device->setSignal(25);
    check();
    EXPECT_EQ(modemStatus().rssi, 25);
    EXPECT_NE(lines().find("signal: 25 = -63 dBm (excellent)\n"), std::string::npos) << lines();
    EXPECT_EQ(statusVerdict(modemStatus()), Verdict::ready);
    EXPECT_STREQ(modemStatus().imei, "352099001761481");
    EXPECT_STREQ(modemStatus().iccid, "89701012345678901234");
}

}  // namespace
