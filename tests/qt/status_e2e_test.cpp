// Tools > Modem Status... against the simulated modem over a pseudo-terminal, in real time:
// the items, the signal meter and the verdict of each refresh; a refresh that cannot start says
// why and sends nothing; while a check runs the main window takes no input, and afterwards its
// boxes, status fields and _data.ini are as they were; "every 5 s" refreshes by itself and
// passes a round over while a Read runs.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

#include <string>
#include <vector>

#include "app/layout.h"
#include "base/app_state.h"
#include "modem/settings_file.h"
#include "modem/status_job.h"
#include "provision/network_check.h"
#include "qt_support.h"
#include "ui/qt/simulated_port.h"
#include "ui/qt/status_window.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

// A check against a modem that answers takes a few seconds; a loaded machine may take several
// times as long.
constexpr int checkLimitMs = 40000;

bool atRest(const Job& job) { return job.trigger == 0 && job.state == 0; }

bool onlyStatusAtRest() {
    for (const Job* job : allJobs)
        if (!atRest(*job)) return false;
    return atRest(modemIdentityJob);
}

class ModemStatusWindow : public qttest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(simulated.error(), "");
        qttest::writeSettings("10.1.2.3", "typed.apn", "gdata", "pw");
        openWindow();
        window->start();
    }

    void openPort() {
        command(idOpenPort);
        ASSERT_EQ(shown(idPortStatus), "The COM1 is opened.");
    }

    QAction* menuItem() const { return window->findChild<QAction*>(QStringLiteral("modemStatus")); }

    // Tools > Modem Status..., as the engineer opens it.
    StatusWindow* openStatus() {
        QAction* action = menuItem();
        if (action == nullptr) {
            ADD_FAILURE() << "no Modem Status in the menu";
            return nullptr;
        }
        action->trigger();
        return window->modemStatus();
    }

    // The modem as tarnwick-devsim's options make it, from its power-up state.
    void modemAs(std::vector<std::string> options) {
        std::vector<char*> argv;
        for (std::string& option : options) argv.push_back(option.data());
        devsim::Faults faults;
        devsim::UnitValues unit;
        devsim::ModemState modem;
        const int count = static_cast<int>(argv.size());
        for (int i = 0; i < count;) {
            const int used = devsim::parseDeviceOption(count, argv.data(), i, faults, unit, modem);
            ASSERT_GT(used, 0) << options[size_t(i)];
            i += used;
        }
        simulated.device().setModem(modem);
    }

    // Presses Refresh and waits until the window has shown the check's end.
    void refreshAndWait(StatusWindow* status) {
        const int before = status->checksShown();
        QTest::mouseClick(status->refreshButton(), Qt::LeftButton);
        ASSERT_TRUE(provision::refreshRunning()) << status->statusLine()->text().toStdString();
        QTRY_VERIFY_WITH_TIMEOUT(status->checksShown() > before, checkLimitMs);
        EXPECT_FALSE(provision::refreshRunning());
    }

    static QStringList items(const StatusWindow* status) {
        QStringList lines;
        for (size_t k = 0; k < statusItemCount; ++k) lines << status->itemName(k) + ": " + status->itemText(k);
        return lines;
    }

    SimulatedPort simulated;
};

const QStringList readyItems = {
    "SIM: ready",       "signal: 13 = -87 dBm (fair)", "registration: home", "packet registration: home",
    "operator: MegaFon", "attached: yes",              "IMEI: 352099001761481", "IMSI: 250017012345678",
    "ICCID: 89701012345678901234"};

