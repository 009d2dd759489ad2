// The whole program against the simulated unit and modem over a pseudo-terminal: the real
// window with its 54 ms tick and quiet timer, the real port and its threads, driven through
// the widgets as the engineer would. Waits in real time, with generous limits.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/layout.h"
#include "app/trace_decode.h"
#include "base/app_state.h"
#include "modem/settings_file.h"
#include "qt_support.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "ui/qt/simulated_port.h"
#include "ui/qt/trace_window.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

constexpr int jobLimitMs = 20000;

class WholeProgram : public qttest::WindowTest {
protected:
    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }

    // Clicks the button and waits until its job has run and rested again.
    void runJob(int buttonId, const Job& job) {
        click(buttonId);
        ASSERT_EQ(job.trigger, 1);
        QTRY_VERIFY_WITH_TIMEOUT(job.trigger == 0 && job.state == 0, jobLimitMs);
    }

    void retypeBox(int id, const QString& text) {
        WrapEdit* edit = box(id);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        qttest::typeText(edit, text);
        ASSERT_EQ(edit->toPlainText(), text);
    }

    void fillPanel(const char* ip, const char* apn, const char* user, const char* password) {
        retypeBox(idIpAddress, ip);
        retype(idApn, apn);
        retype(idUser, user);
        retype(idPassword, password);
    }
};

TEST_F(WholeProgram, TicksRunOnTheLoopAndAQuietLineEndsABurst) {
    openWindow();
    window->start();
    QTRY_VERIFY_WITH_TIMEOUT(tickCount >= 5, 5000);

    // A reader thread's chunks 100 ms apart make one burst, classified once the line has been
    // quiet for 200 ms; split in two, neither half would be recognised.
    std::thread reader([] {
        appendReceived(reinterpret_cast<const uint8_t*>("\r\nOK"), 4);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        appendReceived(reinterpret_cast<const uint8_t*>("\r\n"), 2);
    });
    reader.join();
    EXPECT_TRUE(burstInProgress());
    QTRY_VERIFY_WITH_TIMEOUT((responseStatus & okBit) != 0, 5000);
    EXPECT_FALSE(burstInProgress());
    EXPECT_EQ(rxCount, 0u);
}

