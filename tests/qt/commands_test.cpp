// Every command reaching its effect through the real widgets: buttons, menu, check box, the
// port commands with their name checks, and Exit.
#include <QSignalSpy>
#include <QTimer>
#include <QTest>

#include <thread>

#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "modem/settings_file.h"
#include "qt_support.h"
#include "serial/quiet_timer.h"
#include "ui/qt/simulated_port.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

class Commands : public qttest::WindowTest {
protected:
    void lowerAllTriggers() {
        for (Job* job : allJobs) job->trigger = 0;
    }
    // The indices of the raised triggers.
    std::vector<int> raised() const {
        std::vector<int> indices;
        for (int i = 0; i < jobCount; ++i)
            if (allJobs[i]->trigger != 0) indices.push_back(i);
        return indices;
    }
    QString status() const { return shown(idPortStatus); }
};

TEST_F(Commands, EachButtonRaisesItsOwnJobsTrigger) {
    openWindow();
    const struct {
        int id;
        int job;
    } buttons[] = {
        {3030, modemQueryIndex},   {3031, modemSetupIndex},   {3144, periodReadIndex},
        {3149, periodWriteIndex},  {3145, addressReadIndex},  {3150, addressWriteIndex},
        {3146, phone1ReadIndex},   {3151, phone1WriteIndex},  {3147, phone2ReadIndex},
        {3152, phone2WriteIndex},  {3148, smsPhoneReadIndex}, {3153, smsPhoneWriteIndex},
    };
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.id);
        lowerAllTriggers();
        QTest::mouseClick(button(b.id), Qt::LeftButton);
        EXPECT_EQ(raised(), std::vector<int>{b.job});
        // A raised trigger is raised again, not toggled.
        QTest::mouseClick(button(b.id), Qt::LeftButton);
        EXPECT_EQ(raised(), std::vector<int>{b.job});
    }
    lowerAllTriggers();
    button(idFirstRead + 2)->setFocus();
    QTest::keyClick(button(idFirstRead + 2), Qt::Key_Space);
    EXPECT_EQ(raised(), std::vector<int>{phone1ReadIndex}) << "the keyboard clicks as well";
    EXPECT_EQ(portHandle, invalidPort) << "raising a trigger opens nothing";
}

TEST_F(Commands, TicksStepTheJobsAButtonStarted) {
    openWindow();
    QTest::mouseClick(button(idFirstRead + 1), Qt::LeftButton);
    ASSERT_EQ(addressReadJob.trigger, 1);
    // With no port the job still starts, sends into nothing and runs into its deadline.
    for (int i = 0; i < 70 && addressReadJob.trigger != 0; ++i) mainTick();
    EXPECT_EQ(addressReadJob.trigger, 0);
    EXPECT_EQ(addressReadJob.state, 0);
    EXPECT_EQ(shown(idFirstValue + 1), QString()) << "a timed-out job shows nothing";
}

TEST_F(Commands, NameChecksThroughTheWindow) {
    openWindow();
    // No device behind these names, so the names that pass the checks fail at the port.
    for (const char* name : {"COM200", "COM256", "COM5x", "COM+5", "COM 99"}) {
        retype(idPortName, name);
        ASSERT_EQ(shown(idPortName), name);
        command(idOpenPort);
        EXPECT_EQ(status(), "Port did't open!") << name;
    }
    for (const char* name : {"COM0", "COM257", "com1", "COM", "COMX1", "PORT1", "COM-1", ""}) {
        retype(idPortName, name);
        command(idOpenPort);
        EXPECT_EQ(status(), "Name is wrong.") << name;
    }
    // Seven characters do not fit the box when typed; pasted into it they are refused by name.
    line(idPortName)->setText("COM1234");
    command(idOpenPort);
    EXPECT_EQ(status(), "Name is wrong.");
    EXPECT_EQ(portHandle, invalidPort);
    EXPECT_EQ(readerRunning, 0);
}

