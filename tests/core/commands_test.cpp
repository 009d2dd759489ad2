#include "app/commands.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/layout.h"
#include "app/trace_decode.h"
#include "base/app_state.h"
#include "base/trace.h"
#include "fakes.h"
#include "modem/settings_file.h"

using namespace tarnwick;

namespace {

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        fake::resetPort();
        std::remove(settingsFileName);
        createMainControls(fake::window());
    }
    void TearDown() override { std::remove(settingsFileName); }

    std::string status() { return fake::controlById(idPortStatus)->text; }

    std::string openWithName(const std::string& name) {
        fake::controlById(idPortName)->text = name;
        EXPECT_TRUE(handleCommand(idOpenPort, notifyClick));
        return status();
    }
};

TEST_F(CommandsTest, NameChecks) {
    for (const char* good : {"COM1", "COM9", "COM10", "COM256", "COM5x", "COM+5", "COM 7"}) {
        fake::resetPort();
        closePortCommand();
        EXPECT_NE(openWithName(good), "Name is wrong.") << good;
        ASSERT_EQ(fake::openedPaths.size(), 1u) << good;
        EXPECT_EQ(fake::openedPaths[0], std::string("\\\\.\\") + good) << "path from the name as typed";
    }
    closePortCommand();
    fake::resetPort();
    for (const char* bad : {"COM0", "COM257", "com1", "COM", "COMX1", "PORT1", "COM1234",
                            "COM-1", "COM999", ""}) {
        EXPECT_EQ(openWithName(bad), "Name is wrong.") << bad;
    }
    EXPECT_TRUE(fake::openedPaths.empty());
    EXPECT_EQ(fake::startCount, 0);
}

TEST_F(CommandsTest, OpenShowsTheNameAndStartsTheThreads) {
    EXPECT_EQ(openWithName("COM1"), "The COM1 is opened.");
    EXPECT_EQ(fake::startCount, 1);
    EXPECT_NE(portHandle, invalidPort);
}

TEST_F(CommandsTest, FailedOpenStartsNothing) {
    for (int result : {-1, -2, -3, -4, 5}) {
        fake::openResult = result;
        EXPECT_EQ(openWithName("COM3"), "Port did't open!");
    }
    EXPECT_EQ(fake::startCount, 0);
    EXPECT_EQ(portHandle, invalidPort);
}

TEST_F(CommandsTest, OpenWhoseThreadsDoNotStartClosesThePortAgain) {
    fake::threadsFail = true;
    EXPECT_EQ(openWithName("COM4"), "Port did't open!");
    EXPECT_EQ(fake::stopCount, 1) << "the thread that did start is stopped";
    ASSERT_EQ(fake::closedHandles.size(), 1u);
    EXPECT_EQ(portHandle, invalidPort);
    EXPECT_EQ(writerRunning, 0);
    fake::threadsFail = false;
    EXPECT_EQ(openWithName("COM4"), "The COM4 is opened.") << "a later open works";
}

TEST_F(CommandsTest, OpenWhileOpenKeepsTheRunningConnection) {
    openWithName("COM1");
    const PortHandle held = portHandle;
    EXPECT_EQ(openWithName("COM1"), "Port did't open!");
    EXPECT_EQ(portHandle, held);
    EXPECT_EQ(fake::openedPaths.size(), 1u) << "the held port is not opened a second time";
    EXPECT_EQ(fake::startCount, 1);
    EXPECT_EQ(writerRunning, 1);
    EXPECT_TRUE(fake::closedHandles.empty());
}

TEST_F(CommandsTest, CloseTwiceAndOpenAgain) {
    openWithName("COM2");
    const PortHandle held = portHandle;
    EXPECT_TRUE(handleCommand(idClosePort, notifyClick));
    EXPECT_EQ(status(), "The Port is closed.");
    ASSERT_EQ(fake::closedHandles.size(), 1u);
    EXPECT_EQ(fake::closedHandles[0], held);
    EXPECT_EQ(portHandle, invalidPort);
    EXPECT_EQ(writerRunning, 0);

    fake::controlById(idPortStatus)->text = "";
    handleCommand(idClosePort, notifyClick);
    EXPECT_EQ(status(), "The Port is closed.");
    EXPECT_EQ(fake::closedHandles.size(), 1u) << "nothing left to close";

    EXPECT_EQ(openWithName("COM2"), "The COM2 is opened.");
    EXPECT_EQ(fake::startCount, 2);
}

