// Every kind of job end to end against a device that stays silent or answers ERROR to
// everything.
#include "jobs_e2e_fixture.h"

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

}  // namespace
