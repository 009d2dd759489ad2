// The modem set-up in both variants against a modem on the fake link.
#include <string>
#include <vector>

#include "modem/at_commands.h"
#include "modem/modem_jobs.h"
#include "modem_link.h"

using namespace tarnwick;
using jobs::blankOkAnswer;
using jobs::errorAnswer;
using jobs::line;
using jobs::okAnswer;

namespace {

const std::vector<std::string> internetCommands(const std::string& address,
                                                const std::string& apn, const std::string& user,
                                                const std::string& password) {
    return {
        line("+++"),
        line("ATE0"),
        line("AT^SISS=0,\"srvType\",\"Socket\""),
        line("AT^SISS=0,\"address\",\"socktcp://listener:65534\""),
        line("AT^SISS=9,\"srvType\",\"Socket\""),
        line("AT^SISS=9,\"address\",\"socktcp://" + address + ":65534\""),
        line("AT^SICS=0,\"conType\",\"GPRS0\""),
        line("AT^SICS=0,\"apn\",\"" + apn + "\""),
        line("AT^SICS=0,\"user\",\"" + user + "\""),
        line("AT^SICS=0,\"passwd\",\"" + password + "\""),
        line("AT^SIPS=service,save,0"),
        line("AT^SIPS=service,save,9"),
        line("AT^SIPS=connection,save,0"),
    };
}

std::vector<std::string> noInternetCommands() {
    std::vector<std::string> out = {line("+++")};
    for (int i = 0; i <= 5; ++i) out.push_back(line("AT^SIPS=all,reset," + std::to_string(i)));
    for (int i = 0; i <= 5; ++i) out.push_back(line("AT^SIPS=all,save," + std::to_string(i)));
    for (int i = 6; i <= 9; ++i) {
        out.push_back(line("AT^SIPS=service,reset," + std::to_string(i)));
        out.push_back(line("AT^SIPS=service,save," + std::to_string(i)));
    }
    for (const char* c : {"ATE0", "AT+CMGF=1", "AT&D0", "AT&W"}) out.push_back(line(c));
    return out;
}

std::string progressMark(int k) { return std::string(k / 4, '.') + "|/-\\"[k % 4]; }

class SetupJobTest : public jobs::ModemTest {
protected:
    void SetUp() override {
        ModemTest::SetUp();
        type(idIpAddress, "10.0.0.1");
        type(idApn, "internet");
        type(idUser, "gdata");
        type(idPassword, "abc");
    }
    void noInternet(bool set) { fake::controlById(idNoInternet)->checked = set; }
    void run() {
        press(idModemWrite);
        runJob(modemSetupJob, idSetupStatus);
    }
    std::string status() { return shown(idSetupStatus); }
    // Tick of the send of command i of the internet variant, i = 0 for the escape, answered
    // at once by the modem.
    static uint32_t internetSendTick(int i) { return i == 0 ? 1 : i == 1 ? 23 : 24 + 2 * (i - 2); }
};

TEST_F(SetupJobTest, InternetVariantSendsEveryCommandOnItsTick) {
    respond = jobs::Modem{};
    press(idModemWrite);
    tick();
    EXPECT_TRUE(sent.empty()) << "the accepting tick sends nothing";
    EXPECT_EQ(status(), "   ") << "the previous text stays through the escape";
    runJob(modemSetupJob, idSetupStatus);

    const auto expected = internetCommands("10.0.0.1", "internet", "gdata", "abc");
    ASSERT_EQ(commands(), expected);
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(sent[i].tick, internetSendTick(static_cast<int>(i))) << expected[i];
    // Step 0's OK is seen on tick 24, which also sends step 1; later steps go a tick after
    // their answer; "Ok!" a tick after the last answer.
    EXPECT_EQ(status(), "Ok!");
    EXPECT_EQ(tickCount, 47u) << "Ok! shown on tick 46";
    EXPECT_EQ(sent[5].bytes.size(), 48u);

    ASSERT_EQ(marks.size(), 13u);
    EXPECT_EQ(marks[0], "   ");
    for (int k = 0; k < 12; ++k) EXPECT_EQ(marks[k + 1], progressMark(k)) << k;
    EXPECT_EQ(marks[12], "..\\");
}

TEST_F(SetupJobTest, InternetVariantSavesThePanelBeforeEchoOff) {
    respond = jobs::Modem{};
    press(idModemWrite);
    tickUntil(23);
    EXPECT_FALSE(jobs::fileExists(settingsFileName));
    tick();
    ASSERT_EQ(sent.back().bytes, line("ATE0"));
    EXPECT_EQ(jobs::fileText(settingsFileName), "10.0.0.1\r\ninternet\r\ngdata\r\nabc");
}

TEST_F(SetupJobTest, TheOkComesOnTheTickAfterTheLastAnswer) {
    respond = jobs::Modem{};
    press(idModemWrite);
    tickUntil(45);
    EXPECT_EQ(modemSetupJob.trigger, 1);
    tick();  // tick 45 sees the answer to the last save
    EXPECT_EQ(status(), "..\\");
    EXPECT_EQ(modemSetupJob.trigger, 1);
    tick();
    EXPECT_EQ(status(), "Ok!");
    EXPECT_EQ(modemSetupJob.trigger, 0);
}

// A refused setting still lets the rest through, in the same order and on the same ticks,
// but the run no longer reports success.
TEST_F(SetupJobTest, AnErrorToAnyStepAfterEchoOffSendsTheRestButEndsWithError) {
    const auto commandsSent = internetCommands("10.0.0.1", "internet", "gdata", "abc");
    for (int refused : {-1, 2, 7, 12}) {
        SCOPED_TRACE(refused);
        SetUp();
        jobs::Modem modem;
        for (int i = 2; i < 13; ++i)
            if (refused < 0 || i == refused) modem.overrides[commandsSent[i]] = errorAnswer;
        respond = modem;
        run();
        EXPECT_EQ(status(), "Error!");
        EXPECT_EQ(commands(), commandsSent);
        EXPECT_EQ(sent.back().tick, internetSendTick(12));
        EXPECT_EQ(tickCount, internetSendTick(12) + 3) << "on the tick an Ok! would have come";
    }
}

// The engineer corrects the refused value and writes again in the same window: the modem's
// earlier refusal is no part of the new run.
TEST_F(SetupJobTest, ARunAfterARefusedOneEndsOkWhenTheModemTakesEverything) {
    jobs::Modem refusing;
    refusing.overrides[line("AT^SICS=0,\"apn\",\"internet\"")] = errorAnswer;
    respond = refusing;
    run();
    ASSERT_EQ(status(), "Error!");
    for (bool without : {false, true}) {
        noInternet(without);
        type(idApn, without ? "" : "inet");
        sent.clear();
        respond = refusing;
        run();
        EXPECT_EQ(status(), "Ok!") << (without ? "without internet" : "internet");
        EXPECT_EQ(sent.size(), without ? 25u : 13u);
        respond = refusing;
        type(idApn, "internet");
        noInternet(false);
        run();
        ASSERT_EQ(status(), "Error!");
    }
}

TEST_F(SetupJobTest, EchoOffTakesOnlyThePlainOk) {
    for (const std::string& answer : {errorAnswer, blankOkAnswer}) {
        sent.clear();
        jobs::Modem modem;
        modem.overrides[line("ATE0")] = answer;
        respond = modem;
        const uint32_t start = tickCount;
        run();
        EXPECT_EQ(status(), "Error!");
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(tickCount, start + 23 + 61 + 1) << "Error! on the deadline of ATE0";
    }
    // The echo of ATE0 in front of the OK counts as OK.
    sent.clear();
    jobs::Modem modem;
    modem.overrides[line("ATE0")] = "ATE0\r\r\nOK\r\n";
    respond = modem;
    run();
    EXPECT_EQ(status(), "Ok!");
}

TEST_F(SetupJobTest, ASilentModemFailsAtEchoOffWithThePanelAlreadySaved) {
    press(idModemWrite);
    runJob(modemSetupJob, idSetupStatus);
    EXPECT_EQ(status(), "Error!");
    ASSERT_EQ(commands(), (std::vector<std::string>{line("+++"), line("ATE0")}));
    EXPECT_EQ(tickCount, 23u + 61u + 1u) << "Error! on tick T+61 of ATE0";
    EXPECT_EQ(jobs::fileText(settingsFileName), "10.0.0.1\r\ninternet\r\ngdata\r\nabc");
}

TEST_F(SetupJobTest, EmptyFieldsGiveTheStoredCommands) {
    for (int id : {idIpAddress, idApn, idUser, idPassword}) type(id, "");
    respond = jobs::Modem{};
    run();
    const auto c = commands();
    ASSERT_EQ(c.size(), 13u);
    EXPECT_EQ(c[5], line("AT^SISS=9,\"address\",\"socktcp:// :65534\""));
    EXPECT_EQ(c[5].size(), 41u) << "the blank stays in";
    EXPECT_EQ(c[7], line("AT^SICS=0,\"apn\",\"\""));
    EXPECT_EQ(c[8], line("AT^SICS=0,\"user\",\"\""));
    EXPECT_EQ(c[9], line("AT^SICS=0,\"passwd\",\"\""));
    EXPECT_EQ(c[9].size(), 23u);
    EXPECT_EQ(jobs::fileText(settingsFileName), "\r\n\r\n\r\n");
}

TEST_F(SetupJobTest, EditedCommandsCarryTheValuesAsTyped) {
    type(idIpAddress, "data.example.org");
    type(idApn, "a'b");
    type(idUser, "x y");
    type(idPassword, "abc");
    respond = jobs::Modem{};
    run();
    const auto c = commands();
    ASSERT_EQ(c.size(), 13u);
    EXPECT_EQ(c[5], line("AT^SISS=9,\"address\",\"socktcp://data.example.org:65534\""));
    EXPECT_EQ(c[5].size(), 40u + 16u);
    EXPECT_EQ(c[7], line("AT^SICS=0,\"apn\",\"a'b\"")) << "no quoting or escaping";
    EXPECT_EQ(c[8], line("AT^SICS=0,\"user\",\"x y\""));
    EXPECT_EQ(c[9], line("AT^SICS=0,\"passwd\",\"abc\""));
    EXPECT_EQ(c[9].size(), 26u);
}

// A double quote or a control byte cannot stand inside a quoted value on one command line.
// All four values are checked before the escape, so a bad one leaves the modem and the
// settings file untouched.
TEST_F(SetupJobTest, AValueThatCannotMakeACommandStopsTheRunBeforeTheEscape) {
    for (const int id : {idIpAddress, idApn, idUser, idPassword}) {
        for (const char* bad : {"a\"b", "line\nbreak", "t\tab", "\x1F"}) {
            SCOPED_TRACE(std::to_string(id) + " " + std::string(bad));
            SetUp();
            type(id, bad);
            respond = jobs::Modem{};
            run();
            EXPECT_EQ(status(), "Error!");
            EXPECT_TRUE(sent.empty());
            EXPECT_FALSE(jobs::fileExists(settingsFileName));
            EXPECT_EQ(tickCount, 2u) << "ends on the tick the escape would have gone";
        }
    }
}

// The check is made again at each step: a value changed during the run is refused there.
TEST_F(SetupJobTest, AValueSpoiledDuringTheRunEndsItAtItsStep) {
    respond = jobs::Modem{};
    press(idModemWrite);
    tickUntil(25);
    type(idUser, "we\"ird");
    runJob(modemSetupJob, idSetupStatus);
    EXPECT_EQ(status(), "Error!");
    ASSERT_EQ(sent.size(), 8u) << "up to the APN, nothing of the user's command";
    EXPECT_EQ(sent.back().bytes, line("AT^SICS=0,\"apn\",\"internet\""));
}

TEST_F(SetupJobTest, EachValueIsReadWhenItsCommandIsComposed) {
    respond = jobs::Modem{};
    press(idModemWrite);
    tickUntil(25);  // the panel has been saved and step 1 sent
    type(idIpAddress, "192.168.7.7");
    type(idPassword, "late");
    runJob(modemSetupJob, idSetupStatus);
    EXPECT_EQ(commands(), internetCommands("192.168.7.7", "internet", "gdata", "late"));
    EXPECT_EQ(jobs::fileText(settingsFileName), "10.0.0.1\r\ninternet\r\ngdata\r\nabc");
}

TEST_F(SetupJobTest, AValueTooLongForTheTxBufferEndsTheRunAtItsStep) {
    const struct {
        int id;
        size_t limit;
        int command;  // index into the internet commands
    } values[] = {{idIpAddress, 215, 5}, {idApn, 235, 7}, {idUser, 234, 8}, {idPassword, 232, 9}};
    for (const auto& v : values) {
        for (size_t length : {v.limit, v.limit + 1}) {
            SetUp();
            sent.clear();
            type(v.id, std::string(length, 'v'));
            respond = jobs::Modem{};
            run();
            if (length == v.limit) {
                EXPECT_EQ(status(), "Ok!") << v.id;
                ASSERT_EQ(sent.size(), 13u);
                EXPECT_EQ(sent[v.command].bytes.size(), 255u) << "the longest command that fits";
                EXPECT_NE(sent[v.command].bytes.find(std::string(length, 'v')), std::string::npos);
            } else {
                EXPECT_EQ(status(), "Error!") << v.id;
                EXPECT_TRUE(sent.empty()) << "refused before the escape";
                EXPECT_FALSE(jobs::fileExists(settingsFileName));
            }
        }
    }
}

TEST_F(SetupJobTest, TheDeadlineIsTestedBeforeTheBits) {
    // srvType of profile 9 is answered only on the tick of its deadline: too late.
    jobs::Modem modem;
    modem.overrides[line("AT^SISS=9,\"srvType\",\"Socket\"")] = "";
    respond = modem;
    press(idModemWrite);
    const uint32_t t = internetSendTick(4);
    tickUntil(t + 61);
    EXPECT_EQ(modemSetupJob.trigger, 1);
    answer(blankOkAnswer);
    tick();
    EXPECT_EQ(status(), "Error!");
    EXPECT_EQ(modemSetupJob.trigger, 0);
    EXPECT_EQ(sent.size(), 5u);

    // One tick earlier it still counts.
    SetUp();
    sent.clear();
    respond = modem;
    press(idModemWrite);
    tickUntil(t + 60);
    answer(blankOkAnswer);
    tick();
    EXPECT_EQ(modemSetupJob.trigger, 1);
    tick();
    EXPECT_EQ(sent.back().bytes, line("AT^SISS=9,\"address\",\"socktcp://10.0.0.1:65534\""));
}

TEST_F(SetupJobTest, NoInternetVariantResetsStoresAndEndsOnTheTickOfTheLastAnswer) {
    noInternet(true);
    respond = jobs::Modem{};
    press(idModemWrite);
    tick();
    noInternet(false);  // the variant is fixed when the job starts
    runJob(modemSetupJob, idSetupStatus);
    ASSERT_EQ(commands(), noInternetCommands());
    EXPECT_EQ(sent[0].tick, 1u);
    for (size_t k = 0; k < 24; ++k) EXPECT_EQ(sent[k + 1].tick, 23 + 2 * k) << k;
    EXPECT_EQ(tickCount, 23u + 2 * 23 + 1 + 1) << "Ok! on the tick that sees the AT&W answer";
    EXPECT_EQ(status(), "Ok!");
    ASSERT_EQ(marks.size(), 25u);
    for (int k = 0; k < 24; ++k) EXPECT_EQ(marks[k + 1], progressMark(k)) << k;
    EXPECT_EQ(marks[24], ".....\\");
    EXPECT_FALSE(jobs::fileExists(settingsFileName)) << "only the internet variant saves";
}

TEST_F(SetupJobTest, NoInternetVariantTakesErrorToTheResetsAndSavesButNotToTheLastFour) {
    const auto all = noInternetCommands();
    noInternet(true);
    jobs::Modem modem;
    for (size_t i = 1; i <= 19; ++i) modem.overrides[all[i]] = errorAnswer;  // steps 0-18
    respond = modem;
    run();
    EXPECT_EQ(status(), "Ok!") << "unused profiles may refuse their reset or save";
    EXPECT_EQ(sent.size(), 25u);

    // ERROR to AT&W (or any of the last four): every command still goes out, in order.
    for (size_t refused = 21; refused <= 24; ++refused) {
        SetUp();
        noInternet(true);
        sent.clear();
        jobs::Modem closing;
        closing.overrides[all[refused]] = errorAnswer;
        respond = closing;
        run();
        EXPECT_EQ(status(), "Error!") << all[refused];
        EXPECT_EQ(commands(), all);
    }

    SetUp();
    noInternet(true);
    sent.clear();
    modem.overrides[line("AT^SIPS=service,save,9")] = errorAnswer;
    respond = modem;
    run();
    EXPECT_EQ(status(), "Error!");
    ASSERT_EQ(sent.size(), 21u) << "nothing after AT^SIPS=service,save,9";
    EXPECT_EQ(sent.back().bytes, line("AT^SIPS=service,save,9"));
    EXPECT_EQ(tickCount, sent.back().tick + 61 + 1) << "Error! on its deadline";
}

// A modem just powered up echoes every command line in front of its answer.
TEST_F(SetupJobTest, BothVariantsPassAModemWhoseEchoIsOn) {
    const auto withEcho = [](const std::string& command) {
        const std::string answer = jobs::Modem{}(command);
        return command == line("+++") ? answer : command.substr(0, command.size() - 1) + answer;
    };
    for (bool without : {false, true}) {
        SetUp();
        sent.clear();
        noInternet(without);
        respond = withEcho;
        run();
        EXPECT_EQ(status(), "Ok!") << (without ? "without internet" : "internet");
        EXPECT_EQ(commands(), without ? noInternetCommands()
                                      : internetCommands("10.0.0.1", "internet", "gdata", "abc"));
    }
}

TEST_F(SetupJobTest, NoInternetEchoOffTakesOkAndError) {
    noInternet(true);
    jobs::Modem modem;
    modem.overrides[line("ATE0")] = blankOkAnswer;  // not accepted from here on
    respond = modem;
    run();
    EXPECT_EQ(status(), "Error!");
    EXPECT_EQ(sent.back().bytes, line("ATE0"));
}

TEST_F(SetupJobTest, WriteWhileTheQueryTriggerIsRaisedDoesNothing) {
    press(idModemRead);
    tick();
    type(idSetupStatus, "Ok!");
    press(idModemWrite);
    tick();
    EXPECT_EQ(modemSetupJob.trigger, 0);
    EXPECT_EQ(modemSetupJob.state, 0);
    EXPECT_EQ(status(), "Ok!");

    // Both pressed before one tick: the query is stepped first and gives way.
    SetUp();
    press(idModemRead);
    press(idModemWrite);
    tick();
    EXPECT_EQ(modemQueryJob.trigger, 0);
    EXPECT_NE(modemSetupJob.state, 0);
    EXPECT_EQ(shown(idQueryStatus), "   ");
    EXPECT_EQ(shown(idIpAddress), "10.0.0.1") << "the dropped query blanked nothing";
}

TEST_F(SetupJobTest, DeadlinesHoldAcrossTheSignedWrap) {
    tickCount = 2147483647u - 40;
    const uint32_t start = tickCount;
    run();
    EXPECT_EQ(status(), "Error!");
    EXPECT_EQ(tickCount, start + 23 + 61 + 1);
}

TEST_F(SetupJobTest, ASecondRunShowsThePreviousResultUntilItsFirstStep) {
    respond = jobs::Modem{};
    run();
    ASSERT_EQ(status(), "Ok!");
    sent.clear();
    press(idModemWrite);
    const uint32_t start = tickCount;
    tickUntil(start + 23);
    EXPECT_EQ(status(), "Ok!");
    tick();
    EXPECT_EQ(status(), "|");
}

}  // namespace
