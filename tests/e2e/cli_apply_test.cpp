// tarnwick-cli apply: what differs from the profile is written, what the unit and the modem
// already hold is not, and --force writes everything as before.
#include <algorithm>

#include "cli_run.h"

namespace {

using namespace cli_test;

const std::string periodRead = std::string("\x0A\x21\xAA", 3) + "NA";

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class CliApply : public CliEndToEnd {
protected:
    void SetUp() override {
        CliEndToEnd::SetUp();
        unit.period = 12;
        unit.address = 45;
        unit.phone[0] = "8916";
        device->setUnit(unit);
        device->setModem(setUpModem("10.0.0.5", "internet", "gdata"));
        writeFile("unit-17.toml", "[unit]\nperiod = \"012\"\naddress = \"046\"\nphone1 = \"8916\"\n"
                                  "[modem]\nip = \"10.0.0.5\"\napn = \"internet\"\nuser = \"gdata\"\n");
        // No password anywhere: nothing asks for the modem's set-up unless a value differs.
        unsetenv("TARNWICK_PASSWORD");
    }

    devsim::UnitValues unit;
};

TEST_F(CliApply, OnlyWhatDiffersIsWrittenAndAReapplyWritesNothing) {
    const Outcome first = cli({"apply", "unit-17.toml", "--port", "COM6"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out,
              "period: unchanged 012, match\n"
              "address: written 046, read back 046, match\n"
              "phone1: unchanged 8916, match\n"
              "ip: unchanged 10.0.0.5, match\n"
              "apn: unchanged internet, match\n"
              "user: unchanged gdata, match\n");
    const std::string received = device->received();
    EXPECT_TRUE(contains(received, "0ATDP1046")) << "the address write";
    EXPECT_EQ(count(received, "ATDP"), 1u) << "no other write";
    EXPECT_EQ(count(received, periodRead), 2u) << "read before, and read back after the write";
    EXPECT_FALSE(contains(received, "AT^SICS=")) << "no set-up";
    EXPECT_EQ(device->unit().address, 46);

    device->clearLogs();
    const Outcome again = cli({"apply", "unit-17.toml", "--port", "COM6"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_TRUE(contains(again.out, "address: unchanged 046, match\n")) << again.out;
    EXPECT_FALSE(wroteAnything(device->received())) << device->received();
    EXPECT_EQ(count(device->received(), periodRead), 1u) << "a unit that matches is read once";
}

// A password cannot be compared: with one the set-up always runs; without one a modem that
// differs cannot be set up, and says so. Unit values are applied either way.
TEST_F(CliApply, TheModemIsSetUpWhenAValueDiffersOrAPasswordIsGiven) {
    device->setModem(setUpModem("10.0.0.5", "old-apn", "gdata"));
    Outcome run = cli({"apply", "unit-17.toml", "--port", "COM6"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(contains(run.err, "modem: apn differs, and the set-up")) << run.err;
    EXPECT_TRUE(contains(run.out, "address: written 046, read back 046, match\n"
                                  "phone1: unchanged 8916, match\n"
                                  "ip: unchanged 10.0.0.5, match\n"
                                  "apn: not written\n"))
        << run.out;
    EXPECT_FALSE(contains(device->received(), "AT^SICS="));

    writeFile("pw.txt", "s3cret\n");
    run = cli({"apply", "unit-17.toml", "--port", "COM6", "--password-file", "pw.txt"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "address: unchanged 046, match\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "apn: written internet, read back internet, match\n"
                                  "user: written gdata, read back gdata, match\n"
                                  "password: written ***, not verifiable\n"))
        << run.out;
    EXPECT_EQ(device->modem().storedConnection[0].get("passwd"), "s3cret");

    // --force writes every value, the ones the unit holds too.
    writeFile("unit.toml", "[unit]\nperiod = \"012\"\naddress = \"046\"\n");
    device->clearLogs();
    run = cli({"apply", "--force", "unit.toml", "--port", "COM6"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "period: written 012, read back 012, match\naddress: written 046, read back 046, match\n");
    EXPECT_EQ(count(device->received(), "ATDP"), 2u);
}

}  // namespace
