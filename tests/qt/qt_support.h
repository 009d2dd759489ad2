#pragma once
// What the Qt tests share: one offscreen QApplication for the whole binary, and a fixture
// that builds the real main window over a clean application state in a clean folder.
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ui/qt/controls_qt.h"
#include "ui/qt/main_window.h"
#include "ui/qt/quiet_timer_qt.h"

namespace qttest {

QApplication& app();

// The UTF-8 text of a Windows-1251 string, for readable expectations.
QString fromUtf8(const char* text);

// Writes "_data.ini" in the working folder with CR LF line ends, as the program stores it.
void writeSettings(const std::string& ip, const std::string& apn, const std::string& user,
                   const std::string& password);
std::string readFile(const char* name);
// Writes `text` as the file `name` in `folder`; returns its path.
QString writeFile(const QString& folder, const char* name, const std::string& text);

// Whether any job has been raised and not come to rest.
bool anyJobBusy();

// Runs `action` while any modal dialog that opens is closed again at once; returns how many
// opened. Keeps a test from hanging on a dialog it did not expect.
int modalDialogsDuring(const std::function<void()>& action,
                       const std::function<void(QWidget*)>& inspect = {});

// Types any text, Cyrillic included, into the widget as key presses.
void typeText(QWidget* widget, const QString& text);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds and shows the window (controls, settings file, COM1) without starting the tick,
    // so that only the test moves the jobs.
    void openWindow();

    QWidget* control(int id) const;
    tarnwick::qt::FitLineEdit* line(int id) const;
    tarnwick::qt::WrapEdit* box(int id) const;
    QPushButton* button(int id) const;
    QCheckBox* checkBox() const;
    // The text an edit box shows.
    QString shown(int id) const;
    // What every edit box shows and the check box's state, one line, to see that nothing changed.
    std::string windowState() const;

    // Types `text` into a single-line box after emptying it, as the user would.
    void retype(int id, const QString& text);
    void command(int id);  // through the menu

    std::unique_ptr<tarnwick::qt::QuietTimer> quiet;
    std::unique_ptr<tarnwick::qt::MainWindow> window;
};

}  // namespace qttest
