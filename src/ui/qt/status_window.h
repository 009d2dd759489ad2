#pragma once
// Tools > Modem Status...: a small window beside the main one with the items of the last
// status check, its signal meter and its verdict, a Refresh button and "every 5 s". Whether a
// refresh may start, the check itself and every text are the core's (provision/network_check.h);
// this draws them and, while a check runs, keeps the main window from taking input.
#include <QDialog>
#include <QTimer>

#include <vector>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace tarnwick::qt {

class MainWindow;

class StatusWindow : public QDialog {
    Q_OBJECT
public:
    explicit StatusWindow(MainWindow* owner);

    // Starts a check, or shows why none can start now; returns whether one started.
    bool refresh();

    // How often "every 5 s" refreshes; autoRefreshMs unless a test shortens it.
    int autoRefreshInterval() const { return autoTimer.interval(); }
    void setAutoRefreshInterval(int ms) { autoTimer.setInterval(ms); }
    // "every 5 s" is checked and the window open.
    bool autoRefreshing() const { return autoTimer.isActive(); }

    QPushButton* refreshButton() const { return refreshPush; }
    QCheckBox* autoRefreshBox() const { return autoBox; }
    QProgressBar* meter() const { return meterBar; }
    QLabel* verdictLine() const { return verdict; }
    QLabel* adviceLine() const { return advice; }
    // "checking the modem...", why a refresh cannot start, or empty.
    QLabel* statusLine() const { return line; }
    // The item's name and text as shown, in StatusItem order.
    QString itemName(size_t item) const;
    QString itemText(size_t item) const;

    // How many checks have ended and been shown, and how many rounds of "every 5 s" were
    // passed over because a check could not start.
    int checksShown() const { return shownChecks; }
    int roundsSkipped() const { return skippedRounds; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void onTick();
    void onAutoRound();
    void showLastCheck();
    void followCheck();

    MainWindow* mainWindow;
    std::vector<QLabel*> names;
    std::vector<QLabel*> texts;
    QProgressBar* meterBar;
    QLabel* verdict;
    QLabel* advice;
    QLabel* line;
    QPushButton* refreshPush;
    QCheckBox* autoBox;
    QTimer autoTimer;
    bool checking = false;
    int shownChecks = 0;
    int skippedRounds = 0;
};

}  // namespace tarnwick::qt
