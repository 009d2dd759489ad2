#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

namespace tarnwick::qt {

// "About": the application's icon, "Tarnwick Version 1.0", a second line and an OK button.
// Modal over the main window; OK ends it with 1, Escape or the close box with 2 (the ids of
// the two commands that end it; nobody reads them).
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* owner);

    QPushButton* okButton() const { return ok; }
    void reject() override { done(2); }

private:
    QPushButton* ok;
};

}  // namespace tarnwick::qt
