// The About box and its accelerators.
#include <QLabel>
#include <QTest>

#include "app/commands.h"
#include "app/layout.h"
#include "base/app_state.h"
#include "qt_support.h"
#include "ui/qt/about_dialog.h"

using namespace tarnwick;
using namespace tarnwick::qt;

namespace {

class About : public qttest::WindowTest {
protected:
    // Presses Alt with `key` on the widget that has the focus; returns how many modal boxes
    // opened meanwhile (each is closed again at once).
    int pressAlt(Qt::Key key, Qt::KeyboardModifiers extra = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr) target = window.get();
        return qttest::modalDialogsDuring(
            [&] { QTest::keyClick(target, key, Qt::AltModifier | extra); });
    }
};

TEST_F(About, AltQuestionMarkAndAltSlashOpenItFromTheWindow) {
    openWindow();
    window->clientArea()->setFocus();
    EXPECT_EQ(pressAlt(Qt::Key_Question), 1);
    EXPECT_EQ(pressAlt(Qt::Key_Slash), 1);
    EXPECT_EQ(pressAlt(Qt::Key_Question, Qt::ShiftModifier), 1) << "'?' typed with Shift";
    EXPECT_EQ(pressAlt(Qt::Key_A), 0);
    EXPECT_EQ(qttest::modalDialogsDuring([&] {
                  QTest::keyClick(window->clientArea(), Qt::Key_Question, Qt::ControlModifier);
              }),
              0)
        << "Control is not Alt";
}

TEST_F(About, AcceleratorGoesToTheFocusedControlAndIsSpent) {
    openWindow();
    for (int id : {idPortName, idFirstValue, idModemRead}) {
        SCOPED_TRACE(id);
        QWidget* focused = control(id);
        focused->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), focused);
        EXPECT_EQ(pressAlt(Qt::Key_Question), 0);
        EXPECT_EQ(pressAlt(Qt::Key_Slash), 0);
    }
    EXPECT_EQ(shown(idPortName), "COM1") << "the keystroke types nothing";
    EXPECT_EQ(shown(idFirstValue), QString());
    // A click on the empty client area hands the keyboard back to the window.
    QTest::mouseClick(window->clientArea(), Qt::LeftButton, {}, QPoint(450, 500));
    EXPECT_EQ(QApplication::focusWidget(), window->clientArea());
    EXPECT_EQ(pressAlt(Qt::Key_Question), 1);
}

TEST_F(About, ShowsTitleIconTextsAndOkModallyOverTheWindow) {
    openWindow();
    // Without the box, the click below does reach the button.
    QPushButton* read = button(idFirstRead);
    const QPoint at = read->mapTo(window.get(), read->rect().center());
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
    ASSERT_EQ(periodReadJob.trigger, 1);
    periodReadJob.trigger = 0;
    window->clientArea()->setFocus();
    int result = -1;
    const int opened = qttest::modalDialogsDuring(
        [&] { EXPECT_TRUE(handleCommand(idAbout, notifyAccelerator)); },
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<AboutDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(dialog->isModal());
            EXPECT_EQ(dialog->parentWidget(), window.get());
            EXPECT_EQ(dialog->windowTitle(), "About");
            EXPECT_EQ(dialog->size(), QSize(460, 150));
            auto* first = dialog->findChild<QLabel*>("firstLine");
            auto* second = dialog->findChild<QLabel*>("secondLine");
            auto* icon = dialog->findChild<QLabel*>("icon");
            ASSERT_TRUE(first && second && icon);
            EXPECT_EQ(first->text(), "Tarnwick Version 1.0");
            EXPECT_EQ(first->textFormat(), Qt::PlainText);
            EXPECT_EQ(second->text(), QString::fromLatin1(aboutSecondLine));
            EXPECT_FALSE(icon->pixmap().isNull());
            EXPECT_EQ(dialog->okButton()->text(), "OK");
            EXPECT_TRUE(dialog->okButton()->isDefault());
            QObject::connect(dialog, &QDialog::finished, [&](int code) { result = code; });
            // Modal over the window: a click on one of its buttons, sent the way the window
            // system delivers it (to the window, not the widget), does not get through.
            EXPECT_EQ(QApplication::activeModalWidget(), dialog);
            QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, at);
            EXPECT_EQ(periodReadJob.trigger, 0) << "the window took a click past the About box";
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(result, 1) << "OK ends it with command 1";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the command returned after it";
}

TEST_F(About, EscapeAndTheCloseBoxCancelIt) {
    openWindow();
    int result = -1;
    bool stillOpen = true;
    qttest::modalDialogsDuring([&] { handleCommand(idAbout, notifyAccelerator); },
                               [&](QWidget* modal) {
                                   auto* dialog = qobject_cast<QDialog*>(modal);
                                   QObject::connect(dialog, &QDialog::finished,
                                                    [&](int code) { result = code; });
                                   QTest::keyClick(dialog, Qt::Key_Escape);
                                   stillOpen = dialog->isVisible();
                               });
    EXPECT_FALSE(stillOpen);
    EXPECT_EQ(result, 2) << "cancelled";

    result = -1;
    qttest::modalDialogsDuring([&] { handleCommand(idAbout, notifyAccelerator); },
                               [&](QWidget* modal) {
                                   auto* dialog = qobject_cast<QDialog*>(modal);
                                   QObject::connect(dialog, &QDialog::finished,
                                                    [&](int code) { result = code; });
                                   dialog->close();
                               });
    EXPECT_EQ(result, 2) << "the close box cancels too";
}

}  // namespace
