// Every kind of job end to end against a device that stays silent or answers ERROR to
// everything; the status check against a slow modem, and the modem it leaves to the query.
#include "base/job_report.h"
#include "jobs_e2e_fixture.h"
#include "modem/status_job.h"
#include "modem/status_meaning.h"

using namespace tarnwick;
using e2e::fileText;
using e2e::Rig;
using e2e::valueId;

namespace {

class FaultyDeviceEndToEnd : public e2e::JobsEndToEnd {};

TEST_F(FaultyDeviceEndToEnd, ASilentDeviceEndsEveryJobByItsDeadline) {
    fault(true, false);
    modemPanel("10.0.0.9", "apn", "user", "pw");
    setUp();
    EXPECT_EQ(Rig::shown(idSetupStatus), "Error!");
    EXPECT_EQ(fileText(settingsFileName), "10.0.0.9\r\napn\r\nuser\r\npw")
        << "saved before the modem was asked anything";
    query();
    EXPECT_EQ(Rig::shown(idQueryStatus), "Error!");
    EXPECT_EQ(Rig::shown(idIpAddress), "");
    Rig::type(valueId(1), "old");
    read(1);
    EXPECT_EQ(Rig::shown(valueId(1)), "old");
    EXPECT_NE(rig.device->received().find("ATE0\r\n"), std::string::npos);
}

TEST_F(FaultyDeviceEndToEnd, ADeviceAnsweringErrorToEverything) {
    fault(false, true);
    echoOff();
    modemPanel("10.0.0.9", "apn", "user", "pw");
    // ATE0 takes only OK.
    setUp();
    EXPECT_EQ(Rig::shown(idSetupStatus), "Error!");
    // Without internet ERROR completes every step up to storing profile 9, which it does not.
    noInternet(true);
    setUp();
    EXPECT_EQ(Rig::shown(idSetupStatus), "Error!");
    const std::string received = rig.device->received();
    EXPECT_NE(received.find("AT^SIPS=service,reset,9\r\nAT^SIPS=service,save,9\r\n"),
              std::string::npos);
    EXPECT_EQ(received.find("AT+CMGF=1"), std::string::npos);
    query();
    EXPECT_EQ(Rig::shown(idQueryStatus), "Error!");
    Rig::type(valueId(0), "old");
    read(0);
    EXPECT_EQ(Rig::shown(valueId(0)), "old") << "an ERROR line is no unit answer";
}

bool checkStatus(Rig& rig) {
    modemStatusJob.trigger = 1;
    return rig.runUntil([] { return modemStatusJob.trigger == 0 && modemStatusJob.state == 0; }, 90000);
}

// A second and a half for every answer is more than the check gives a modem that has said
// nothing yet, and less than it gives one that has.
TEST_F(FaultyDeviceEndToEnd, ASlowModemIsNotCutOff) {
    devsim::Faults slow;
    slow.delayMs = 1500;
    rig.device->setFaults(slow);
    ASSERT_TRUE(checkStatus(rig));
    for (size_t k = 0; k < statusItemCount; ++k)
        EXPECT_EQ(modemStatus().states[k], ItemState::answered) << statusItemName(StatusItem(k));
    EXPECT_EQ(statusVerdict(modemStatus()), Verdict::ready);
    EXPECT_EQ(rig.device->modem().errorMode, 0);
}

// The check leaves errors plain, as it found them: the query, which takes a plain ERROR for
// an empty profile, still says so afterwards; a modem that gave its errors in words still does.
TEST_F(FaultyDeviceEndToEnd, TheQueryAfterAStatusCheckStillSeesPlainErrors) {
    ASSERT_TRUE(checkStatus(rig));
    ASSERT_EQ(jobReport(modemStatusJob).ending, JobEnding::ok);
    EXPECT_EQ(rig.device->modem().errorMode, 0);
    query();
    EXPECT_EQ(Rig::shown(idQueryStatus), "Empty0");

    rig.device->changeModem([](devsim::ModemState& modem) { modem.errorMode = 2; });
    ASSERT_TRUE(checkStatus(rig));
    EXPECT_EQ(rig.device->modem().errorMode, 2);
    EXPECT_EQ(modemStatus().errorMode, 2);
}

}  // namespace
