// tarnwick-cli status and apply --require-network: is the unit online? The program itself
// against the simulated modem, in the states an engineer meets on a mast.
#include <nlohmann/json.hpp>

#include <sstream>

#include "cli_run.h"

namespace {

using namespace cli_test;

nlohmann::json lastLogLine(const char* name) {
    std::istringstream in(fake::fileText(name));
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return nlohmann::json::parse(last, nullptr, false);
}

// A line an item, the verdict last, and the exit code a script can act on; the reason and what
// to do about it on stderr.
TEST_F(CliEndToEnd, StatusSaysWhetherTheModemIsReadyAndWhyNot) {
    const struct {
        const char* what;
        std::function<void(devsim::Device&)> state;
        int exitCode;
        std::vector<std::string> lines;  // in stdout, each a whole line
        const char* err;
    } cases[] = {
        {"ready", [](devsim::Device&) {}, 0,
         {"SIM: ready", "signal: 13 = -87 dBm (fair)", "registration: home", "attached: yes",
          "IMEI: 352099001761481", "verdict: ready"},
         ""},
        {"searching", [](devsim::Device& d) { d.setRegistration(devsim::Registration::searching); }, 1,
         {"registration: searching", "verdict: not ready: searching for a network"},
         "tarnwick-cli: not ready: searching for a network; check the antenna and the coverage\n"},
        {"no SIM", [](devsim::Device& d) { d.setSim(devsim::Sim::absent); }, 1,
         {"SIM: not available (+CME ERROR: 10, SIM not inserted)", "verdict: not ready: no SIM"},
         "tarnwick-cli: not ready: no SIM; switch the unit off and insert a SIM card\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device->setModem(devsim::ModemState{});
        c.state(*device);
        device->clearLogs();
        const Outcome run = cli({"status", "--port", "COM6"});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        for (const std::string& line : c.lines) EXPECT_TRUE(contains("\n" + run.out, "\n" + line + "\n")) << run.out;
        EXPECT_EQ(run.err, c.err);
        EXPECT_FALSE(wroteAnything(device->received())) << "a check writes nothing";
        for (const char* setting : {"AT&W", "ATE0", "AT+CPIN=", "AT+COPS="})
            EXPECT_FALSE(contains(device->received(), setting)) << setting;
    }

    // A modem that answers nothing is a job run into its deadline; a port that does not open is 3.
    devsim::Faults silent;
    silent.silent = true;
    device->setFaults(silent);
    const Outcome dead = cli({"status", "--port", "COM6"});
    EXPECT_EQ(dead.exitCode, 4) << dead.err;
    EXPECT_TRUE(contains(dead.out, "verdict: not ready: the modem does not answer\n")) << dead.out;
    EXPECT_EQ(cli({"status", "--port", "COM99"}).exitCode, 3);
}

// With --json the same in one document; with --log one line a check, with the items and the
// verdict, and the log's table shows the verdict.
TEST_F(CliEndToEnd, StatusIsLoggedWithItsItemsAndItsVerdict) {
    std::remove("status.log");
    device->setSignal(20);
    const Outcome run = cli({"status", "--port", "COM6", "--json", "--log", "status.log"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(report.is_object()) << run.out;
    EXPECT_EQ(report["network"]["ready"], true);
    EXPECT_EQ(report["network"]["dbm"], -73);
    EXPECT_EQ(report["network"]["items"][1]["text"], "20 = -73 dBm (excellent)");

    device->setRegistration(devsim::Registration::denied);
    EXPECT_EQ(cli({"status", "--port", "COM6", "--log", "status.log"}).exitCode, 1);
    const nlohmann::json logged = lastLogLine("status.log");
    EXPECT_EQ(logged["command"], "status");
    EXPECT_EQ(logged["identity"], "352099001761481");
    EXPECT_EQ(logged["network"]["verdict"], "not ready: registration denied");
    EXPECT_EQ(logged["exitCode"], 1);
    const Outcome table = cli({"log", "status.log"});
    EXPECT_TRUE(contains(table.out, "status: ready\n")) << table.out;
    EXPECT_TRUE(contains(table.out, "status: not ready: registration denied\n")) << table.out;
}

// apply --require-network: after the apply the modem is checked, and a unit that is not ready
// has failed, whatever was written; at a station, each unit on its own.
TEST_F(CliEndToEnd, ApplyRequiringTheNetworkFailsAUnitThatIsNotReady) {
    writeFile("net.toml", "[unit]\nperiod = \"012\"\n");
    device->setRegistration(devsim::Registration::searching);
    const Outcome searching = cli({"apply", "net.toml", "--port", "COM6", "--require-network"});
    EXPECT_EQ(searching.exitCode, 1);
    EXPECT_EQ(searching.out, "period: written 012, read back 012, match\nnetwork: not ready: searching for a network\n");
    EXPECT_TRUE(contains(searching.err, "network: not ready: searching for a network; check the antenna")) << searching.err;
    EXPECT_EQ(device->unit().period, 12) << "the apply itself went through";

    std::remove("net-station.log");
    const pid_t station =
        start({"apply", "net.toml", "--port", "COM6", "--watch", "--require-network", "--log", "net-station.log"});
    ASSERT_TRUE(waitUntil([] { return contains(fake::fileText("cli-err.txt"), "unit 1 done"); }));
    devsim::Faults silent;
    silent.silent = true;
    device->setFaults(silent);
    ASSERT_TRUE(waitUntil([] { return contains(fake::fileText("cli-err.txt"), "waiting for the next unit"); }));
    device->setUnit(devsim::UnitValues{});
    device->setModem(devsim::ModemState{});
    device->setFaults(devsim::Faults{});
    ASSERT_TRUE(waitUntil([] { return contains(fake::fileText("cli-err.txt"), "unit 2 done"); }));
    kill(station, SIGINT);
    const Outcome run = finish(station);
    EXPECT_EQ(run.exitCode, 1) << "the searching unit failed the station: " << run.err;
    EXPECT_EQ(run.out, "unit 1 (352099001761481): ok, nothing written, 1 unchanged; network not ready: searching for a network\n"
                       "unit 2 (352099001761481): ok, 1 written; network ready\n");
    const nlohmann::json second = lastLogLine("net-station.log");
    EXPECT_EQ(second["network"]["ready"], true);
    EXPECT_EQ(second["exitCode"], 0);
}

}  // namespace
