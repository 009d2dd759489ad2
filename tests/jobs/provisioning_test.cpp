// Provisioning, as tarnwick-cli and the windows' profiles run it, on the fake link: the values
// checked before anything is sent, the device as read held against a profile, and reads,
// writes and set-ups through the window's own jobs against a unit and a modem that answer on
// the next tick. What takes seconds against the simulated device on a pseudo-terminal takes
// no time here.
#include <sys/stat.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <utility>

#include "provision/profile.h"
#include "provision/provisioning.h"
#include "provision/run_jobs.h"
#include "devsim.h"
#include "job_link.h"
#include "modem_states.h"

using namespace tarnwick;
using namespace tarnwick::provision;

namespace tarnwick::provision {

// Failures name outcomes and comparisons as the reports do.
void PrintTo(Outcome outcome, std::ostream* out) { *out << outcomeName(outcome); }
void PrintTo(Comparison comparison, std::ostream* out) { *out << comparisonName(comparison); }

}  // namespace tarnwick::provision

namespace {

// The unit and its modem behind the fake link, answering as the simulated device does.
struct Bench {
    devsim::UnitValues unit;
    devsim::ModemState modem;
    size_t cutAfter = 0;  // each unit answer stops after this many bytes (0: whole)
    std::string errorTo;  // a modem command line beginning with this is answered ERROR

    std::string operator()(const std::string& sent) {
        if (sent.compare(0, 3, "\x0A\x21\xAA") == 0) return unitFrame(sent);
        std::string line = sent;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        const std::string echo = modem.echo && line != "+++" ? line + "\r" : "";
        if (line == "+++") return "\r\nOK\r\n";
        if (!errorTo.empty() && line.compare(0, errorTo.size(), errorTo) == 0) return echo + "\r\nERROR\r\n";
        return echo + devsim::answerModemLine(modem, line);
    }

    std::string unitFrame(const std::string& frame) {
        if (frame[3] != 'N') {
            // A write: the slot digit, "ATDP", then three digits or a number ending in CR LF.
            if (frame.size() >= 10 && frame.compare(frame.size() - 2, 2, "\r\n") == 0)
                unit.phone[frame[3] - '0'] = frame.substr(8, frame.size() - 10);
            else
                (frame[8] == '2' ? unit.period : unit.address) = std::stoi(frame.substr(9, 3));
            return {};
        }
        std::string answer = frame.substr(0, 3) + frame[4];
        if (frame[4] == 0x41 || frame[4] == 0x40)
            answer += std::string(1, static_cast<char>((frame[4] == 0x41 ? unit.period : unit.address) & 0xFF)) + "TN\r\n";
        else
            answer += "PTN" + unit.phone[frame[4] - '0'] + "\r\n";
        return cutAfter > 0 && answer.size() > cutAfter ? answer.substr(0, cutAfter) : answer;
    }
};

class Provisioning;
Provisioning* running = nullptr;

class Provisioning : public jobs::LinkTest {
public:
    void step() { tick(); }

protected:
    void SetUp() override {
        LinkTest::SetUp();
        interruptRequested = false;
        respond = [this](const std::string& sent) { return bench(sent); };
        running = this;
    }
    void TearDown() override {
        running = nullptr;
        LinkTest::TearDown();
    }

    static const Result* resultOf(const provision::Run& run, Value value) {
        for (const Result& result : run.results)
            if (result.value == value) return &result;
        return nullptr;
    }

    Bench bench;
};

Wanted wanting(std::initializer_list<std::pair<Value, const char*>> values) {
    Wanted wanted;
    for (const auto& [value, text] : values) wanted[value] = text;
    return wanted;
}

}  // namespace

namespace tarnwick {

// The front end's loop on the fake link: a tick each 54 ms, the device answering each send.
bool runJobsUntil(const std::function<bool()>& done, int limitMs) {
    constexpr int tickMs = 54;
    for (int waited = 0; !done(); waited += tickMs) {
        if (waited > limitMs || running == nullptr) return false;
        running->step();
    }
    return true;
}

}  // namespace tarnwick

