// tarnwick-cli end to end: the program itself against the simulated unit and modem, one case
// a command and an exit code.
#include <nlohmann/json.hpp>

#include "cli_run.h"

namespace {

using cli_test::CliEndToEnd;
using cli_test::Outcome;

TEST_F(CliEndToEnd, WriteVerifiesEveryValueAndLeavesTheSettingsFileAlone) {
    const Outcome run = cli({"write", "--port", "COM6", "--period", "012", "--address", "045", "--phone1",
                             "89161234567", "--sms-phone", "112", "--ip", "10.0.0.5", "--apn", "inet",
                             "--user", "gdata"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "period: written 012, read back 012, match\n"
              "address: written 045, read back 045, match\n"
              "phone1: written 89161234567, read back 89161234567, match\n"
              "sms-phone: written 112, read back 112, match\n"
              "ip: written 10.0.0.5, read back 10.0.0.5, match\n"
              "apn: written inet, read back inet, match\n"
              "user: written gdata, read back gdata, match\n"
              "password: written ***, not verifiable\n");
    EXPECT_EQ(device->modem().storedConnection[0].get("passwd"), "s3cret");
    EXPECT_FALSE(fake::fileExists("_data.ini")) << "only --save-ini writes it";
    EXPECT_EQ((run.out + run.err).find("s3cret"), std::string::npos);
}

TEST_F(CliEndToEnd, ReadSavesAProfileThatApplyWritesBack) {
    devsim::UnitValues unit;
    unit.period = 7;
    unit.address = 200;
    unit.phone[1] = "89004445566";
    device->setUnit(unit);
    const Outcome read = cli({"--json", "read", "--port", "COM6", "--unit-only", "--save-profile", "p.ini"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const nlohmann::json document = nlohmann::json::parse(read.out);
    EXPECT_EQ(document["values"][1]["name"], "address");
    EXPECT_EQ(document["values"][1]["readBack"], "200");

    device->setUnit(devsim::UnitValues{});
    const Outcome apply = cli({"apply", "p.ini", "--port", "COM6"});
    EXPECT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_NE(apply.out.find("phone2: written 89004445566, read back 89004445566, match"), std::string::npos);
    EXPECT_EQ(device->unit().period, 7);
    EXPECT_EQ(device->unit().address, 200);
}

// Exit codes 1, 2, 3 and 4, each with its line on stderr naming the value and the step.
TEST_F(CliEndToEnd, EachFailureHasItsExitCode) {
    // The unit keeps one byte: 300 comes back as 044.
    Outcome run = cli({"write", "--port", "COM6", "--period", "300"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("period: MISMATCH, written 300, read back 044"), std::string::npos) << run.err;

    device->clearLogs();
    run = cli({"write", "--port", "COM6", "--period", "12", "--address", "045"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("period: \"12\" is not three digits"), std::string::npos) << run.err;
    run = cli({"write", "--port", "COM6", "--apn", "a\"b", "--ip", "1.2.3.4", "--user", "u"});
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(device->received(), "") << "nothing sent for a bad value";

    EXPECT_EQ(cli({"read", "--port", "COM99"}).exitCode, 3);

    devsim::Faults refuseApn;
    refuseApn.errorTo = "AT^SICS=0,\"apn\"";
    device->setFaults(refuseApn);
    run = cli({"write", "--port", "COM6", "--ip", "10.0.0.5", "--apn", "inet", "--user", "gdata"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("modem: Error! (the modem answered ERROR to set-up step 6 (APN))"), std::string::npos)
        << run.err;

    devsim::Faults silent;
    silent.silent = true;
    device->setFaults(silent);
    run = cli({"write", "--port", "COM6", "--ip", "10.0.0.5", "--apn", "inet", "--user", "gdata"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("modem: no answer to set-up step 0 (echo off)"), std::string::npos) << run.err;
}

TEST_F(CliEndToEnd, ACtrlCBetweenTwoValuesSaysExactlyWhatWasWritten) {
    // Interrupted as soon as the period's frame has reached the unit.
    const std::string periodFrame = std::string("\x0A\x21\xAA", 3) + "0ATDP2123";
    const Outcome run = cli({"write", "--port", "COM6", "--period", "123", "--address", "045", "--phone1", "8"},
                            [this, &periodFrame] { return device->received().find(periodFrame) != std::string::npos; });
    EXPECT_EQ(run.exitCode, 130);
    EXPECT_NE(run.out.find("period: written 123, not read back"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("address: not written"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("phone1: not written"), std::string::npos) << run.out;
    // The unit takes a number once the line has been quiet behind it for a moment.
    for (int waited = 0; waited < 3000 && device->unit().period != 123; waited += 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(device->unit().period, 123);
    EXPECT_NE(run.err.find("interrupted: the port was closed"), std::string::npos);
}

}  // namespace
