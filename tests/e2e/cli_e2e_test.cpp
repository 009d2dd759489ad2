// tarnwick-cli end to end: the program itself against the simulated unit and modem, one case
// a command and an exit code.
#include <nlohmann/json.hpp>

#include "cli_run.h"

namespace {

using cli_test::CliEndToEnd;
using cli_test::Outcome;
using cli_test::writeFile;
using cli_test::contains;

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

    std::remove("com99-trace.txt");
    EXPECT_EQ(cli({"--trace", "com99-trace.txt", "read", "--port", "COM99"}).exitCode, 3);
    EXPECT_TRUE(contains(fake::fileText("com99-trace.txt"), "port COM99 did not open"))
        << "the trace says why the port did not open";

    // The modem keeps its old APN, and the report says so beside the refusal.
    device->setModem(cli_test::setUpModem("10.0.0.4", "old", "gdata"));
    devsim::Faults refuseApn;
    refuseApn.errorTo = "AT^SICS=0,\"apn\"";
    device->setFaults(refuseApn);
    run = cli({"write", "--port", "COM6", "--ip", "10.0.0.5", "--apn", "inet", "--user", "gdata"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("modem: Error! (the modem answered ERROR to set-up step 6 (APN))"), std::string::npos)
        << run.err;
    EXPECT_TRUE(contains(run.out, "ip: written 10.0.0.5, read back 10.0.0.5, match\n"
                                  "apn: written inet, refused, read back old\n")) << run.out;

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

// The modem's set-up, with `before` in front of the command and `after` behind it.
std::vector<std::string> modemWrite(std::vector<std::string> before = {}, const std::vector<std::string>& after = {}) {
    for (const char* argument : {"write", "--port", "COM6", "--ip", "10.0.0.5", "--apn", "inet", "--user", "gdata"})
        before.push_back(argument);
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

// A password file that gives no line never becomes an empty password; an empty first line does.
TEST_F(CliEndToEnd, APasswordThatCannotBeReadIsRefusedNotSentEmpty) {
    ::mkdir("pw-folder", 0700);
    std::remove("pw-missing.txt");
    writeFile("pw-empty.txt", "");
    for (const char* file : {"pw-folder", "pw-missing.txt", "pw-empty.txt"}) {
        const Outcome run = cli(modemWrite({}, {"--password-file", file}));
        EXPECT_EQ(run.exitCode, 2) << file;
        EXPECT_TRUE(contains(run.err, file)) << run.err;
    }
    writeFile("pw-folder.ini",
              "[modem]\nip = \"10.0.0.5\"\napn = \"inet\"\nuser = \"gdata\"\npassword-file = \"pw-folder\"\n");
    EXPECT_EQ(cli({"apply", "pw-folder.ini", "--port", "COM6"}).exitCode, 2);
    setenv("TARNWICK_PASSWORD", "", 1);
    const Outcome unset = cli(modemWrite());
    EXPECT_EQ(unset.exitCode, 2);
    EXPECT_TRUE(contains(unset.err, "give --ip, --apn, --user and the password")) << unset.err;
    EXPECT_EQ(device->received(), "");

    writeFile("pw-blank.txt", "\r\nthe second line is no password\n");
    EXPECT_EQ(cli(modemWrite({}, {"--password-file", "pw-blank.txt"})).exitCode, 0);
    EXPECT_TRUE(contains(device->received(), "AT^SICS=0,\"passwd\",\"\"\r"));

    // A profile's relative password-file lies beside the profile, as the window reads it, not
    // in the folder the program runs in.
    ::mkdir("pw-site", 0700);
    writeFile("pw-site/pw.txt", "beside\n");
    writeFile("pw-site/unit.toml",
              "[modem]\nip = \"10.0.0.7\"\napn = \"inet\"\nuser = \"gdata\"\npassword-file = \"pw.txt\"\n");
    EXPECT_EQ(cli({"apply", "pw-site/unit.toml", "--port", "COM6"}).exitCode, 0);
    EXPECT_EQ(device->modem().storedConnection[0].get("passwd"), "beside");
}

TEST_F(CliEndToEnd, ReportsSayOnlyWhatReachedTheLine) {
    // Slow answers, so that a Ctrl+C lands before the step after the one awaited is sent.
    devsim::Faults slow;
    slow.delayMs = 300;
    device->setFaults(slow);
    Outcome run = cli(modemWrite(), [this] { return contains(device->received(), "+++"); });
    EXPECT_EQ(run.out, "ip: not written\napn: not written\nuser: not written\npassword: not written\n");
    std::remove("setup-trace.txt");
    run = cli(modemWrite({"--trace", "setup-trace.txt"}),
              [this] { return contains(device->received(), "AT^SICS=0,\"apn\",\"inet\""); });
    EXPECT_EQ(run.out,
              "ip: written 10.0.0.5, not stored\napn: written inet, not stored\n"
              "user: not written\npassword: not written\n");
    EXPECT_TRUE(contains(fake::fileText("setup-trace.txt"), "set-up step 6 (APN) sent"));

    // The refused APN leaves the one the interrupted run put in the working settings, and the
    // set-up's save stores that.
    devsim::Faults refuseApn;
    refuseApn.errorTo = "AT^SICS=0,\"apn\"";
    device->setFaults(refuseApn);
    const nlohmann::json refused = nlohmann::json::parse(cli(modemWrite({"--json"})).out);
    EXPECT_EQ(refused["exitCode"], 1);
    EXPECT_EQ(refused["values"][0]["outcome"], "match");
    EXPECT_EQ(refused["values"][1]["outcome"], "refused");
    EXPECT_EQ(refused["values"][1].value("query", "(none)"), "read");
    EXPECT_EQ(refused["values"][1].value("readBack", "(none)"), "inet");

    // Every unit answer stops after its start mark; the profile would keep period = "".
    devsim::Faults cut;
    cut.cutAfter = 3;
    device->setFaults(cut);
    std::remove("cut-short.ini");
    run = cli({"read", "--port", "COM6", "--unit-only", "--save-profile", "cut-short.ini"});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, "period: not read\naddress: not read\nphone1: not read\nphone2: not read\n"
                       "sms-phone: not read\n");
    EXPECT_TRUE(contains(run.err, "period: the unit's answer was cut short (3 bytes)")) << run.err;
    EXPECT_FALSE(fake::fileExists("cut-short.ini"));
}

}  // namespace

namespace {

// --json and --trace FILE wherever the engineer puts them: before the command, right after it,
// among its options and at the end; each placement gives the JSON report and the trace.
TEST_F(CliEndToEnd, JsonAndTraceAreTakenAnywhereOnTheLine) {
    writeFile("one-value.toml", "[unit]\nperiod = \"045\"\n");
    const struct {
        const char* command;
        std::vector<std::string> options;  // split in two where the options go in between
        size_t between;
    } commands[] = {
        // The write first, so that the diff and the apply after it find the unit the same.
        {"write", {"--port", "COM6", "--period", "045"}, 2},
        {"read", {"--port", "COM6", "--unit-only"}, 2},
        {"diff", {"one-value.toml", "--port", "COM6"}, 1},
        {"apply", {"one-value.toml", "--port", "COM6"}, 1},
    };
    enum Placement { beforeCommand, afterCommand, betweenOptions, atTheEnd };
    for (const auto& command : commands) {
        for (Placement placement : {beforeCommand, afterCommand, betweenOptions, atTheEnd}) {
            SCOPED_TRACE(std::string(command.command) + ", placement " + std::to_string(placement));
            std::vector<std::string> line;
            const auto json = [&line] { line.push_back("--json"); };
            const auto trace = [&line] { line.insert(line.end(), {"--trace", "anywhere-trace.txt"}); };
            if (placement == beforeCommand) json(), trace();
            line.push_back(command.command);
            if (placement == afterCommand) trace(), json();
            for (size_t i = 0; i < command.options.size(); ++i) {
                if (placement == betweenOptions && i == command.between) json();
                line.push_back(command.options[i]);
            }
            if (placement == betweenOptions) trace();
            if (placement == atTheEnd) trace(), json();
            std::remove("anywhere-trace.txt");
            const Outcome run = cli(line);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
            ASSERT_FALSE(report.is_discarded()) << run.out;
            EXPECT_EQ(report["command"], command.command);
            EXPECT_TRUE(contains(fake::fileText("anywhere-trace.txt"), "  TX  unit: "));
        }
    }

    // The two commands that never open a port take --json on either side too.
    std::remove("anywhere.log");
    ASSERT_EQ(cli({"apply", "one-value.toml", "--port", "COM6", "--log", "anywhere.log"}).exitCode, 0);
    writeFile("anywhere-broken.log", fake::fileText("anywhere.log") + "not a record\n");
    for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
             {"--json", "log", "anywhere-broken.log"}, {"log", "anywhere-broken.log", "--json"}}) {
        const Outcome run = cli(line);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json records = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(records.is_array()) << run.out;
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0]["command"], "apply");
        EXPECT_EQ(records[1]["line"], 2);
    }
    for (const std::vector<std::string>& line :
         std::vector<std::vector<std::string>>{{"--json", "ports"}, {"ports", "--json"}}) {
        const Outcome run = cli(line);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const nlohmann::json ports = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(ports.is_array()) << run.out;
        bool com6 = false;
        for (const nlohmann::json& port : ports) com6 = com6 || port["name"] == "COM6";
        EXPECT_TRUE(com6) << run.out;
    }
    // Every command's own help lists both.
    for (const char* command : {"read", "diff", "write", "apply"}) {
        const Outcome help = cli({command, "--help"});
        EXPECT_TRUE(contains(help.out, "--json") && contains(help.out, "--trace FILE")) << command;
    }
}

}  // namespace
