// tarnwick-cli --log and log: one JSON line a run, appended by several stations' processes to
// one file at once, and the table printed of it. The profile's fingerprint is SHA-256.
#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

#include "cli_run.h"
#include "ui/cli/sha256.h"

namespace {

using namespace cli_test;
using tarnwick::cli::sha256Hex;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

TEST(Sha256, GivesTheStandardDigests) {
    EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    // Where the padding needs a second block, and around it.
    const struct {
        size_t length;
        const char* digest;
    } edges[] = {{55, "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
                 {56, "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
                 {64, "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
                 {119, "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
                 {120, "2f3d335432c70b580af0e8e1b3674a7c020d683aa5f73aaaedfdc55af904c21c"}};
    for (const auto& edge : edges) EXPECT_EQ(sha256Hex(std::string(edge.length, 'a')), edge.digest) << edge.length;
}

// Eight stations' processes, each on its own unit, append to one log at the same moment. A
// crashed writer's torn line is left as it is, and every new line stands on its own.
TEST_F(CliEndToEnd, EightProcessesAppendToOneLogWithoutLosingOrMixingALine) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    std::vector<std::unique_ptr<devsim::Device>> others;
    std::vector<std::string> imeis;
    for (int n = 1; n <= 8; ++n) {
        devsim::Device* unit = device.get();
        if (n != 6) {
            others.push_back(std::make_unique<devsim::Device>());
            unit = others.back().get();
            const std::string link = std::string(cwd) + "/ports/COM" + std::to_string(n);
            std::remove(link.c_str());
            ASSERT_EQ(symlink(unit->slavePath().c_str(), link.c_str()), 0);
        }
        devsim::ModemState modem;
        modem.imei = n == 8 ? "" : "35209900176148" + std::to_string(n);  // COM8's modem refuses
        unit->setModem(modem);
        imeis.push_back(n == 8 ? "unknown" : modem.imei);
    }
    writeFile("unit.toml", "[unit]\nperiod = \"000\"\n");
    writeFile("shared.log", "{\"time\":\"2026-12-01T09:00:00.000Z\",\"port\":\"COM1\",\"identity\":\"1\","
                            "\"command\":\"apply\",\"result\":\"ok\"}\n{\"time\":\"2026-12-01T09:");
    std::vector<pid_t> running;
    for (int n = 1; n <= 8; ++n) {
        const std::string out = "out-" + std::to_string(n) + ".txt";
        running.push_back(start({"diff", "unit.toml", "--port", "COM" + std::to_string(n), "--log", "shared.log"},
                                out.c_str(), ("err-" + std::to_string(n) + ".txt").c_str()));
    }
    for (int n = 1; n <= 8; ++n) {
        const Outcome run = finish(running[n - 1], ("out-" + std::to_string(n) + ".txt").c_str(),
                                   ("err-" + std::to_string(n) + ".txt").c_str());
        EXPECT_EQ(run.exitCode, 0) << "COM" << n << ": " << run.err;
    }

    const std::vector<std::string> logged = lines(fake::fileText("shared.log"));
    ASSERT_EQ(logged.size(), 10u) << "the earlier line, the torn one, and one a process";
    EXPECT_EQ(logged[1], "{\"time\":\"2026-12-01T09:");
    std::set<std::string> ports;
    for (size_t i = 2; i < logged.size(); ++i) {
        const nlohmann::json line = nlohmann::json::parse(logged[i], nullptr, false);
        ASSERT_FALSE(line.is_discarded()) << logged[i];
        const std::string port = line["port"];
        ports.insert(port);
        EXPECT_EQ(line["identity"], imeis[std::stoi(port.substr(3)) - 1]) << port;
        EXPECT_EQ(line["command"], "diff");
        EXPECT_EQ(line["result"], "same");
        EXPECT_EQ(line["exitCode"], 0);
        EXPECT_EQ(line["profile"], "unit.toml");
        EXPECT_EQ(line["profileSha256"], sha256Hex("[unit]\nperiod = \"000\"\n"));
        EXPECT_EQ(line["values"][0]["before"], "000");
        EXPECT_EQ(line["values"][0]["outcome"], "same");
        EXPECT_TRUE(contains(line["device"].get<std::string>(), "/dev/pts/")) << line["device"];
        EXPECT_FALSE(line["host"].get<std::string>().empty());
        EXPECT_EQ(line["time"].get<std::string>().size(), 24u) << line["time"];
        EXPECT_GT(line["durationMs"].get<long long>(), 0);
    }
    EXPECT_EQ(ports.size(), 8u);

    const Outcome table = cli({"log", "shared.log"});
    EXPECT_EQ(table.exitCode, 0);
    const std::vector<std::string> rows = lines(table.out);
    ASSERT_EQ(rows.size(), 11u) << table.out;
    EXPECT_TRUE(contains(rows[0], "TIME") && contains(rows[0], "IDENTITY")) << rows[0];
    EXPECT_TRUE(contains(rows[2], "(line 2 is not a log record)")) << rows[2];
    EXPECT_TRUE(contains(table.out, "COM8  unknown          diff: same\n")) << table.out;
}

// A logged write: the values before and after, the password only as set, the modem's IMEI
// asked while the port is still open. A log that cannot be appended to stops the run before it
// sends.
TEST_F(CliEndToEnd, ALoggedRunRecordsBeforeAndAfterButNeverThePassword) {
    devsim::UnitValues unit;
    unit.period = 12;
    device->setUnit(unit);
    std::remove("w.log");
    const Outcome write = cli({"write", "--log", "w.log", "--port", "COM6", "--period", "013", "--ip", "10.0.0.5",
                               "--apn", "inet", "--user", "gdata"});
    EXPECT_EQ(write.exitCode, 0) << write.err;
    const std::string text = fake::fileText("w.log");
    EXPECT_FALSE(contains(text, "s3cret"));
    const nlohmann::json line = nlohmann::json::parse(text);
    EXPECT_EQ(line["identity"], "352099001761481");
    EXPECT_EQ(line["profile"], nullptr);
    EXPECT_EQ(line["values"][0], nlohmann::json::parse(R"({"name": "period", "before": "012", "after": "013",
                                                            "outcome": "written, match"})"));
    EXPECT_EQ(line["values"][2]["before"], "") << "nothing stored before the set-up";
    EXPECT_EQ(line["values"][4], nlohmann::json::parse(R"({"name": "password", "before": null, "after": "set",
                                                            "outcome": "written, not verifiable"})"));
    EXPECT_EQ(line["result"], "ok, 5 written");

    ::mkdir("folder.log", 0700);
    device->clearLogs();
    const Outcome refused = cli({"read", "--port", "COM6", "--log", "folder.log"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(contains(refused.err, "log folder.log: is a folder")) << refused.err;
    EXPECT_EQ(device->received(), "");
    EXPECT_EQ(cli({"read", "--port", "COM99", "--log", "w.log"}).exitCode, 3);
    const std::vector<std::string> logged = lines(fake::fileText("w.log"));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(logged[1])["result"], "the port did not open");
}

}  // namespace
