#pragma once
// Tools: Open Profile..., Save Profile..., Compare with Profile...: the file dialogs, the
// question about the password file, the box the engineer waits in while the comparison reads,
// and the small window with its result. What they do is the core's (provision/window_profile.h).
#include <QDialog>
#include <QString>

#include <string>

#include "provision/window_profile.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tarnwick::qt {

// Whether a Windows-1251 text fits the main window's edit box `id` whole.
bool boxFits(int id, const std::string& text);

// The three commands with the file already chosen; the menu asks for it first. Each returns
// whether the profile went in, was written or was compared; a failure has been shown.
bool openProfileFile(QWidget* parent, const QString& path);
bool saveProfileFile(QWidget* parent, const QString& path);
bool compareWithProfileFile(QWidget* parent, const QString& path);

// The menu's commands: a file dialog, then the above.
void openProfileCommand(QWidget* parent);
void saveProfileCommand(QWidget* parent);
void compareWithProfileCommand(QWidget* parent);

// Says what the jobs are doing while the comparison reads; its Cancel (or Escape) stops the
// comparison after the current job. Modal for the main window only: the trace stays usable.
class WaitBox : public QDialog {
    Q_OBJECT
public:
    WaitBox(QWidget* owner, const std::string& profileName);
    QPushButton* cancelButton() const { return cancel; }

public slots:
    void reject() override;

private:
    void update();

    std::string profile;
    QLabel* label;
    QPushButton* cancel;
};

// The comparison's result, a line a value: same, differs, not readable, not verifiable, with
// what the device holds and what the profile says. Not modal, so that the engineer can correct
// the boxes while it is open.
class ComparisonWindow : public QDialog {
    Q_OBJECT
public:
    explicit ComparisonWindow(QWidget* owner);
    void showReport(const std::string& profileName, const provision::ComparisonReport& report);

    QTreeWidget* table() const { return lines; }
    QLabel* summary() const { return heading; }
    QLabel* failures() const { return notes; }

private:
    QLabel* heading;
    QTreeWidget* lines;
    QLabel* notes;
};

}  // namespace tarnwick::qt