TEST_F(ModemStatusWindow, OpensFromToolsAfterCompareOnceAndBesideTheMainWindow) {
    QMenu* tools = nullptr;
    for (QAction* top : window->menuBar()->actions())
        if (top->text() == "Tools") tools = top->menu();
    ASSERT_NE(tools, nullptr);
    QStringList captions;
    for (QAction* action : tools->actions())
        if (!action->isSeparator()) captions << action->text();
    const qsizetype compare = captions.indexOf(QString::fromUtf8("Compare with Profile\u2026"));
    ASSERT_GE(compare, 0) << captions.join('|').toStdString();
    ASSERT_EQ(captions.value(compare + 1), QString::fromUtf8("Modem Status\u2026"));

    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->windowTitle(), "Modem Status");
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "not modal";
    EXPECT_GE(status->x(), window->frameGeometry().right()) << "beside the main window, not over it";
    EXPECT_EQ(status->refreshButton()->text(), "Refresh");
    EXPECT_EQ(status->autoRefreshBox()->text(), "every 5 s");
    EXPECT_FALSE(status->autoRefreshBox()->isChecked());
    EXPECT_EQ(status->autoRefreshInterval(), provision::autoRefreshMs);
    // Before the first refresh nothing has been asked (ctest runs each case in a process of
    // its own, and this one comes first in the file too).
    EXPECT_EQ(status->verdictLine()->text(), "not ready: not checked");
    EXPECT_EQ(status->adviceLine()->text(), "run the status check");
    EXPECT_EQ(status->itemText(size_t(StatusItem::sim)), "not asked");
    EXPECT_EQ(status->meter()->text(), "unknown");

    // Closed and opened again, or opened twice: the same window, raised.
    status->close();
    EXPECT_FALSE(status->isVisible());
    EXPECT_EQ(openStatus(), status);
    EXPECT_EQ(openStatus(), status);
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(window->findChildren<StatusWindow*>().size(), 1);
}

// One window, one refresh a state of the modem, as the engineer meets them on a mast.
TEST_F(ModemStatusWindow, ShowsEachItemTheMeterAndTheVerdictOfEveryRefresh) {
    openPort();
    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);
    const struct {
        std::vector<std::string> options;
        QStringList items;  // only those that differ from a ready modem's
        const char* meter;
        int level;
        const char* verdict;
        const char* advice;
    } cases[] = {
        {{}, {}, "-87 dBm, fair", 41, "ready", ""},
        {{"--sim", "absent"},
         {"SIM: not available (+CME ERROR: 10, SIM not inserted)", "registration: not registered",
          "packet registration: not registered", "operator: none", "attached: no",
          "IMSI: not available (+CME ERROR: 10, SIM not inserted)",
          "ICCID: not available (+CME ERROR: 10, SIM not inserted)"},
         "-87 dBm, fair", 41, "not ready: no SIM", "switch the unit off and insert a SIM card"},
        {{"--signal", "5", "--registration", "searching"},
         {"signal: 5 = -103 dBm (poor)", "registration: searching", "packet registration: searching",
          "operator: none", "attached: no"},
         "-103 dBm, poor", 16, "not ready: searching for a network", "check the antenna and the coverage"},
        {{"--operator", "Beeline", "--attached", "0", "--registration", "roaming"},
         {"registration: roaming", "packet registration: not registered", "operator: Beeline", "attached: no"},
         "-87 dBm, fair", 41, "not ready: not attached for packet data",
         "the network is there but packet data is not: ask the operator whether the SIM has data service"},
        {{"--sim", "pin"},
         {"SIM: PIN wanted", "registration: not registered", "packet registration: not registered",
          "operator: none", "attached: no", "IMSI: not available (+CME ERROR: 11, SIM PIN required)"},
         "-87 dBm, fair", 41, "not ready: the SIM wants its PIN",
         "remove the PIN lock in a phone, or use a SIM without one: Tarnwick never sends a PIN"},
        {{"--signal", "99"}, {"signal: 99 = unknown"}, "unknown", 0, "ready", ""},
        {{"--registration", "denied", "--signal", "31"},
         {"signal: 31 = -51 dBm or more (excellent)", "registration: denied", "packet registration: denied",
          "operator: none", "attached: no"},
         "-51 dBm, excellent", 100, "not ready: registration denied",
         "the network refuses this SIM: ask the operator to enable it (and roaming, abroad)"},
        // The same modem again after all that: nothing of an earlier check stays behind.
        {{}, {}, "-87 dBm, fair", 41, "ready", ""},
    };
    for (const auto& c : cases) {
        std::string named = "options:";
        for (const std::string& option : c.options) named += " " + option;
        SCOPED_TRACE(named);
        modemAs(c.options);
        refreshAndWait(status);
        QStringList expected = readyItems;
        for (const QString& line : c.items) {
            const QString name = line.section(": ", 0, 0);
            for (QString& item : expected)
                if (item.section(": ", 0, 0) == name) item = line;
        }
        EXPECT_EQ(items(status), expected);
        EXPECT_EQ(status->meter()->text(), c.meter);
        EXPECT_EQ(status->meter()->value(), c.level);
        EXPECT_EQ(status->verdictLine()->text(), c.verdict);
        EXPECT_EQ(status->adviceLine()->text(), c.advice);
        EXPECT_EQ(status->adviceLine()->isVisible(), *c.advice != '\0');
        EXPECT_EQ(status->statusLine()->text(), "");
    }
}