TEST_F(Commands, OpenTwiceKeepsTheFirstConnectionCloseTwiceIsHarmless) {
    SimulatedPort simulated;
    ASSERT_EQ(simulated.error(), "");
    openWindow();
    command(idOpenPort);
    EXPECT_EQ(status(), "The COM1 is opened.");
    const PortHandle held = portHandle;
    ASSERT_NE(held, invalidPort);
    EXPECT_EQ(readerRunning, 1);
    EXPECT_EQ(writerRunning, 1);

    command(idOpenPort);
    EXPECT_EQ(status(), "Port did't open!");
    EXPECT_EQ(portHandle, held) << "the running connection stays";
    EXPECT_EQ(readerRunning, 1);
    EXPECT_EQ(writerRunning, 1);

    command(idClosePort);
    EXPECT_EQ(status(), "The Port is closed.");
    EXPECT_EQ(portHandle, invalidPort);
    EXPECT_EQ(readerRunning, 0);
    EXPECT_EQ(writerRunning, 0);
    line(idPortStatus)->setText(QString());
    command(idClosePort);
    EXPECT_EQ(status(), "The Port is closed.");

    command(idOpenPort);
    EXPECT_EQ(status(), "The COM1 is opened.") << "the port is free again after Close";
    EXPECT_EQ(readerRunning, 1);
}

TEST_F(Commands, CheckBoxFlipsOncePerClickAndBlanksOrReloadsThePanel) {
    qttest::writeSettings("10.1.2.3", "internet", "gdata", "pw");
    openWindow();
    const int panel[] = {idIpAddress, idApn, idUser, idPassword};
    const char* stored[] = {"10.1.2.3", "internet", "gdata", "pw"};

    QTest::mouseClick(checkBox(), Qt::LeftButton);
    EXPECT_TRUE(checkBox()->isChecked());
    EXPECT_TRUE(isCheckBoxChecked(mainWindow, idNoInternet)) << "what the set-up job reads";
    for (int id : panel) EXPECT_EQ(shown(id), QString()) << id;

    // The user edits the panel; unchecking reloads what the file holds, not what was typed.
    retype(idApn, "typed");
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    EXPECT_FALSE(checkBox()->isChecked());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(shown(panel[i]), stored[i]) << panel[i];

    checkBox()->setFocus();
    QTest::keyClick(checkBox(), Qt::Key_Space);
    EXPECT_TRUE(checkBox()->isChecked()) << "the space bar reports the same command";
    EXPECT_EQ(shown(idApn), QString());
}

TEST_F(Commands, CheckBoxStateIsTheProgramsAlone) {
    openWindow();
    // Nothing but the command handler may change the state: a toggle by the widget itself
    // would be undone by the handler's own flip and the box would never change.
    QSignalSpy toggles(checkBox(), &QCheckBox::toggled);
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    EXPECT_EQ(toggles.count(), 1);
    setCheckBoxChecked(mainWindow, idNoInternet, false);
    EXPECT_FALSE(checkBox()->isChecked());
    setCheckBoxChecked(mainWindow, idNoInternet, true);
    EXPECT_TRUE(isCheckBoxChecked(mainWindow, idNoInternet));
    EXPECT_FALSE(isCheckBoxChecked(mainWindow, idPortName)) << "not a check box";
}

TEST_F(Commands, ExitClosesTheWindowAndEndsTheProgram) {
    openWindow();
    window->start();
    // Exit chosen while the program's loop runs; a loop still running after five seconds
    // ends with 7 instead.
    QTimer::singleShot(0, window.get(), [this] { command(idExit); });
    QTimer::singleShot(5000, &qttest::app(), [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window->isVisible());
}

// The reader arms the timer from its own thread; the expiry is handled by the event loop of
// the window thread, once per request.
TEST_F(Commands, QuietTimerRequestsFromAnotherThreadExpireOnTheGuiThread) {
    openWindow();
    std::thread reader([] { requestQuietTimer(200); });
    reader.join();
    EXPECT_TRUE(quiet->isActive());
    EXPECT_GT(quiet->remainingTime(), 100);
    stopQuietTimer();
    EXPECT_FALSE(quiet->isActive());
    QTest::qWait(300);
    EXPECT_EQ(quiet->expiries(), 0) << "a stopped timer does not expire";

    std::thread again([] { requestQuietTimer(0); });
    again.join();
    EXPECT_EQ(quiet->expiries(), 0) << "nothing runs on the reader's thread";
    QTRY_COMPARE_WITH_TIMEOUT(quiet->expiries(), 1, 5000);
    QTest::qWait(100);
    EXPECT_EQ(quiet->expiries(), 1) << "one expiry per request";
    EXPECT_FALSE(quiet->isActive());
}

}  // namespace
