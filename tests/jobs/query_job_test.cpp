// The modem settings query against a modem on the fake link.
#include <string>
#include <vector>

#include "modem/modem_jobs.h"
#include "modem_link.h"

using namespace tarnwick;
using jobs::blankOkAnswer;
using jobs::errorAnswer;
using jobs::line;
using jobs::okAnswer;

namespace {

const std::string serviceProfiles =
    "\r\n^SISS: 0,\"srvType\",\"Socket\"\r\n"
    "^SISS: 0,\"address\",\"socktcp://listener:65534\"\r\n"
    "^SISS: 9,\"srvType\",\"Socket\"\r\n"
    "^SISS: 9,\"address\",\"socktcp://10.1.2.3:65534\"\r\n\r\nOK\r\n";

const std::string connectionProfiles =
    "\r\n^SICS: 0,\"conType\",\"GPRS0\"\r\n"
    "^SICS: 0,\"apn\",\"inet.example\"\r\n"
    "^SICS: 0,\"user\",\"bob\"\r\n"
    "^SICS: 0,\"passwd\",\"*****\"\r\n\r\nOK\r\n";

const std::vector<std::string> queryCommands = {
    line("+++"),
    line("ATE0"),
    line("AT^SIPS=service,load,0"),
    line("AT^SIPS=service,load,9"),
    line("AT^SISS?"),
    line("AT^SICS?"),
};

class QueryJobTest : public jobs::ModemTest {
protected:
    void SetUp() override {
        ModemTest::SetUp();
        modem = jobs::Modem{};
        modem.overrides[line("AT^SISS?")] = serviceProfiles;
        modem.overrides[line("AT^SICS?")] = connectionProfiles;
        for (int id : {idIpAddress, idApn, idUser, idPassword}) type(id, "before");
    }
    void run() {
        respond = modem;
        press(idModemRead);
        runJob(modemQueryJob, idQueryStatus);
    }
    std::string status() { return shown(idQueryStatus); }
    bool panelBlank() {
        for (int id : {idIpAddress, idApn, idUser, idPassword})
            if (!shown(id).empty()) return false;
        return true;
    }