TEST_F(WholeProgram, EveryParameterBothSetUpsTheQueryAndTheSettingsFile) {
    SimulatedPort simulated;
    ASSERT_EQ(simulated.error(), "");
    devsim::Device& device = simulated.device();
    std::remove("session-trace.txt");
    ASSERT_TRUE(openTraceFile("session-trace.txt"));
    openWindow();
    window->start();

    command(idOpenPort);
    ASSERT_EQ(shown(idPortStatus), "The COM1 is opened.");

    // The unit's parameters: written from the boxes, then read back into emptied boxes.
    const struct {
        int row;
        const char* written;
        const char* read;
    } rows[] = {{0, "123", "123"},
                {1, "045", "045"},
                {2, "89161234567", "89161234567"},
                {3, "89031112233", "89031112233"},
                {4, "89990001122", "89990001122"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        retypeBox(idFirstValue + r.row, r.written);
        runJob(idFirstWrite + r.row, *allJobs[periodWriteIndex + 2 * r.row]);
    }
    const devsim::UnitValues unit = device.unit();
    EXPECT_EQ(unit.period, 123);
    EXPECT_EQ(unit.address, 45);
    EXPECT_EQ(unit.phone[0], "89161234567");
    EXPECT_EQ(unit.phone[1], "89031112233");
    EXPECT_EQ(unit.phone[2], "89990001122");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.row);
        retypeBox(idFirstValue + r.row, QString());
        runJob(idFirstRead + r.row, *allJobs[periodReadIndex + 2 * r.row]);
        EXPECT_EQ(shown(idFirstValue + r.row), r.read);
    }

    // The modem for packet data; the panel is stored as the set-up begins.
    fillPanel("10.20.30.40", "inet.example", "gdata", "secret");
    runJob(idModemWrite, modemSetupJob);
    EXPECT_EQ(shown(idSetupStatus), "Ok!");
    const devsim::ModemState modem = device.modem();
    EXPECT_EQ(modem.storedService[9].get("address"), "socktcp://10.20.30.40:65534");
    EXPECT_EQ(modem.storedConnection[0].get("apn"), "inet.example");
    EXPECT_EQ(modem.storedConnection[0].get("user"), "gdata");
    EXPECT_EQ(modem.storedConnection[0].get("passwd"), "secret");
    EXPECT_EQ(qttest::readFile(settingsFileName), "10.20.30.40\r\ninet.example\r\ngdata\r\nsecret");

    // The query reads the stored settings back into the panel; the password is never read.
    fillPanel("x", "x", "x", "x");
    runJob(idModemRead, modemQueryJob);
    EXPECT_EQ(shown(idQueryStatus), "Ok!");
    EXPECT_EQ(shown(idIpAddress), "10.20.30.40");
    EXPECT_EQ(shown(idApn), "inet.example");
    EXPECT_EQ(shown(idUser), "gdata");
    EXPECT_EQ(shown(idPassword), "");

    // Without internet: the box empties the panel, the set-up resets the modem's profiles.
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    ASSERT_TRUE(checkBox()->isChecked());
    EXPECT_EQ(shown(idIpAddress), "");
    runJob(idModemWrite, modemSetupJob);
    EXPECT_EQ(shown(idSetupStatus), "Ok!");
    const devsim::ModemState reset = device.modem();
    EXPECT_EQ(reset.storedService[9].get("address"), "");
    EXPECT_EQ(reset.storedConnection[0].get("apn"), "");
    EXPECT_EQ(reset.messageFormat, 1);
    EXPECT_TRUE(reset.written);

    // Unchecked, the panel comes back from "_data.ini", the password included.
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    ASSERT_FALSE(checkBox()->isChecked());
    EXPECT_EQ(shown(idIpAddress), "10.20.30.40");
    EXPECT_EQ(shown(idApn), "inet.example");
    EXPECT_EQ(shown(idUser), "gdata");
    EXPECT_EQ(shown(idPassword), "secret");

    // The window after the run, and its trace, for a person to look at.
    QDir().mkpath(TARNWICK_ARTIFACTS_DIR);
    EXPECT_TRUE(window->grab().save(TARNWICK_ARTIFACTS_DIR "/qt-window.png"));
    command(idTrace);
    window->trace()->resize(1100, 520);
    EXPECT_TRUE(window->trace()->grab().save(TARNWICK_ARTIFACTS_DIR "/qt-trace.png"));
    window->trace()->close();

    command(idClosePort);
    EXPECT_EQ(shown(idPortStatus), "The Port is closed.");
    EXPECT_EQ(readerRunning, 0);

    // The trace names every step of both modem jobs, and never the password.
    closeTraceFile();
    const std::string trace = qttest::readFile("session-trace.txt");
    for (int k = 0; k < 12; ++k)
        EXPECT_NE(trace.find("set-up step " + std::to_string(k) + " ("), std::string::npos) << k;
    for (const char* step : {"set-up escape sent", "query step 1 (echo off) sent",
                             "query step 5 (connection listing) sent", "set-up: Ok!", "query: Ok!",
                             "^SISS listing: IP 10.20.30.40", "unit answer: own address = 045",
                             "AT^SICS=0,\"passwd\",\"***\"\\r\\n", "port COM1 opened"})
        EXPECT_NE(trace.find(step), std::string::npos) << step;
    EXPECT_EQ(trace.find("secret"), std::string::npos) << "the password stays out of the trace";

    // A new start of the program finds the stored values.
    window.reset();
    resetAppState();
    openWindow();
    EXPECT_EQ(shown(idIpAddress), "10.20.30.40");
    EXPECT_EQ(shown(idPassword), "secret");
}