// The engineer turns the antenna between two refreshes; the control line is what
// tarnwick-devsim --control reads from its file.
TEST_F(ModemStatusWindow, ASecondRefreshSeesTheSignalChange) {
    openPort();
    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);
    refreshAndWait(status);
    EXPECT_EQ(status->itemText(size_t(StatusItem::signal)), "13 = -87 dBm (fair)");
    EXPECT_EQ(status->meter()->value(), 41);

    std::string why;
    ASSERT_TRUE(simulated.device().applyControl("signal 20", &why)) << why;
    refreshAndWait(status);
    EXPECT_EQ(status->itemText(size_t(StatusItem::signal)), "20 = -73 dBm (excellent)");
    EXPECT_EQ(status->meter()->text(), "-73 dBm, excellent");
    EXPECT_EQ(status->meter()->value(), 64);

    ASSERT_TRUE(simulated.device().applyControl("signal 2", &why)) << why;
    ASSERT_TRUE(simulated.device().applyControl("registration searching", &why)) << why;
    refreshAndWait(status);
    EXPECT_EQ(status->meter()->text(), "-109 dBm, poor");
    EXPECT_EQ(status->meter()->value(), 6);
    EXPECT_EQ(status->verdictLine()->text(), "not ready: searching for a network");
    EXPECT_EQ(status->checksShown(), 3);
}

TEST_F(ModemStatusWindow, NoRefreshWithThePortClosedOrWhileAJobRuns) {
    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);
    const QString portClosed = "the port is not open: choose Communication, Open the Port first";
    const QString jobRunning = "a Read or Write is still running; refresh once it has ended";

    const QString verdictBefore = status->verdictLine()->text();
    const QStringList itemsBefore = items(status);
    QTest::mouseClick(status->refreshButton(), Qt::LeftButton);
    EXPECT_EQ(status->statusLine()->text(), portClosed);
    EXPECT_TRUE(atRest(modemStatusJob));
    EXPECT_FALSE(window->takesNoInput());
    EXPECT_EQ(status->verdictLine()->text(), verdictBefore) << "the last check's, as it was";
    EXPECT_EQ(items(status), itemsBefore);

    openPort();
    refreshAndWait(status);
    EXPECT_EQ(items(status), readyItems);

    // A Read of the modem under way: Refresh starts nothing and says why.
    simulated.device().clearLogs();
    QTest::mouseClick(button(idModemRead), Qt::LeftButton);
    ASSERT_EQ(modemQueryJob.trigger, 1);
    QTest::mouseClick(status->refreshButton(), Qt::LeftButton);
    EXPECT_EQ(status->statusLine()->text(), jobRunning);
    EXPECT_TRUE(atRest(modemStatusJob));
    EXPECT_FALSE(window->takesNoInput()) << "the Read's own window";
    QTRY_VERIFY_WITH_TIMEOUT(atRest(modemQueryJob), checkLimitMs);
    EXPECT_TRUE(atRest(modemStatusJob));
    EXPECT_EQ(simulated.device().received().find("AT+CSQ"), std::string::npos) << "no check asked";
    EXPECT_EQ(items(status), readyItems) << "the last check's still";

    // Once it has ended, the same button works, and clears the reason.
    refreshAndWait(status);
    EXPECT_NE(simulated.device().received().find("AT+CSQ"), std::string::npos);
    EXPECT_EQ(status->statusLine()->text(), "");

    // Closed again: refused again.
    command(idClosePort);
    QTest::mouseClick(status->refreshButton(), Qt::LeftButton);
    EXPECT_EQ(status->statusLine()->text(), portClosed);
    EXPECT_TRUE(atRest(modemStatusJob));
}