    jobs::Modem modem;
};

TEST_F(QueryJobTest, ReadsTheProfilesBackOnTickExactSteps) {
    respond = modem;
    press(idModemRead);
    tick();
    EXPECT_EQ(status(), "|") << "shown on the accepting tick";
    EXPECT_TRUE(panelBlank());
    EXPECT_TRUE(sent.empty());
    runJob(modemQueryJob, idQueryStatus);

    ASSERT_EQ(commands(), queryCommands);
    const uint32_t ticks[] = {1, 22, 23, 24, 25, 26};
    for (size_t i = 0; i < sent.size(); ++i) EXPECT_EQ(sent[i].tick, ticks[i]) << queryCommands[i];
    EXPECT_EQ(marks, (std::vector<std::string>{"|", "|", "/", "-", "\\", "|"}));
    EXPECT_EQ(status(), "Ok!");
    EXPECT_EQ(tickCount, 28u) << "Ok! on the tick that sees the ^SICS answer";
    EXPECT_EQ(shown(idIpAddress), "10.1.2.3");
    EXPECT_EQ(shown(idApn), "inet.example");
    EXPECT_EQ(shown(idUser), "bob");
    EXPECT_EQ(shown(idPassword), "") << "the password is never read back";
    EXPECT_FALSE(jobs::fileExists(settingsFileName));
}

TEST_F(QueryJobTest, ErrorToAProfileLoadMeansNothingIsStored) {
    modem.overrides[line("AT^SIPS=service,load,0")] = errorAnswer;
    run();
    EXPECT_EQ(status(), "Empty0");
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_EQ(tickCount, 25u) << "on the tick after the answer";
    EXPECT_TRUE(panelBlank());

    SetUp();
    modem.overrides[line("AT^SIPS=service,load,9")] = errorAnswer;
    run();
    EXPECT_EQ(status(), "Empty9");
    EXPECT_EQ(sent.size(), 4u);
    EXPECT_TRUE(panelBlank());
}

TEST_F(QueryJobTest, ProfileLoadsTakeOnlyTheBlankLineOk) {
    modem.overrides[line("AT^SIPS=service,load,0")] = okAnswer;
    const uint32_t start = tickCount;
    run();
    EXPECT_EQ(status(), "Error!");
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_EQ(tickCount, start + 23 + 61 + 1) << "Error! on tick T+61 of the load";
}

TEST_F(QueryJobTest, TheBlankLineOkWinsOverErrorSeenOnTheSameTick) {
    modem.overrides[line("AT^SIPS=service,load,0")] = "";
    respond = modem;
    press(idModemRead);
    tickUntil(24);
    ASSERT_EQ(sent.back().bytes, line("AT^SIPS=service,load,0"));
    answer(errorAnswer);
    answer(blankOkAnswer);
    tick();
    EXPECT_EQ(status(), "-");
    EXPECT_EQ(sent.back().bytes, line("AT^SIPS=service,load,9"));
}

TEST_F(QueryJobTest, ErrorToTheReadCommandsRunsIntoTheDeadline) {
    for (const char* command : {"AT^SISS?", "AT^SICS?"}) {
        SetUp();
        modem.overrides[line(command)] = errorAnswer;
        run();
        EXPECT_EQ(status(), "Error!") << command;
        EXPECT_EQ(tickCount, sent.back().tick + 61 + 1) << command;
        EXPECT_EQ(sent.back().bytes, line(command));
    }
}

TEST_F(QueryJobTest, ASilentModemEndsWithErrorAndABlankPanel) {
    respond = nullptr;
    press(idModemRead);
    runJob(modemQueryJob, idQueryStatus);
    EXPECT_EQ(status(), "Error!");
    EXPECT_EQ(commands(), (std::vector<std::string>{line("+++"), line("ATE0")}));
    EXPECT_EQ(tickCount, 22u + 61u + 1u);
    EXPECT_TRUE(panelBlank());
}

TEST_F(QueryJobTest, BitsLeftFromEarlierBurstsCompleteNoStep) {
    // The modem answers the escape with ERROR, and profile bursts land long before the query
    // asks for them; each send clears the bits its own wait looks at.
    modem.overrides[line("+++")] = errorAnswer;
    modem.overrides[line("AT^SISS?")] = "";
    respond = modem;
    press(idModemRead);
    tickUntil(2);
    answer(serviceProfiles);
    answer(connectionProfiles);
    ASSERT_EQ(responseStatus & (errorBit | sissBit | sicsBit), errorBit | sissBit | sicsBit);
    runJob(modemQueryJob, idQueryStatus);
    EXPECT_EQ(status(), "Error!") << "neither stale ERROR nor stale ^SISS ended a step";
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent.back().bytes, line("AT^SISS?"));
    EXPECT_EQ(tickCount, sent.back().tick + 61 + 1);
}

TEST_F(QueryJobTest, EmptyValuesLeaveTheirFieldsEmpty) {
    modem.overrides[line("AT^SICS?")] =
        "\r\n^SICS: 0,\"apn\",\"inet\"\r\n^SICS: 0,\"user\",\"\"\r\n\r\nOK\r\n";
    run();
    EXPECT_EQ(status(), "Ok!");
    EXPECT_EQ(shown(idUser), "");
    EXPECT_EQ(shown(idApn), "inet");
}

TEST_F(QueryJobTest, AQueryWhileTheSetUpTriggerIsRaisedChangesNothing) {
    press(idModemWrite);
    tick();
    tick();
    type(idQueryStatus, "Ok!");
    press(idModemRead);
    tick();
    EXPECT_EQ(modemQueryJob.trigger, 0);
    EXPECT_EQ(modemQueryJob.state, 0);
    EXPECT_EQ(status(), "Ok!");
    EXPECT_EQ(shown(idIpAddress), "before");
    EXPECT_EQ(shown(idPassword), "before");
}

TEST_F(QueryJobTest, TheDeadlineIsTestedBeforeTheBits) {
    modem.overrides[line("ATE0")] = "";
    respond = modem;
    press(idModemRead);
    tickUntil(22 + 61);
    answer(okAnswer);
    tick();
    EXPECT_EQ(status(), "Error!");
    EXPECT_EQ(sent.size(), 2u);
}

}  // namespace
