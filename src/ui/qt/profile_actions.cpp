#include "ui/qt/profile_actions.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "provision/window_flows.h"
#include "base/app_state.h"
#include "ui/qt/controls_qt.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_text.h"

namespace tarnwick::qt {

namespace {

using namespace tarnwick::provision;

const QString profileFilter = QStringLiteral("Profiles (*.toml *.ini);;All files (*)");

// The folder the last profile was opened from or saved to, where the next dialog starts.
QString lastFolder;

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QString device(const std::string& cp1251) {
    return fromCp1251(reinterpret_cast<const uint8_t*>(cp1251.data()), cp1251.size());
}

// The flows are the core's; the window draws their messages and their question.
ProfileDialogs dialogsOver(QWidget* parent) {
    ProfileDialogs dialogs;
    dialogs.fits = boxFits;
    dialogs.askYesNo = [parent](const char* title, const std::string& question) {
        QMessageBox box(QMessageBox::Question, QString::fromLatin1(title), text(question),
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    dialogs.warn = [parent](const char* title, const std::string& line) {
        QMessageBox::warning(parent, QString::fromLatin1(title), text(line));
    };
    return dialogs;
}

QString chosenFile(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title) {
    QFileDialog dialog(parent, title, lastFolder.isEmpty() ? QDir::currentPath() : lastFolder, profileFilter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("toml"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QColor colourOf(Comparison comparison) {
    switch (comparison) {
    case Comparison::same: return QColor(0x1f, 0x7f, 0x2f);
    case Comparison::differs: return QColor(0xb0, 0x20, 0x20);
    default: break;
    }
    return QColor(0x60, 0x60, 0x60);
}

}  // namespace

bool boxFits(int id, const std::string& bytes) {
    MainWindow* window = MainWindow::instance();
    QWidget* box = window != nullptr ? findControl(window->clientArea(), id) : nullptr;
    const QString shown = device(bytes);
    if (auto* line = qobject_cast<FitLineEdit*>(box)) return line->fitsWhole(shown);
    if (auto* wrap = qobject_cast<WrapEdit*>(box)) return wrap->fitsWhole(shown);
    return false;
}

bool openProfileFile(QWidget* parent, const QString& path) {
    if (!openProfileIntoWindow(localPath(path), dialogsOver(parent))) return false;
    lastFolder = QFileInfo(path).absolutePath();
    return true;
}

bool saveProfileFile(QWidget* parent, const QString& path) {
    if (!saveProfileFromWindow(localPath(path), dialogsOver(parent))) return false;
    lastFolder = QFileInfo(path).absolutePath();
    return true;
}

bool compareWithProfileFile(QWidget* parent, const QString& path) {
    ComparisonReport report;
    const std::string name = fileNameOf(localPath(path));
    bool compared = false;
    {
        WaitBox wait(parent, name);
        wait.open();
        compared = compareProfileWithDevice(localPath(path), dialogsOver(parent), &report);
    }
    if (!compared) return false;
    lastFolder = QFileInfo(path).absolutePath();
    if (MainWindow* window = MainWindow::instance()) {
        ComparisonWindow* shown = window->comparison();
        shown->showReport(name, report);
        shown->show();
        shown->raise();
        shown->activateWindow();
    }
    return true;
}

void openProfileCommand(QWidget* parent) {
    const QString path = chosenFile(parent, QFileDialog::AcceptOpen, QString::fromLatin1(openProfileTitle));
    if (!path.isEmpty()) openProfileFile(parent, path);
}

void saveProfileCommand(QWidget* parent) {
    const QString path = chosenFile(parent, QFileDialog::AcceptSave, QString::fromLatin1(saveProfileTitle));
    if (!path.isEmpty()) saveProfileFile(parent, path);
}

void compareWithProfileCommand(QWidget* parent) {
    const QString path = chosenFile(parent, QFileDialog::AcceptOpen, QString::fromLatin1(compareProfileTitle));
    if (!path.isEmpty()) compareWithProfileFile(parent, path);
}

WaitBox::WaitBox(QWidget* owner, const std::string& profileName)
    : QDialog(owner), profile(profileName), label(new QLabel(this)), cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(QString::fromLatin1(compareProfileTitle));
    setWindowModality(Qt::WindowModal);
    label->setMinimumWidth(360);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &WaitBox::reject);
    // Each tick, after the jobs have stepped.
    if (MainWindow* window = MainWindow::instance())
        connect(&window->tickTimer(), &QTimer::timeout, this, &WaitBox::update);
    update();
}

void WaitBox::reject() {
    // Closing the box must not leave the reads running unseen: it cancels, and the box stays
    // until the job under way has ended.
    interruptRequested.store(true);
    cancel->setEnabled(false);
    update();
}

void WaitBox::update() { label->setText(text(waitBoxText(profile, !cancel->isEnabled()))); }

ComparisonWindow::ComparisonWindow(QWidget* owner)
    : QDialog(owner), heading(new QLabel(this)), lines(new QTreeWidget(this)), notes(new QLabel(this)) {
    setObjectName(QStringLiteral("comparison"));
    setWindowTitle(QString::fromLatin1(compareProfileTitle));
    lines->setColumnCount(4);
    lines->setHeaderLabels({QStringLiteral("Value"), QStringLiteral("Result"), QStringLiteral("Device"),
                            QStringLiteral("Profile")});
    lines->setRootIsDecorated(false);
    lines->setSelectionMode(QAbstractItemView::NoSelection);
    lines->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    notes->setWordWrap(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(lines);
    layout->addWidget(notes);
    layout->addLayout(buttons);
    resize(540, 300);
}

void ComparisonWindow::showReport(const std::string& profileName, const ComparisonReport& report) {
    lines->clear();
    for (const Difference& line : report.lines) {
        auto* item = new QTreeWidgetItem(lines, {text(line.name), QString::fromLatin1(comparisonName(line.comparison)),
                                                 device(line.device), device(line.profile)});
        item->setForeground(1, colourOf(line.comparison));
    }
    heading->setText(text(comparisonSummary(profileName, report)));
    QStringList failures;
    for (const std::string& failure : report.failures) failures << device(failure);
    notes->setText(failures.join(QLatin1Char('\n')));
    notes->setVisible(!failures.isEmpty());
}

}  // namespace tarnwick::qt