TEST_F(ModemStatusWindow, TheMainWindowTakesNoInputWhileTheCheckRunsAndKeepsWhatItHad) {
    // An old time stamp, so that a rewrite of the same bytes shows too.
    struct utimbuf old = {1000000000, 1000000000};
    ASSERT_EQ(utime(settingsFileName, &old), 0);
    const std::string iniBefore = qttest::readFile(settingsFileName);
    ASSERT_EQ(iniBefore, "10.1.2.3\r\ntyped.apn\r\ngdata\r\npw");
    openPort();
    qttest::typeText(box(idFirstValue), "123");
    retype(idUser, "typed-user");
    control(idApn)->setFocus();
    line(idApn)->end(false);
    const std::string before = windowState();
    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);

    QTest::mouseClick(status->refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(provision::refreshRunning());
    EXPECT_TRUE(window->takesNoInput());
    EXPECT_FALSE(window->clientArea()->isEnabled());
    EXPECT_FALSE(window->menuBar()->isEnabled());
    EXPECT_EQ(status->statusLine()->text(), QString::fromUtf8("checking the modem\u2026"));
    EXPECT_FALSE(status->refreshButton()->isEnabled()) << "one check at a time";
    EXPECT_TRUE(status->isEnabled()) << "the status window stays usable";
    // The engineer clicks a Read, types into a box, asks for About: nothing happens.
    QTest::mouseClick(button(idFirstRead), Qt::LeftButton);
    QTest::mouseClick(button(idModemWrite), Qt::LeftButton);
    EXPECT_TRUE(onlyStatusAtRest());
    qttest::typeText(line(idApn), "xyz");
    EXPECT_EQ(shown(idApn), "typed.apn");
    const int abouts = qttest::modalDialogsDuring(
        [&] { QTest::keyClick(window.get(), Qt::Key_Question, Qt::AltModifier); });
    EXPECT_EQ(abouts, 0);
    EXPECT_TRUE(provision::refreshRunning()) << "still under way: the clicks above came while it ran";

    QTRY_VERIFY_WITH_TIMEOUT(status->checksShown() == 1, checkLimitMs);
    EXPECT_FALSE(window->takesNoInput());
    EXPECT_TRUE(window->clientArea()->isEnabled());
    EXPECT_TRUE(window->menuBar()->isEnabled());
    EXPECT_TRUE(status->refreshButton()->isEnabled());
    EXPECT_EQ(window->focusWidget(), control(idApn)) << "the window's focus back where it was";
    EXPECT_EQ(line(idApn)->cursorPosition(), 9);
    EXPECT_EQ(items(status), readyItems);
    EXPECT_TRUE(onlyStatusAtRest()) << "the clicks were not kept for later";

    EXPECT_EQ(windowState(), before) << "every box and status field as it was";
    EXPECT_EQ(shown(idPortStatus), "The COM1 is opened.");
    EXPECT_EQ(qttest::readFile(settingsFileName), iniBefore);
    struct stat info = {};
    ASSERT_EQ(stat(settingsFileName, &info), 0);
    EXPECT_EQ(info.st_mtime, old.modtime) << "_data.ini not written";

    // The window takes input again: the same box, typed into.
    qttest::typeText(line(idApn), "x");
    EXPECT_EQ(shown(idApn), "typed.apnx");
}

