// Tools: Compare with Profile... against the simulated unit and modem, in real time: each value
// the profile names is read and shown as same or differs, while the window, _data.ini and the
// device keep exactly what they had; Cancel stops it after the job under way.
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "app/layout.h"
#include "provision/window_profile.h"
#include "base/app_state.h"
#include "modem/settings_file.h"
#include "qt_support.h"
#include "ui/qt/profile_actions.h"
#include "ui/qt/simulated_port.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

class CompareWithProfile : public qttest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_EQ(simulated.error(), "");
        ASSERT_TRUE(folder.isValid());
        openWindow();
        window->start();
        command(idOpenPort);
        ASSERT_EQ(shown(idPortStatus), "The COM1 is opened.");
        // What the engineer has typed, none of it what the device holds.
        qttest::typeText(box(idFirstValue), "999");
        qttest::typeText(box(idIpAddress), "10.9.9.9");
        retype(idApn, "typed.apn");
        retype(idPassword, "typed-password");
    }

    QString file(const char* name, const std::string& text) { return qttest::writeFile(folder.path(), name, text); }

    // The comparison window's lines: "name result device profile".
    QStringList shownLines() const {
        QStringList lines;
        QTreeWidget* table = window->comparison()->table();
        for (int i = 0; i < table->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = table->topLevelItem(i);
            lines << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join(' ');
        }
        return lines;
    }

    // The preset device: period 10, address 7, numbers 89160000001..3, the modem 192.0.2.10,
    // internet, gdata.
    SimulatedPort simulated{true};
    QTemporaryDir folder;
};

TEST_F(CompareWithProfile, ShowsSameOrDiffersAndLeavesTheWindowAndTheDeviceAlone) {
    const devsim::UnitValues unitBefore = simulated.device().unit();
    const std::string before = windowState();
    const QString profile = file("unit-7.toml",
                                 "[unit]\nperiod = \"010\"\naddress = \"008\"\nphone2 = \"89160000002\"\n"
                                 "[modem]\nip = \"192.0.2.10\"\napn = \"другой\"\nuser = \"gdata\"\n"
                                 "password-file = \"nowhere.txt\"\n");
    ASSERT_TRUE(compareWithProfileFile(window.get(), profile));
    EXPECT_TRUE(window->comparison()->isVisible());
    EXPECT_EQ(shownLines(), QStringList({"period same 010 010", "address differs 007 008",
                                         "phone2 same 89160000002 89160000002", "ip same 192.0.2.10 192.0.2.10",
                                         "apn differs internet " + qttest::fromUtf8("другой"),
                                         "user same gdata gdata", "password not verifiable  set"}));
    EXPECT_TRUE(window->comparison()->summary()->text().contains("2 of 7 values differ"));
    QDir().mkpath(TARNWICK_ARTIFACTS_DIR);
    EXPECT_TRUE(window->comparison()->grab().save(TARNWICK_ARTIFACTS_DIR "/qt-comparison.png"));

    EXPECT_EQ(windowState(), before) << "every box as the engineer left it, the password included";
    EXPECT_FALSE(QFile::exists(settingsFileName)) << "writes nothing";
    EXPECT_FALSE(simulated.device().modem().written);
    EXPECT_EQ(simulated.device().unit().address, unitBefore.address);
    EXPECT_FALSE(qttest::anyJobBusy());

    // The second comparison, of the modem alone: a unit without internet it is not.
    ASSERT_TRUE(compareWithProfileFile(window.get(), file("offline.toml", "[modem]\nno-internet = true\n")));
    EXPECT_EQ(shownLines(), QStringList({"no-internet differs false true"}));
    EXPECT_EQ(windowState(), before);
    // The window's own buttons still act on what the engineer typed.
    QTest::mouseClick(button(idFirstWrite), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!qttest::anyJobBusy(), 20000);
    EXPECT_EQ(simulated.device().unit().period, 999);
}

TEST_F(CompareWithProfile, CancelStopsAfterTheJobUnderWayAndPutsTheBoxesBack) {
    const std::string before = windowState();
    const QString profile = file("unit.toml", "[unit]\nperiod = \"010\"\nphone1 = \"1\"\n"
                                              "[modem]\nip = \"192.0.2.10\"\n");
    // The engineer presses Cancel once the modem query has begun.
    QTimer watcher;
    int cancels = 0;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* wait = qobject_cast<WaitBox*>(QApplication::activeModalWidget());
        if (wait != nullptr && wait->cancelButton()->isEnabled() &&
            provision::jobInProgress() == "querying the modem") {
            ++cancels;
            QTest::mouseClick(wait->cancelButton(), Qt::LeftButton);
        }
    });
    watcher.start(10);
    ASSERT_TRUE(compareWithProfileFile(window.get(), profile));
    watcher.stop();
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the box is gone";
    EXPECT_FALSE(qttest::anyJobBusy()) << "the query ran to its end before the boxes were put back";
    EXPECT_EQ(shownLines(), QStringList({"period same 010 010", "phone1 differs 89160000001 1",
                                         "ip not readable  192.0.2.10"}));
    EXPECT_TRUE(window->comparison()->summary()->text().contains("Cancelled"));
    EXPECT_EQ(windowState(), before);
    EXPECT_FALSE(provision::interruptRequested.load()) << "the next comparison starts afresh";
}

}  // namespace
