#include "ui/qt/status_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "modem/status_job.h"
#include "modem/status_meaning.h"
#include "provision/network_check.h"
#include "ui/qt/main_window.h"

namespace tarnwick::qt {

namespace {

using namespace tarnwick::provision;

QString text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

StatusWindow::StatusWindow(MainWindow* owner)
    : QDialog(owner),
      mainWindow(owner),
      meterBar(new QProgressBar(this)),
      verdict(new QLabel(this)),
      advice(new QLabel(this)),
      line(new QLabel(this)),
      refreshPush(new QPushButton(QString::fromLatin1(refreshCaption), this)),
      autoBox(new QCheckBox(QString::fromLatin1(everyFiveSecondsCaption), this)) {
    setObjectName(QStringLiteral("modemStatus"));
    setWindowTitle(QString::fromLatin1(modemStatusTitle));
    auto* items = new QFormLayout;
    for (size_t k = 0; k < statusItemCount; ++k) {
        names.push_back(new QLabel(this));
        texts.push_back(new QLabel(this));
        // The engineer copies the IMEI or the ICCID from here into a ticket.
        texts.back()->setTextInteractionFlags(Qt::TextSelectableByMouse);
        items->addRow(names.back(), texts.back());
    }
    meterBar->setRange(0, 100);
    meterBar->setTextVisible(true);
    QFont bold = verdict->font();
    bold.setBold(true);
    verdict->setFont(bold);
    advice->setWordWrap(true);
    line->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(autoBox);
    buttons->addStretch();
    buttons->addWidget(refreshPush);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(items);
    layout->addWidget(meterBar);
    layout->addWidget(verdict);
    layout->addWidget(advice);
    layout->addWidget(line);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    autoTimer.setInterval(autoRefreshMs);
    connect(&autoTimer, &QTimer::timeout, this, &StatusWindow::onAutoRound);
    connect(refreshPush, &QPushButton::clicked, this, &StatusWindow::refresh);
    connect(autoBox, &QCheckBox::toggled, this, [this](bool on) {
        if (on && isVisible()) autoTimer.start();
        else autoTimer.stop();
    });
    // Each tick, after the jobs have stepped; also while the window is closed, so that a
    // check that outlives it still gives the main window back.
    connect(&owner->tickTimer(), &QTimer::timeout, this, &StatusWindow::onTick);
    showLastCheck();
}

QString StatusWindow::itemName(size_t item) const { return item < names.size() ? names[item]->text() : QString(); }

QString StatusWindow::itemText(size_t item) const { return item < texts.size() ? texts[item]->text() : QString(); }

bool StatusWindow::refresh() {
    const std::string refusal = refreshRefusal();
    if (!refusal.empty()) {
        line->setText(text(refusal));
        return false;
    }
    startRefresh();
    // The main window stops taking input with the click, not one tick later.
    followCheck();
    return true;
}

void StatusWindow::onTick() { followCheck(); }

void StatusWindow::onAutoRound() {
    // A check still under way is this round's own; a Read or Write, or a closed port, makes
    // the round pass.
    if (refreshRunning()) return;
    const std::string refusal = refreshRefusal();
    if (!refusal.empty()) {
        ++skippedRounds;
        line->setText(text(refusal));
        return;
    }
    refresh();
}

void StatusWindow::followCheck() {
    const bool running = refreshRunning();
    mainWindow->takeNoInput(running);
    refreshPush->setEnabled(!running);
    if (running) {
        if (!checking) line->setText(text(refreshingText));
        checking = true;
        return;
    }
    if (!checking) return;
    checking = false;
    line->clear();
    showLastCheck();
    ++shownChecks;
    // A whole period from the end of this check, so that the line is left to the buttons
    // between two checks however long one takes.
    if (autoTimer.isActive()) autoTimer.start();
}

void StatusWindow::showLastCheck() {
    const ModemStatus& status = modemStatus();
    const std::vector<NetworkItem> items = networkItems(status);
    for (size_t k = 0; k < items.size() && k < names.size(); ++k) {
        names[k]->setText(text(items[k].name));
        texts[k]->setText(text(items[k].text));
    }
    const SignalMeter signal = signalMeter(status);
    meterBar->setValue(signal.known ? signal.level : 0);
    meterBar->setFormat(text(signal.text));
    const Verdict found = statusVerdict(status);
    verdict->setText(text(verdictSummary(found)));
    verdict->setStyleSheet(found == Verdict::ready ? QStringLiteral("color: #1f7f2f") : QStringLiteral("color: #b02020"));
    advice->setText(found == Verdict::ready ? QString() : QString::fromLatin1(verdictText(found).advice));
    advice->setVisible(found != Verdict::ready);
}

void StatusWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (autoBox->isChecked()) autoTimer.start();
}

void StatusWindow::hideEvent(QHideEvent* event) {
    // Closed, it refreshes no more: nobody would see the checks that keep the main window
    // from taking input. A check under way runs to its end.
    autoTimer.stop();
    QDialog::hideEvent(event);
}

}  // namespace tarnwick::qt