TEST_F(CommandsTest, ButtonsRaiseTheirJobsTriggers) {
    const struct { int id; Job* job; } rows[] = {
        {3144, &periodReadJob},  {3145, &addressReadJob},  {3146, &phone1ReadJob},
        {3147, &phone2ReadJob},  {3148, &smsPhoneReadJob}, {3149, &periodWriteJob},
        {3150, &addressWriteJob}, {3151, &phone1WriteJob}, {3152, &phone2WriteJob},
        {3153, &smsPhoneWriteJob},
    };
    for (const auto& row : rows) {
        for (Job* job : allJobs) job->trigger = 0;
        // The row buttons act whatever notification comes with the command.
        EXPECT_TRUE(handleCommand(row.id, 5)) << row.id;
        for (Job* job : allJobs) EXPECT_EQ(job->trigger, job == row.job ? 1 : 0) << row.id;
    }
    EXPECT_TRUE(handleCommand(idModemRead, notifyClick));
    EXPECT_EQ(modemQueryJob.trigger, 1);
    EXPECT_TRUE(handleCommand(idModemWrite, notifyClick));
    EXPECT_EQ(modemSetupJob.trigger, 1);
}

TEST_F(CommandsTest, ModemButtonsActOnClicksOnly) {
    EXPECT_FALSE(handleCommand(idModemRead, 1));
    EXPECT_FALSE(handleCommand(idModemWrite, 0x300));
    EXPECT_FALSE(handleCommand(idNoInternet, 1));
    EXPECT_EQ(modemQueryJob.trigger, 0);
    EXPECT_EQ(modemSetupJob.trigger, 0);
    EXPECT_FALSE(fake::controlById(idNoInternet)->checked);
}

TEST_F(CommandsTest, RaisingTwiceChangesNothingAndNothingElseIsTouched) {
    periodReadJob.state = 2;
    handleCommand(3144, 0);
    handleCommand(3144, 0);
    EXPECT_EQ(periodReadJob.trigger, 1);
    EXPECT_EQ(periodReadJob.state, 2) << "a handler never touches a job's state";
}

TEST_F(CommandsTest, NoInternetBoxBlanksAndReloadsTheModemPanel) {
    std::ofstream(settingsFileName, std::ios::binary) << "1.2.3.4\r\napn\r\nuser\r\npw";
    fake::controlById(idIpAddress)->text = "typed";
    EXPECT_TRUE(handleCommand(idNoInternet, notifyClick));
    EXPECT_TRUE(fake::controlById(idNoInternet)->checked);
    for (int id : {idIpAddress, idApn, idUser, idPassword}) EXPECT_EQ(fake::controlById(id)->text, "");

    EXPECT_TRUE(handleCommand(idNoInternet, notifyClick));
    EXPECT_FALSE(fake::controlById(idNoInternet)->checked);
    EXPECT_EQ(fake::controlById(idIpAddress)->text, "1.2.3.4");
    EXPECT_EQ(fake::controlById(idPassword)->text, "pw");
}

// A pulled adapter shows once; Close and Open work as ever.
TEST_F(CommandsTest, ALostDeviceIsShownUntilThePortIsClosed) {
    openWithName("COM3");
    checkPortLost();
    EXPECT_EQ(status(), "The COM3 is opened.") << "nothing is lost yet";
    fake::deviceLost = true;
    const uint32_t before = traceNewest();
    checkPortLost();
    EXPECT_EQ(status(), "The COM3 is lost.");
    ASSERT_EQ(traceNewest(), before + 1);
    EXPECT_EQ(traceRecord(traceNewest())->kind, TraceKind::portLost);
    fake::controlById(idPortStatus)->text = "";
    checkPortLost();
    EXPECT_EQ(status(), "") << "shown once";
    EXPECT_TRUE(handleCommand(idClosePort, notifyClick));
    EXPECT_EQ(status(), "The Port is closed.");
    checkPortLost();
    EXPECT_EQ(status(), "The Port is closed.") << "no port, nothing to lose";
    fake::deviceLost = false;
    EXPECT_EQ(openWithName("COM3"), "The COM3 is opened.");
}

