// The modem set-up in both variants and the query end to end, against the simulated modem.
#include "jobs_e2e_fixture.h"

using namespace tarnwick;
using e2e::fileText;
using e2e::Rig;

namespace {

class ModemJobsEndToEnd : public e2e::JobsEndToEnd {};

TEST_F(ModemJobsEndToEnd, InternetSetUpThenQueryReadsTheValuesBack) {
    modemPanel("10.20.30.40", "inet.example", "gdata", "secret");
    setUp();
    EXPECT_EQ(Rig::shown(idSetupStatus), "Ok!");
    const devsim::ModemState modem = rig.device->modem();
    EXPECT_FALSE(modem.echo);
    EXPECT_EQ(modem.storedService[0].get("address"), "socktcp://listener:65534");
    EXPECT_EQ(modem.storedService[9].get("srvType"), "Socket");
    EXPECT_EQ(modem.storedService[9].get("address"), "socktcp://10.20.30.40:65534");
    EXPECT_EQ(modem.storedConnection[0].get("conType"), "GPRS0");
    EXPECT_EQ(modem.storedConnection[0].get("apn"), "inet.example");
    EXPECT_EQ(modem.storedConnection[0].get("user"), "gdata");
    EXPECT_EQ(modem.storedConnection[0].get("passwd"), "secret");
    EXPECT_EQ(fileText(settingsFileName), "10.20.30.40\r\ninet.example\r\ngdata\r\nsecret");

    modemPanel("x", "x", "x", "x");
    query();
    EXPECT_EQ(Rig::shown(idQueryStatus), "Ok!");
    EXPECT_EQ(Rig::shown(idIpAddress), "10.20.30.40");
    EXPECT_EQ(Rig::shown(idApn), "inet.example");
    EXPECT_EQ(Rig::shown(idUser), "gdata");
    EXPECT_EQ(Rig::shown(idPassword), "");
}

TEST_F(ModemJobsEndToEnd, NoInternetSetUpResetsTheProfiles) {
    // As an earlier internet set-up left the modem: profiles stored, echo off.
    char prog[] = "devsim", ip[] = "--ip", ipValue[] = "10.1.1.1", apn[] = "--apn",
         apnValue[] = "inet";
    char* argv[] = {prog, ip, ipValue, apn, apnValue};
    devsim::Faults faults;
    devsim::UnitValues unit;
    devsim::ModemState modem;
    modem.echo = false;
    ASSERT_EQ(devsim::parseDeviceOption(5, argv, 1, faults, unit, modem), 2);
    ASSERT_EQ(devsim::parseDeviceOption(5, argv, 3, faults, unit, modem), 2);
    rig.device->setModem(modem);

    modemPanel("kept", "kept", "kept", "kept");
    noInternet(true);
    setUp();
    EXPECT_EQ(Rig::shown(idSetupStatus), "Ok!");
    const devsim::ModemState after = rig.device->modem();
    EXPECT_EQ(after.storedService[9].get("address"), "");
    EXPECT_EQ(after.storedConnection[0].get("apn"), "");
    EXPECT_EQ(after.messageFormat, 1);
    EXPECT_EQ(after.dtrMode, 0);
    EXPECT_TRUE(after.written);
    EXPECT_FALSE(after.echo);
    EXPECT_TRUE(fileText(settingsFileName).empty()) << "the no-internet variant saves nothing";

    // The reset profiles are stored: the query loads them and finds nothing to show.
    query();
    EXPECT_EQ(Rig::shown(idQueryStatus), "Ok!");
    EXPECT_EQ(Rig::shown(idIpAddress), "");
    EXPECT_EQ(Rig::shown(idApn), "");
}

TEST_F(ModemJobsEndToEnd, QueryOfAModemWithNothingStoredShowsEmpty0) {
    modemPanel("a", "b", "c", "d");
    query();
    EXPECT_EQ(Rig::shown(idQueryStatus), "Empty0");
    EXPECT_EQ(Rig::shown(idIpAddress), "");
    EXPECT_EQ(Rig::shown(idPassword), "");
}

}  // namespace