TEST_F(ModemStatusWindow, ClosingTheWindowWhileACheckRunsIsSafe) {
    openPort();
    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);
    status->autoRefreshBox()->setChecked(true);
    EXPECT_TRUE(status->autoRefreshing());
    QTest::mouseClick(status->refreshButton(), Qt::LeftButton);
    ASSERT_TRUE(provision::refreshRunning());
    status->close();
    EXPECT_FALSE(status->autoRefreshing()) << "closed, it refreshes no more";
    EXPECT_TRUE(window->takesNoInput()) << "the check goes on to its end";
    QTRY_VERIFY_WITH_TIMEOUT(!window->takesNoInput(), checkLimitMs);
    EXPECT_TRUE(atRest(modemStatusJob));
    EXPECT_EQ(status->checksShown(), 1);

    // Opened again, it shows that check, and refreshes on as before.
    EXPECT_EQ(openStatus(), status);
    EXPECT_EQ(items(status), readyItems);
    EXPECT_TRUE(status->autoRefreshing());
    status->autoRefreshBox()->setChecked(false);
    refreshAndWait(status);
    EXPECT_EQ(items(status), readyItems);
}

TEST_F(ModemStatusWindow, EveryFiveSecondsRefreshesByItselfAndPassesARoundWhileAReadRuns) {
    openPort();
    StatusWindow* status = openStatus();
    ASSERT_NE(status, nullptr);
    ASSERT_EQ(status->autoRefreshInterval(), provision::autoRefreshMs);
    status->setAutoRefreshInterval(150);  // five seconds are not waited for here
    status->autoRefreshBox()->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(status->checksShown() >= 1, checkLimitMs);
    EXPECT_EQ(items(status), readyItems);

    // The antenna turns; no button is pressed.
    std::string why;
    ASSERT_TRUE(simulated.device().applyControl("signal 25", &why)) << why;
    QTRY_COMPARE_WITH_TIMEOUT(status->itemText(size_t(StatusItem::signal)), QString("25 = -63 dBm (excellent)"),
                              checkLimitMs);
    EXPECT_EQ(status->meter()->value(), 80);

    // A Read between two checks: the rounds during it pass, none starts beside it.
    QTRY_VERIFY_WITH_TIMEOUT(!provision::refreshRunning(), checkLimitMs);
    const int skippedBefore = status->roundsSkipped();
    QTest::mouseClick(button(idModemRead), Qt::LeftButton);
    ASSERT_EQ(modemQueryJob.trigger, 1);
    QElapsedTimer waited;
    waited.start();
    bool besideTheRead = false;
    bool reasonShown = false;
    while (!atRest(modemQueryJob) && waited.elapsed() < checkLimitMs) {
        QTest::qWait(5);
        if (atRest(modemQueryJob)) break;
        besideTheRead = besideTheRead || !atRest(modemStatusJob);
        reasonShown = reasonShown || status->statusLine()->text() ==
                                         "a Read or Write is still running; refresh once it has ended";
    }
    ASSERT_TRUE(atRest(modemQueryJob));
    EXPECT_FALSE(besideTheRead);
    EXPECT_GT(status->roundsSkipped(), skippedBefore);
    EXPECT_TRUE(reasonShown);
    // And once the Read has ended, the rounds refresh again.
    const int shownAfterRead = status->checksShown();
    QTRY_VERIFY_WITH_TIMEOUT(status->checksShown() > shownAfterRead, checkLimitMs);

    // The port closed: two rounds pass with no check between them.
    QTRY_VERIFY_WITH_TIMEOUT(!provision::refreshRunning(), checkLimitMs);
    command(idClosePort);
    const int shownWhenClosed = status->checksShown();
    const int skippedWhenClosed = status->roundsSkipped();
    QTRY_VERIFY_WITH_TIMEOUT(status->roundsSkipped() >= skippedWhenClosed + 2, checkLimitMs);
    EXPECT_EQ(status->checksShown(), shownWhenClosed);
    EXPECT_EQ(status->statusLine()->text(), "the port is not open: choose Communication, Open the Port first");

    status->autoRefreshBox()->setChecked(false);
    EXPECT_FALSE(status->autoRefreshing());
}

}  // namespace