// A modem just powered up echoes every command, and the line carries XON and XOFF bytes: in
// the unit's answer (an own address of 17) and in filler behind every answer. Each modem job
// meets the modem as it comes up, and the query gets the full service-profile listing.
TEST_F(WholeProgram, AModemJustPoweredUpAndFlowControlBytesOnTheLine) {
    SimulatedPort simulated;
    ASSERT_EQ(simulated.error(), "");
    devsim::Device& device = simulated.device();
    devsim::Faults faults;
    faults.floodTo = 96;
    device.setFaults(faults);
    devsim::UnitValues unit;
    unit.address = 17;
    device.setUnit(unit);
    const auto powerUp = [&device] {
        devsim::ModemState modem = device.modem();
        modem.echo = true;
        device.setModem(modem);
    };
    openWindow();
    window->start();
    command(idOpenPort);
    ASSERT_EQ(shown(idPortStatus), "The COM1 is opened.");

    runJob(idFirstRead + 1, addressReadJob);
    EXPECT_EQ(shown(idFirstValue + 1), "017");

    QTest::mouseClick(checkBox(), Qt::LeftButton);
    ASSERT_TRUE(device.modem().echo);
    runJob(idModemWrite, modemSetupJob);
    EXPECT_EQ(shown(idSetupStatus), "Ok!") << "without internet";
    EXPECT_TRUE(device.modem().written);
    QTest::mouseClick(checkBox(), Qt::LeftButton);

    powerUp();
    fillPanel("10.20.30.40", "inet.example", "gdata", "secret");
    runJob(idModemWrite, modemSetupJob);
    EXPECT_EQ(shown(idSetupStatus), "Ok!") << "for packet data";

    powerUp();
    runJob(idModemRead, modemQueryJob);
    EXPECT_EQ(shown(idQueryStatus), "Ok!");
    EXPECT_EQ(shown(idIpAddress), "10.20.30.40");
    EXPECT_EQ(shown(idApn), "inet.example");
}

// A pulled adapter takes its device along, and its COM1 then leads nowhere, as a link to a
// by-id name does. Not to /dev/pts/N: that number is handed to the next pseudo-terminal of any
// process, another test's running beside this one included, which a try would then open. The
// link changes before the device goes, while the port still holds the number.
void pullOut(SimulatedPort& simulated) {
    const std::string com1 = simulated.portsFolder() + "/COM1";
    std::remove(com1.c_str());
    ASSERT_EQ(symlink((simulated.portsFolder() + "/gone").c_str(), com1.c_str()), 0);
    simulated.device().vanish();
}

TEST_F(WholeProgram, APulledAdapterLeavesTheWindowWorking) {
    SimulatedPort simulated;
    ASSERT_EQ(simulated.error(), "");
    openWindow();
    window->start();
    command(idOpenPort);
    ASSERT_EQ(shown(idPortStatus), "The COM1 is opened.");

    pullOut(simulated);
    QTRY_COMPARE_WITH_TIMEOUT(shown(idPortStatus), QString("The COM1 is lost."), 5000);
    // The request goes nowhere; the job gives up at its deadline and shows nothing.
    runJob(idFirstRead + 1, addressReadJob);
    EXPECT_EQ(shown(idFirstValue + 1), "");

    command(idClosePort);
    EXPECT_EQ(shown(idPortStatus), "The Port is closed.");
    EXPECT_EQ(readerRunning, 0);
    command(idOpenPort);
    EXPECT_EQ(shown(idPortStatus), "Port did't open!") << "the device is gone";
    QTest::mouseClick(checkBox(), Qt::LeftButton);
    EXPECT_TRUE(checkBox()->isChecked()) << "the window still answers";
}

