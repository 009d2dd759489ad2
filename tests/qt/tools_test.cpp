// The menu "Tools": the trace window with its live lines in their colours, Clear, and the
// saved text in UTF-8; the ports present, one of which goes into the port-name box.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

#include <sys/stat.h>

#include <cstdio>

#include "app/layout.h"
#include "base/trace.h"
#include "qt_support.h"
#include "ui/qt/simulated_port.h"
#include "ui/qt/trace_window.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

class TraceWindowTest : public qttest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        resetTrace();
    }
    static QColor colourOfLine(const QPlainTextEdit* view, const QString& containing) {
        for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next())
            if (block.text().contains(containing))
                return block.begin().fragment().charFormat().foreground().color();
        return QColor();
    }
};

TEST_F(TraceWindowTest, ShowsTheLinesLiveBesideTheWorkingMainWindow) {
    tracePort(TraceKind::portOpened, "COM9");  // before the window: still shown
    openWindow();
    window->commandAction(idTrace)->trigger();
    TraceWindow* trace = window->trace();
    ASSERT_TRUE(trace->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "not modal";
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(trace->view()->toPlainText().contains("--  port COM9 opened"));

    traceSent(reinterpret_cast<const uint8_t*>("AT^SICS=0,\"passwd\",\"pw\"\r\n"), 25);
    traceBurst(0, 0, reinterpret_cast<const uint8_t*>("\r\nOK\r\n"), 6, 0x01);
    QTRY_VERIFY_WITH_TIMEOUT(trace->view()->toPlainText().contains("= OK"), 3000);
    const QString text = trace->view()->toPlainText();
    EXPECT_TRUE(text.contains("TX  AT^SICS=0,\"passwd\",\"***\"\\r\\n")) << text.toStdString();
    const QColor sent = colourOfLine(trace->view(), "TX  ");
    const QColor received = colourOfLine(trace->view(), "RX  ");
    const QColor event = colourOfLine(trace->view(), "--  ");
    EXPECT_TRUE(sent.isValid() && received.isValid() && event.isValid());
    EXPECT_NE(sent, received);
    EXPECT_NE(sent, event);

    ASSERT_TRUE(trace->saveTo("trace-saved.txt"));
    EXPECT_EQ(QString::fromUtf8(qttest::readFile("trace-saved.txt").c_str()), text + "\n");
    std::remove("trace-saved.txt");

    QTest::mouseClick(trace->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(trace->view()->toPlainText().isEmpty());
    trace->close();
    traceJob(TraceKind::jobStarted, periodReadJob);
    QTest::qWait(300);
    window->commandAction(idTrace)->trigger();
    EXPECT_EQ(trace->view()->toPlainText().count('\n'), 0)
        << "reopened, it goes on from where it was, not from the start";
    EXPECT_TRUE(trace->view()->toPlainText().contains("period read: started"));
}

// Save... that cannot write says so once, naming the file and the reason, and a save that can
// write (the second one over the same file too) says nothing.
TEST_F(TraceWindowTest, ASaveThatFailsSaysWhichFileAndWhy) {
    openWindow();
    window->commandAction(idTrace)->trigger();
    TraceWindow* trace = window->trace();
    tracePort(TraceKind::portOpened, "COM9");
    trace->refresh();
    ::mkdir("trace-folder", 0700);
    const struct {
        const char* path;
        const char* reason;
    } failures[] = {
        {"trace-folder", "trace-folder"},                                     // a folder's name
        {"no-such-folder/trace.txt", "No such file or directory"},
        {"/sys/tarnwick-trace.txt", "Permission denied"},                     // no write permission, even for root
        {"/dev/full", "No space left on device"},                             // a full disk
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.path);
        QString message;
        bool saved = true;
        const int boxes = qttest::modalDialogsDuring([&] { saved = trace->saveOrSay(failure.path); },
                                                     [&message](QWidget* box) {
                                                         if (auto* shown = qobject_cast<QMessageBox*>(box))
                                                             message = shown->text();
                                                     });
        EXPECT_FALSE(saved);
        EXPECT_EQ(boxes, 1);
        EXPECT_TRUE(message.startsWith(QStringLiteral("The trace could not be written to ") + failure.path))
            << message.toStdString();
        EXPECT_TRUE(message.contains(failure.reason)) << message.toStdString();
    }
    for (int save = 0; save < 2; ++save) {
        bool saved = false;
        EXPECT_EQ(qttest::modalDialogsDuring([&] { saved = trace->saveOrSay("trace-twice.txt"); }), 0);
        EXPECT_TRUE(saved);
    }
    EXPECT_EQ(QString::fromUtf8(qttest::readFile("trace-twice.txt").c_str()), trace->view()->toPlainText() + "\n");
}

TEST_F(TraceWindowTest, ThePortsMenuListsThePortsPresentAndPutsTheChosenNameInTheBox) {
    SimulatedPort simulated;  // a pseudo-terminal registered as COM1 in a ports folder
    ASSERT_EQ(simulated.error(), "");
    openWindow();
    retype(idPortName, "COM9");
    auto* ports = window->findChild<QMenu*>("ports");
    ASSERT_NE(ports, nullptr);
    emit ports->aboutToShow();
    QAction* com1 = nullptr;
    for (QAction* action : ports->actions())
        if (action->text().startsWith("COM1 \u2014 ")) com1 = action;
    ASSERT_NE(com1, nullptr);
    EXPECT_TRUE(com1->text().contains(QString::fromStdString(simulated.device().slavePath())));
    EXPECT_TRUE(com1->isEnabled());
    com1->trigger();
    EXPECT_EQ(shown(idPortName), "COM1");
}

}  // namespace
