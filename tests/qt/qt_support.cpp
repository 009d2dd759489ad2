#include "qt_support.h"

#include <QAction>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/layout.h"
#include "base/app_state.h"
#include "modem/settings_file.h"
#include "serial/burst.h"
#include "serial/port.h"
#include "serial/send_queue.h"

// Fontconfig keeps a few caches until the process ends and never frees them; LeakSanitizer
// would report them after every Qt test. Only they are passed over: a leak of our own still
// fails the run. (Read by the sanitizer runtime; an ordinary build never calls it.)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace qttest {

QApplication& app() {
    static int argc = 1;
    static char name[] = "tarnwick_qt_tests";
    static char* argv[] = {name, nullptr};
    // Kept for the whole run: a QApplication torn down among static destructors outlives
    // the objects it would need.
    static QApplication* instance = [] {
        if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return new QApplication(argc, argv);
    }();
    return *instance;
}

QString fromUtf8(const char* text) { return QString::fromUtf8(text); }

void writeSettings(const std::string& ip, const std::string& apn, const std::string& user,
                   const std::string& password) {
    std::ofstream out(tarnwick::settingsFileName, std::ios::binary);
    out << ip << "\r\n" << apn << "\r\n" << user << "\r\n" << password;
}

std::string readFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QString writeFile(const QString& folder, const char* name, const std::string& text) {
    const QString path = folder + QLatin1Char('/') + QString::fromUtf8(name);
    std::ofstream(QFile::encodeName(path).constData(), std::ios::binary) << text;
    return path;
}

bool anyJobBusy() {
    for (const tarnwick::Job* job : tarnwick::allJobs)
        if (job->trigger != 0 || job->state != 0) return true;
    return false;
}

int modalDialogsDuring(const std::function<void()>& action,
                       const std::function<void(QWidget*)>& inspect) {
    int opened = 0;
    QTimer closer;
    closer.setInterval(5);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        ++opened;
        if (inspect) inspect(modal);
        // An inspector may have ended the dialog itself.
        if (QApplication::activeModalWidget() == modal) modal->close();
    });
    closer.start();
    action();
    QCoreApplication::processEvents();
    closer.stop();
    return opened;
}

void WindowTest::SetUp() {
    app();
    std::remove(tarnwick::settingsFileName);
    tarnwick::resetAppState();
    tarnwick::resetBursts();
    tarnwick::clearPendingSends();
    quiet = std::make_unique<tarnwick::qt::QuietTimer>();
}

void WindowTest::TearDown() {
    tarnwick::stopPortThreads();
    if (tarnwick::portHandle != tarnwick::invalidPort) tarnwick::closePort(tarnwick::portHandle);
    window.reset();
    quiet.reset();
    QCoreApplication::processEvents();
    // The fields must not keep the controls of a window that is gone.
    tarnwick::resetAppState();
    tarnwick::resetBursts();
    std::remove(tarnwick::settingsFileName);
}

void WindowTest::openWindow() {
    window = std::make_unique<tarnwick::qt::MainWindow>();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

QWidget* WindowTest::control(int id) const {
    return tarnwick::qt::findControl(window->clientArea(), id);
}

tarnwick::qt::FitLineEdit* WindowTest::line(int id) const {
    return qobject_cast<tarnwick::qt::FitLineEdit*>(control(id));
}

tarnwick::qt::WrapEdit* WindowTest::box(int id) const {
    return qobject_cast<tarnwick::qt::WrapEdit*>(control(id));
}

QPushButton* WindowTest::button(int id) const { return qobject_cast<QPushButton*>(control(id)); }

QCheckBox* WindowTest::checkBox() const {
    return qobject_cast<QCheckBox*>(control(tarnwick::idNoInternet));
}

QString WindowTest::shown(int id) const {
    if (auto* l = line(id)) return l->text();
    if (auto* b = box(id)) return b->toPlainText();
    ADD_FAILURE() << "no edit box " << id;
    return {};
}

std::string WindowTest::windowState() const {
    QStringList state;
    for (const tarnwick::ControlSpec& spec : tarnwick::mainControls)
        if (spec.field != nullptr) state << shown(spec.id);
    state << (checkBox()->isChecked() ? "checked" : "unchecked");
    return state.join(QLatin1Char('|')).toStdString();
}

void WindowTest::retype(int id, const QString& text) {
    QWidget* edit = control(id);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    typeText(edit, text);
}

void typeText(QWidget* widget, const QString& text) {
    // One key event per character, carrying the character as its text: QTest's own typing
    // knows only the keys of a Latin keyboard.
    for (char32_t c : text.toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(widget, &release);
    }
}

void WindowTest::command(int id) {
    QAction* action = window->commandAction(id);
    ASSERT_NE(action, nullptr) << id;
    action->trigger();
}

}  // namespace qttest