// A device another program holds shows the usual text; the trace and the command line learn who.
TEST_F(CommandsTest, ABusyPortNamesItsHolderInTheTrace) {
    const auto newestLine = [] {
        char line[traceLineCapacity];
        decodeTrace(*traceRecord(traceNewest()), line, sizeof line);
        return std::string(line).substr(std::string(line).find("--  ") + 4);
    };
    fake::openResult = -1;
    fake::portHolder = "ModemManager (pid 812)";
    fake::portHolderRule = "KERNEL==\"ttyUSB0\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"";
    EXPECT_EQ(openWithName("COM3"), "Port did't open!");
    EXPECT_EQ(newestLine(), std::string("port COM3 did not open: in use by ModemManager (pid 812); ") +
                                portHolderRuleAdvice + " KERNEL==\"ttyUSB0\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"");
    EXPECT_STREQ(lastPortHolder().who, "ModemManager (pid 812)");
    fake::openResult = -3;  // the device opened, its line settings were refused: nobody to name
    EXPECT_EQ(openWithName("COM3"), "Port did't open!");
    EXPECT_EQ(newestLine(), "port COM3 did not open (result -3)");
    EXPECT_STREQ(lastPortHolder().who, "");
}

// After the loss the same port is tried once a second, never while a job runs, until it opens;
// Close or Open ends the tries.
TEST_F(CommandsTest, ALostPortIsTriedOnceASecondBetweenJobsUntilItOpens) {
    const auto lose = [this] {
        fake::deviceLost = true;
        checkPortLost();
        EXPECT_EQ(status(), "The COM3 is lost.");
        fake::deviceLost = false;
        fake::openResult = -1;
    };
    const auto tick = [](uint32_t ms) {
        fake::nowMs += ms;
        checkPortLost();
        return fake::openedPaths.size();
    };
    openWithName("COM3");
    lose();
    EXPECT_EQ(tick(999), 1u) << "not within the first second";
    periodReadJob.state = 2;  // a read waits for the answer the gone device never sends
    EXPECT_EQ(tick(5000), 1u);
    periodReadJob.state = 0;
    smsPhoneWriteJob.trigger = 1;
    EXPECT_EQ(tick(0), 1u);
    smsPhoneWriteJob.trigger = 0;
    EXPECT_TRUE(fake::closedHandles.empty()) << "nothing let go while a job runs";

    EXPECT_EQ(tick(0), 2u);
    EXPECT_EQ(fake::openedPaths[1], "\\\\.\\COM3");
    EXPECT_EQ(fake::closedHandles.size(), 1u) << "the gone device is let go first";
    EXPECT_EQ(traceRecord(traceNewest())->kind, TraceKind::portRetrying);
    EXPECT_EQ(tick(600), 2u);
    EXPECT_EQ(tick(400), 3u);
    EXPECT_EQ(fake::closedHandles.size(), 1u);
    EXPECT_EQ(status(), "The COM3 is lost.");
    fake::openResult = 0;
    EXPECT_EQ(tick(1000), 4u);
    EXPECT_EQ(status(), "The COM3 is opened.");
    EXPECT_EQ(traceRecord(traceNewest())->kind, TraceKind::portReopened);
    EXPECT_EQ(tick(5000), 4u) << "open: no more tries";

    lose();  // pulled once more: shown and tried once more
    EXPECT_EQ(tick(1000), 5u);
    handleCommand(idClosePort, notifyClick);
    EXPECT_EQ(tick(5000), 5u) << "Close the Port ends the tries";

    fake::openResult = 0;
    openWithName("COM3");
    lose();
    EXPECT_EQ(openWithName("COM4"), "Port did't open!") << "Open takes over from the tries";
    EXPECT_EQ(fake::openedPaths.back(), "\\\\.\\COM4");
    EXPECT_EQ(tick(5000), 7u) << "COM3 is no longer tried";
}

TEST_F(CommandsTest, AboutExitTraceAndUnknownIds) {
    EXPECT_TRUE(handleCommand(idTrace, notifyClick));
    EXPECT_EQ(fake::traceShown, 1);
    EXPECT_TRUE(handleCommand(idAbout, notifyAccelerator));
    EXPECT_EQ(fake::aboutShown, 1);
    EXPECT_TRUE(handleCommand(idExit, notifyClick));
    EXPECT_EQ(fake::windowDestroyed, 1);
    EXPECT_FALSE(handleCommand(idPortName, 0x300)) << "edit box notifications are not handled";
    EXPECT_FALSE(handleCommand(12345, 0));
}

}  // namespace
