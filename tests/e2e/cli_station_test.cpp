// tarnwick-cli apply --watch: a station that applies a profile to each unit put on its port,
// one after another, against the simulated unit taken away and another put in its place.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>

#include "cli_run.h"

namespace {

using namespace cli_test;

const std::string addressRead = std::string("\x0A\x21\xAA", 3) + "N@";

size_t lineCount(const char* name) {
    const std::string text = fake::fileText(name);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

nlohmann::json logLine(const char* name, size_t index) {
    std::istringstream in(fake::fileText(name));
    std::string line;
    for (size_t i = 0; i <= index; ++i) std::getline(in, line);
    return nlohmann::json::parse(line, nullptr, false);
}

TEST_F(CliEndToEnd, AStationAppliesToEachUnitPutOnItsPortUntilCtrlC) {
    std::remove("station.log");
    writeFile("unit.toml", "[unit]\nperiod = \"012\"\naddress = \"045\"\nphone1 = \"8916\"\n");
    // The first unit's answers stop short of a telephone number's text, and its modem's before
    // the IMEI's end: it fails, and the next one must not hide that.
    devsim::Faults cut;
    cut.cutAfter = 5;
    device->setFaults(cut);
    const pid_t station = start({"apply", "unit.toml", "--port", "COM6", "--watch", "--log", "station.log"});
    ASSERT_TRUE(waitUntil([] { return lineCount("station.log") == 1; }));
    EXPECT_EQ(device->unit().period, 12);

    // The first unit is taken away: its modem goes with it. Another one, with values of its
    // own and a modem of its own, takes its place once the station has seen the port empty.
    devsim::Faults silent;
    silent.silent = true;
    device->setFaults(silent);
    ASSERT_TRUE(waitUntil([] { return contains(fake::fileText("cli-err.txt"), "waiting for the next unit"); }));
    devsim::UnitValues next;
    next.period = 12;
    next.address = 7;
    device->setUnit(next);
    devsim::ModemState modem;
    modem.imei = "356741083457217";
    device->setModem(modem);
    device->setFaults(devsim::Faults{});
    ASSERT_TRUE(waitUntil([] { return contains(fake::fileText("cli-err.txt"), "unit 2 done"); }));

    // While it waits for the second unit to go, the station asks at most once a second. A poll
    // answered at once would take a third of that, so the mean of a few gaps tells them apart
    // however late a loaded machine sends one of them.
    const size_t from = device->receivedChunks().size();
    ASSERT_TRUE(waitUntil([this, from] {
        const std::vector<devsim::Chunk> chunks = device->receivedChunks();
        return std::count_if(chunks.begin() + from, chunks.end(),
                             [](const devsim::Chunk& c) { return contains(c.bytes, addressRead); }) >= 4;
    }));
    kill(station, SIGINT);
    const Outcome run = finish(station);
    EXPECT_EQ(run.exitCode, 4) << "a Ctrl+C between units ends with the gravest unit's code: " << run.err;
    EXPECT_EQ(run.out, "unit 1 (unknown): no answer\n"
                       "unit 2 (356741083457217): ok, 2 written, 1 unchanged\n");
    EXPECT_EQ(device->unit().address, 45);
    std::vector<uint32_t> polls;
    const std::vector<devsim::Chunk> chunks = device->receivedChunks();
    for (size_t i = from; i < chunks.size(); ++i)
        if (contains(chunks[i].bytes, addressRead)) polls.push_back(chunks[i].atMs);
    ASSERT_GE(polls.size(), 4u);
    EXPECT_GE((polls.back() - polls.front()) / (polls.size() - 1), 900u);

    ASSERT_EQ(lineCount("station.log"), 2u);
    EXPECT_EQ(logLine("station.log", 0)["exitCode"], 4);
    const nlohmann::json second = logLine("station.log", 1);
    EXPECT_EQ(second["unit"], 2);
    EXPECT_EQ(second["identity"], "356741083457217");
    EXPECT_EQ(second["values"][0]["outcome"], "unchanged, match");
    EXPECT_EQ(second["values"][1]["before"], "007");
    EXPECT_EQ(second["values"][1]["after"], "045");
}

TEST_F(CliEndToEnd, AUnitInterruptedPartWayIsLoggedWithWhatWasWritten) {
    std::remove("station.log");
    writeFile("unit.toml", "[unit]\nperiod = \"012\"\naddress = \"045\"\n");
    const std::string periodWrite = std::string("\x0A\x21\xAA", 3) + "0ATDP2012";
    const Outcome run = cli({"apply", "unit.toml", "--port", "COM6", "--watch", "--log", "station.log"},
                            [this, &periodWrite] { return contains(device->received(), periodWrite); });
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_EQ(run.out, "unit 1 (unknown): interrupted, written: period\n");
    ASSERT_EQ(lineCount("station.log"), 1u);
    const nlohmann::json line = logLine("station.log", 0);
    EXPECT_EQ(line["exitCode"], 130);
    EXPECT_EQ(line["result"], "interrupted, written: period");
    EXPECT_EQ(line["values"][0]["outcome"], "written, not read back");
    EXPECT_EQ(line["values"][1]["outcome"], "not written");
}

}  // namespace
