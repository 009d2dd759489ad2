// tarnwick-cli diff: a profile compared with the simulated unit and modem, value by value,
// with nothing written; one case a group of exit codes.
#include <nlohmann/json.hpp>

#include "cli_run.h"

namespace {

using namespace cli_test;

TEST_F(CliEndToEnd, DiffSaysForEachProfileValueWhetherTheDeviceHoldsItAndWritesNothing) {
    devsim::UnitValues unit;
    unit.period = 12;
    unit.address = 45;
    unit.phone[0] = "89161234567";
    device->setUnit(unit);
    device->setModem(setUpModem("10.0.0.5", "internet", "gdata"));
    // phone2 is empty on the unit and in the profile; the password comes from the fixture's
    // TARNWICK_PASSWORD, as apply would take it.
    writeFile("unit-17.toml", "[unit]\nperiod = \"012\"\naddress = \"046\"\nphone1 = \"89161234567\"\nphone2 = \"\"\n"
                              "[modem]\nip = \"10.0.0.5\"\napn = \"интернет\"\nuser = \"gdata\"\n");
    const Outcome differs = cli({"diff", "unit-17.toml", "--port", "COM6"});
    EXPECT_EQ(differs.exitCode, 1) << differs.err;
    EXPECT_EQ(differs.out,
              "period: same\n"
              "address: differs: device 045 → profile 046\n"
              "phone1: same\n"
              "phone2: same\n"
              "ip: same\n"
              "apn: differs: device internet → profile интернет\n"
              "user: same\n"
              "password: set in profile, not verifiable\n");
    EXPECT_FALSE(wroteAnything(device->received())) << device->received();
    EXPECT_FALSE(contains(differs.out + differs.err, "s3cret"));

    // The same profile against a device that holds it: 0, whatever the password.
    unit.address = 46;
    device->setUnit(unit);
    device->setModem(setUpModem("10.0.0.5", "\xE8\xED\xF2\xE5\xF0\xED\xE5\xF2", "gdata"));
    const Outcome same = cli({"--json", "diff", "--port", "COM6", "unit-17.toml"});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    const nlohmann::json report = nlohmann::json::parse(same.out);
    EXPECT_EQ(report["exitCode"], 0);
    EXPECT_EQ(report["values"][5]["name"], "apn");
    EXPECT_EQ(report["values"][5]["comparison"], "same");
    EXPECT_EQ(report["values"][5]["device"], "интернет");
    EXPECT_EQ(report["values"][7]["comparison"], "not verifiable");
    EXPECT_FALSE(wroteAnything(device->received()));

    // A set-up without internet stores its reset profiles: they load, and list nothing.
    devsim::ModemState reset;
    reset.serviceStored[0] = reset.serviceStored[9] = reset.connectionStored[0] = true;
    device->setModem(reset);
    writeFile("no-internet.toml", "[modem]\nno-internet = true\n");
    const Outcome without = cli({"diff", "no-internet.toml", "--port", "COM6"});
    EXPECT_EQ(without.exitCode, 0) << without.err;
    EXPECT_EQ(without.out, "no-internet: same\n");
    // And read saves it so, for apply to set the next unit up the same way.
    ASSERT_EQ(cli({"read", "--port", "COM6", "--save-profile", "read-back.toml"}).exitCode, 0);
    EXPECT_TRUE(contains(fake::fileText("read-back.toml"), "no-internet = true\n"));
}

// 2 before anything is sent, 3 for a port that does not open, 4 for a unit that does not
// answer, each with its line on stderr; nothing is written in any of them.
TEST_F(CliEndToEnd, DiffEndsWithTheUsualCodesWhenItCannotCompare) {
    writeFile("bad.toml", "[unit]\nperiod = 12\n");
    Outcome run = cli({"diff", "bad.toml", "--port", "COM6"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(contains(run.err, "bad.toml:2:10: period: a string is expected")) << run.err;
    writeFile("pw.toml", "[modem]\nip = \"1.2.3.4\"\napn = \"a\"\nuser = \"u\"\npassword-file = \"missing.txt\"\n");
    EXPECT_EQ(cli({"diff", "pw.toml", "--port", "COM6"}).exitCode, 2) << "a password apply could not read";
    EXPECT_EQ(device->received(), "");

    writeFile("p.toml", "[unit]\nperiod = \"012\"\n");
    run = cli({"diff", "p.toml", "--port", "COM99"});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(contains(run.err, "port COM99")) << run.err;

    devsim::Faults silent;
    silent.silent = true;
    device->setFaults(silent);
    run = cli({"diff", "p.toml", "--port", "COM6"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, "period: not readable\n");
    EXPECT_TRUE(contains(run.err, "period: no answer to the read (")) << run.err;
    EXPECT_FALSE(wroteAnything(device->received()));
}

}  // namespace