// The adapter plugged in again (COM1 leads to a device again) opens by itself, with neither
// Close nor Open, and the unit answers through it.
TEST_F(WholeProgram, APulledAdapterPluggedInAgainOpensByItself) {
    SimulatedPort simulated;
    ASSERT_EQ(simulated.error(), "");
    std::remove("back-trace.txt");
    ASSERT_TRUE(openTraceFile("back-trace.txt"));
    openWindow();
    window->start();
    command(idOpenPort);
    ASSERT_EQ(shown(idPortStatus), "The COM1 is opened.");
    pullOut(simulated);
    QTRY_COMPARE_WITH_TIMEOUT(shown(idPortStatus), QString("The COM1 is lost."), 5000);

    devsim::Device back;
    ASSERT_TRUE(back.ok());
    devsim::UnitValues unit;
    unit.address = 77;
    back.setUnit(unit);
    const std::string com1 = simulated.portsFolder() + "/COM1";
    std::remove(com1.c_str());
    ASSERT_EQ(symlink(back.slavePath().c_str(), com1.c_str()), 0);
    QTRY_COMPARE_WITH_TIMEOUT(shown(idPortStatus), QString("The COM1 is opened."), jobLimitMs);
    runJob(idFirstRead + 1, addressReadJob);
    EXPECT_EQ(shown(idFirstValue + 1), "077");

    command(idClosePort);
    closeTraceFile();
    const std::string trace = qttest::readFile("back-trace.txt");
    for (const char* line : {"port COM1 lost: the device has gone", "port COM1 let go;",
                             "port COM1 opened again: the device is back", "unit answer: own address = 077"})
        EXPECT_NE(trace.find(line), std::string::npos) << line;
}

// The program itself: --trace with a file that cannot be opened says so once and runs on.
TEST(Program, ATraceFileThatCannotBeOpenedIsOneLineAndNoStop) {
    QProcess program;
    program.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    program.start(TARNWICK_PROGRAM, {"--simulate", "--trace", "/nonexistent-folder/trace.txt"});
    ASSERT_TRUE(program.waitForStarted(10000));
    EXPECT_FALSE(program.waitForFinished(2000)) << "the program runs on";
    program.terminate();  // as Ctrl+C: closes the port and ends with 0
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(errors.count("cannot open the trace file /nonexistent-folder/trace.txt"), 1)
        << errors.toStdString();
}

// The options come from Qt's parser, after Qt has taken its own: in any order, --trace FILE and
// --trace=FILE alike; a mistyped one is refused with the usage and exit 2 before anything
// starts. --simulate is seen from outside by the ports folder it makes under TMPDIR.
TEST(Program, OptionsInAnyOrderAndAMistypedOneRefused) {
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", scratch.path());
    const auto simulatedCom1 = [&] {
        const QStringList folders = QDir(scratch.path()).entryList({"tarnwick-ports-*"}, QDir::Dirs);
        return !folders.isEmpty() && QFileInfo::exists(scratch.filePath(folders.first() + "/COM1"));
    };
    const struct {
        QStringList arguments;
        int exitCode;      // -1: runs until ended
        const char* says;  // on stdout for 0, on stderr for 2, the trace file's name for -1
    } runs[] = {
        {{"--trace=first trace.txt", "--simulate"}, -1, "first trace.txt"},
        {{"-platform", "offscreen", "--simulate", "--trace", "second.txt"}, -1, "second.txt"},
        {{"--simulte"}, 2, "tarnwick: Unknown option 'simulte'."},
        {{"--simulate", "--trace"}, 2, "tarnwick: --trace needs a file name"},
        {{"--simulate", "COM3"}, 2, "tarnwick: unexpected argument COM3"},
        {{"--simulate=yes"}, 2, "tarnwick: Unexpected value after '--simulate'."},
        {{"--simulate", "--version"}, 0, "tarnwick 1.0"},
        {{"--help", "--trace", "x.txt"}, 0, "usage: tarnwick [--simulate]"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.arguments.join(' ').toStdString());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(scratch.path());
        program.start(TARNWICK_PROGRAM, run.arguments);
        ASSERT_TRUE(program.waitForStarted(10000));
        if (run.exitCode < 0) {
            QTRY_VERIFY_WITH_TIMEOUT(simulatedCom1(), 10000);
            program.terminate();
        }
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_FALSE(simulatedCom1()) << "never started, or removed on the way out";
        EXPECT_EQ(program.exitCode(), std::max(run.exitCode, 0));
        if (run.exitCode < 0) {
            EXPECT_TRUE(QFileInfo::exists(scratch.filePath(run.says)));
            continue;
        }
        const QString out = run.exitCode == 0 ? program.readAllStandardOutput() : program.readAllStandardError();
        EXPECT_TRUE(out.contains(run.says)) << out.toStdString();
        EXPECT_EQ(out.contains("usage: tarnwick"), run.exitCode == 2 || run.arguments[0] == "--help");
    }
}

}  // namespace