namespace {

// The window's rules at their bounds: the unit answers its address in one byte, and a
// telephone frame holds 18 characters.
TEST(ProvisioningChecks, EachValueIsTakenUpToItsBoundAndRefusedBeyond) {
    const struct {
        Value value;
        std::string text;
        const char* refusal;  // empty: taken
    } cases[] = {
        {Value::address, "255", ""},
        {Value::address, "000", ""},
        {Value::address, "256", "address: 256 is above 255; the unit answers one byte"},
        {Value::period, "999", ""},
        {Value::period, "25", "period: \"25\" is not three digits (000..999)"},
        {Value::phone1, "+7 (916) 123-45-67", ""},
        {Value::phone2, std::string(18, '9'), ""},
        {Value::smsPhone, "+7 (916) 123-45-678", "sms-phone: more than 18 characters"},
        {Value::phone1, "", ""},
    };
    for (const auto& c : cases) {
        Wanted wanted;
        wanted[c.value] = c.text;
        EXPECT_EQ(checkWanted(wanted), c.refusal) << valueName(c.value) << " = \"" << c.text << "\"";
    }
}

// A modem with no stored profile holds empty texts: a profile's values differ from them, and
// are not unreadable.
TEST(ProvisioningChecks, AModemWithNothingStoredDiffersFromTheProfileRatherThanBeingUnreadable) {
    const Wanted wanted = wanting({{Value::ip, "10.0.0.5"}, {Value::apn, "internet"}, {Value::user, ""}});
    const struct {
        Outcome outcome;
        const char* held;
        Comparison apn;   // internet against what the device holds
        Comparison user;  // "" against it
    } cases[] = {
        {Outcome::nothingStored, "", Comparison::differs, Comparison::same},
        {Outcome::read, "", Comparison::differs, Comparison::same},
        {Outcome::read, "internet", Comparison::same, Comparison::differs},
        {Outcome::noAnswer, "", Comparison::notReadable, Comparison::notReadable},
        {Outcome::refused, "", Comparison::notReadable, Comparison::notReadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(outcomeName(c.outcome) + std::string(" ") + c.held);
        provision::Run device;
        for (Value value : {Value::ip, Value::apn, Value::user})
            device.results.push_back(Result{value, c.outcome, {}, c.held});
        const std::vector<Difference> lines = compareWithDevice(wanted, device, c.outcome == Outcome::nothingStored);
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[1].name, "apn");
        EXPECT_EQ(lines[1].comparison, c.apn);
        EXPECT_EQ(lines[1].profile, "internet");
        EXPECT_EQ(lines[2].comparison, c.user);
        if (c.apn != Comparison::notReadable) {
            EXPECT_EQ(lines[1].device, c.held);
        }
    }
}

// The first line is the password, whichever system wrote the file; a file without a line gives
// none. An empty password is one the engineer means.
TEST(ProvisioningChecks, APasswordFileGivesItsFirstLineAndAnEmptyLineIsAnEmptyPassword) {
    const struct {
        const char* text;
        const char* password;
        bool refused;
    } cases[] = {
        {"\n", "", false},
        {"\r\n", "", false},
        {"\nsecond\n", "", false},
        {"s3cret\n", "s3cret", false},
        {"s3cret", "s3cret", false},
        {"s3 cr,et;#\r\nsecond\r\n", "s3 cr,et;#", false},
        {"пароль\n", "\xEF\xE0\xF0\xEE\xEB\xFC", false},
        {"", "", true},
    };
    for (const auto& c : cases) {
        {
            std::FILE* file = std::fopen("pw.txt", "wb");
            ASSERT_NE(file, nullptr);
            std::fputs(c.text, file);
            std::fclose(file);
        }
        std::string password = "before";
        const std::string failed = readPasswordFile("pw.txt", &password);
        EXPECT_EQ(!failed.empty(), c.refused) << "\"" << c.text << "\": " << failed;
        EXPECT_EQ(password, c.password) << "\"" << c.text << "\"";
    }
    ::mkdir("pw-folder", 0700);
    std::remove("pw-missing.txt");
    for (const char* path : {"pw-folder", "pw-missing.txt"}) {
        std::string password;
        const std::string failed = readPasswordFile(path, &password);
        EXPECT_NE(failed.find(path), std::string::npos) << failed;
    }
    std::remove("pw.txt");
}

// An answer that stops before the value's byte holds no value, not an empty one; one that
// reaches it does. A telephone answer that reaches its text holds it even when it is empty.
TEST_F(Provisioning, AUnitAnswerCutBeforeTheValueIsNotReadAndOneThatReachesItIs) {
    bench.unit.period = 12;
    bench.unit.address = 255;
    const struct {
        Value value;
        size_t cut;
        Outcome outcome;
        const char* held;
    } cases[] = {
        {Value::period, 4, Outcome::notRead, ""},  {Value::period, 5, Outcome::read, "012"},
        {Value::address, 4, Outcome::notRead, ""}, {Value::address, 0, Outcome::read, "255"},
        {Value::phone1, 7, Outcome::notRead, ""},  {Value::phone1, 8, Outcome::read, ""},
        {Value::smsPhone, 7, Outcome::notRead, ""}, {Value::smsPhone, 0, Outcome::read, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(valueName(c.value)) + " cut after " + std::to_string(c.cut));
        bench.cutAfter = c.cut;
        bool noInternet = false;
        const provision::Run run = readWanted(wanting({{c.value, "x"}}), &noInternet);
        ASSERT_EQ(run.results.size(), 1u);
        EXPECT_EQ(run.results[0].outcome, c.outcome);
        EXPECT_EQ(run.results[0].readBack, c.held);
        EXPECT_EQ(run.exitCode, c.outcome == Outcome::read ? exitOk : exitNoAnswer);
        // A value not read has its one line on stderr; read --save-profile then keeps no file.
        EXPECT_EQ(run.failures.size(), c.outcome == Outcome::read ? 0u : 1u);
    }
}

// A password cannot be read back to compare: given one, the modem is set up even when every
// other value is the same.
TEST_F(Provisioning, ApplyWithANewPasswordSetsTheModemUpWhenEverythingElseIsTheSame) {
    bench.modem = support::setUpModem("10.0.0.5", "internet", "gdata");
    bench.modem.storedConnection[0].set("passwd", "old");
    Wanted wanted = wanting({{Value::ip, "10.0.0.5"}, {Value::apn, "internet"}, {Value::user, "gdata"}});
    ASSERT_EQ(checkWanted(wanted, false), "");

    // Without it, nothing is written.
    Applied applied = applyDifferences(wanted);
    EXPECT_EQ(applied.run.exitCode, exitOk);
    for (Value value : {Value::ip, Value::apn, Value::user}) EXPECT_TRUE(resultOf(applied.run, value)->unchanged);
    EXPECT_EQ(bench.modem.storedConnection[0].get("passwd"), "old");

    wanted[Value::password] = "n3w";
    applied = applyDifferences(wanted);
    EXPECT_EQ(applied.run.exitCode, exitOk);
    ASSERT_NE(resultOf(applied.run, Value::password), nullptr) << "the report names the password";
    EXPECT_EQ(resultOf(applied.run, Value::password)->outcome, Outcome::notVerifiable);
    EXPECT_EQ(resultOf(applied.run, Value::password)->written, "***");
    EXPECT_FALSE(resultOf(applied.run, Value::apn)->unchanged);
    EXPECT_EQ(resultOf(applied.run, Value::apn)->outcome, Outcome::match);
    EXPECT_EQ(bench.modem.storedConnection[0].get("passwd"), "n3w");
}

// After a refused step the query still runs: the report shows what the modem kept beside the
// refusal, and the values it took are compared as usual.
TEST_F(Provisioning, ARefusedSetUpIsReadBackAndShowsWhatTheModemKept) {
    bench.modem = support::setUpModem("10.0.0.4", "old", "gdata");
    bench.errorTo = "AT^SICS=0,\"apn\"";
    const provision::Run run = writeAndVerify(
        wanting({{Value::ip, "10.0.0.5"}, {Value::apn, "inet"}, {Value::user, "gdata"}, {Value::password, "pw"}}));
    EXPECT_EQ(run.exitCode, exitFailed);
    const Result* apn = resultOf(run, Value::apn);
    ASSERT_NE(apn, nullptr);
    EXPECT_EQ(apn->outcome, Outcome::refused);
    EXPECT_EQ(apn->written, "inet");
    EXPECT_EQ(apn->queried, Outcome::read);
    EXPECT_EQ(apn->readBack, "old");
    EXPECT_EQ(resultOf(run, Value::ip)->outcome, Outcome::match);
    EXPECT_EQ(resultOf(run, Value::ip)->readBack, "10.0.0.5");
    ASSERT_EQ(run.failures.size(), 1u);
    EXPECT_EQ(run.failures[0], "modem: Error! (the modem answered ERROR to set-up step 6 (APN))");
}

}  // namespace
