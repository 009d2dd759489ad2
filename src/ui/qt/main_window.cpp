#include "ui/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>

#include "app/commands.h"
#include "app/frontend.h"
#include "provision/run_jobs.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "serial/port_list.h"
#include "ui/qt/about_dialog.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/profile_actions.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/status_window.h"
#include "ui/qt/trace_window.h"

namespace tarnwick::qt {

namespace {

constexpr int tickMs = 54;

MainWindow* currentWindow = nullptr;

// The accelerators are characters, not keys: Alt with '?' or '/' on whatever keyboard layout
// produces them. The key codes cover events that carry no text.
bool isAboutKey(const QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers();
    if (!(mods & Qt::AltModifier) || (mods & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    return key->key() == Qt::Key_Question || key->key() == Qt::Key_Slash ||
           key->text() == QLatin1String("?") || key->text() == QLatin1String("/");
}

}  // namespace

std::vector<PaintedLabel> paintedLabelList() {
    std::vector<PaintedLabel> list;
    list.reserve(paintedLabelCount);
    for (const LabelSpec& entry : paintedLabels) {
        PaintedLabel label;
        label.font = layoutFont(labelFontSpec(entry.font));
        label.topLeft = QPoint(entry.x, entry.y);
        // The table gives the top of the character cell; Qt draws from the baseline.
        label.baseline = QPoint(entry.x, entry.y + QFontMetrics(label.font).ascent());
        label.text = fromCp1251(entry.text);
        list.push_back(label);
    }
    return list;
}

ClientArea::ClientArea(QWidget* parent) : QWidget(parent), labelList(paintedLabelList()) {
    // A click on the empty area gives the keyboard back to the window itself, the only
    // place where the About accelerators act.
    setFocusPolicy(Qt::ClickFocus);
}

void ClientArea::paintEvent(QPaintEvent*) {
    ++paints;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (const PaintedLabel& label : labelList) {
        painter.setFont(label.font);
        painter.drawText(label.baseline, label.text);
    }
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

MainWindow::MainWindow() : area(new ClientArea(this)) {
    currentWindow = this;
    setWindowTitle(QString::fromLatin1(tarnwick::windowTitle));
    setWindowIcon(appIcon());
    buildMenu();
    setCentralWidget(area);
    resize(clientWidth, clientHeight + menuBar()->sizeHint().height());
    mainWindow = area;
    createMainControls(area);
    area->setFocus();
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(tickMs);
    connect(&tick, &QTimer::timeout, this, [] { mainTick(); });
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    tick.stop();
    if (mainWindow == area) mainWindow = nullptr;
    if (currentWindow == this) currentWindow = nullptr;
}

MainWindow* MainWindow::instance() { return currentWindow; }

void MainWindow::start() {
    show();
    area->repaint();
    tick.start();
}

void MainWindow::addCommand(QMenu* menu, const QString& text, int id) {
    QAction* action = menu->addAction(text);
    action->setObjectName(QString::number(id));
    action->setData(id);
    connect(action, &QAction::triggered, this, [id] { handleCommand(id, notifyClick); });
}

void MainWindow::buildMenu() {
    QMenu* menu = menuBar()->addMenu(QStringLiteral("Communication"));
    addCommand(menu, QStringLiteral("Open the Port"), idOpenPort);
    addCommand(menu, QStringLiteral("Close the Port"), idClosePort);
    addCommand(menu, QStringLiteral("E&xit"), idExit);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("Tools"));
    addCommand(tools, QStringLiteral("Trace\u2026"), idTrace);
    QMenu* ports = tools->addMenu(QStringLiteral("Ports"));
    ports->setObjectName(QStringLiteral("ports"));
    // Listed afresh each time it opens: adapters come and go while the program runs.
    connect(ports, &QMenu::aboutToShow, this, [ports] { fillPortsMenu(ports); });

    // Beside the window's own commands: they fill, save or compare the boxes and send nothing.
    tools->addSeparator();
    const auto addProfileCommand = [this, tools](const QString& text, const char* name, void (*run)(QWidget*)) {
        QAction* action = tools->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, [this, run] { run(this); });
    };
    addProfileCommand(QStringLiteral("Open Profile\u2026"), "openProfile", openProfileCommand);
    addProfileCommand(QStringLiteral("Save Profile\u2026"), "saveProfile", saveProfileCommand);
    addProfileCommand(QStringLiteral("Compare with Profile\u2026"), "compareProfile", compareWithProfileCommand);

    QAction* status = tools->addAction(QStringLiteral("Modem Status\u2026"));
    status->setObjectName(QStringLiteral("modemStatus"));
    connect(status, &QAction::triggered, this, [this] {
        StatusWindow* shown = modemStatus();
        shown->show();
        shown->raise();
        shown->activateWindow();
    });
}

void MainWindow::fillPortsMenu(QMenu* menu) {
    menu->clear();
    static PortListing listing;
    listPortLines(&listing);
    for (size_t i = 0; i < listing.count; ++i) {
        QAction* action = menu->addAction(QString::fromUtf8(listing.lines[i]));
        // A device without a COMn name cannot be opened by name: shown, greyed.
        action->setEnabled(portChoosable(listing.entries[i]));
        const QByteArray name(listing.entries[i].name);
        connect(action, &QAction::triggered, menu, [name] { choosePortName(name.constData()); });
    }
    if (listing.count == 0)
        menu->addAction(QStringLiteral("(%1)").arg(QString::fromLatin1(noPortFoundText)))->setEnabled(false);
}

TraceWindow* MainWindow::trace() {
    if (traceWindow == nullptr) traceWindow = new TraceWindow(this);
    return traceWindow;
}

ComparisonWindow* MainWindow::comparison() {
    if (comparisonWindow == nullptr) comparisonWindow = new ComparisonWindow(this);
    return comparisonWindow;
}

StatusWindow* MainWindow::modemStatus() {
    if (statusWindow == nullptr) {
        statusWindow = new StatusWindow(this);
        // Beside the main window, not over its boxes.
        statusWindow->move(frameGeometry().topRight() + QPoint(8, 0));
    }
    return statusWindow;
}

void MainWindow::takeNoInput(bool blocked) {
    if (blocked == inputBlocked) return;
    inputBlocked = blocked;
    if (blocked) {
        // The window's own focus, also while the engineer works in the status window.
        focusBeforeBlock = focusWidget();
    }
    area->setEnabled(!blocked);
    menuBar()->setEnabled(!blocked);
    if (!blocked && focusBeforeBlock != nullptr) focusBeforeBlock->setFocus();
}

QAction* MainWindow::commandAction(int id) const {
    return findChild<QAction*>(QString::number(id));
}

bool MainWindow::childControlHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus != nullptr && focus != area && area->isAncestorOf(focus);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* target = qobject_cast<QWidget*>(watched);
    if (target == nullptr || target->window() != this) return false;
    // Nothing reaches the window while a status check runs, its accelerators included.
    if (inputBlocked) return true;
    if (!isAboutKey(static_cast<QKeyEvent*>(event))) return false;
    // The accelerator's command goes to the window that has the keyboard focus. A child
    // control receives it and does nothing with it, so the box opens only while the window
    // itself has the focus; either way the keystroke is used up.
    if (!childControlHasFocus()) handleCommand(idAbout, notifyAccelerator);
    return true;
}

}  // namespace tarnwick::qt

namespace tarnwick {

void showAboutDialog() {
    qt::AboutDialog dialog(qt::MainWindow::instance());
    dialog.exec();
}

void destroyMainWindow() {
    if (qt::MainWindow* window = qt::MainWindow::instance()) window->close();
}

bool runJobsUntil(const std::function<bool()>& done, int limitMs) {
    if (done()) return true;
    qt::MainWindow* window = qt::MainWindow::instance();
    if (window == nullptr || !window->tickTimer().isActive()) return false;
    // A nested loop, so that the tick, the quiet timer and the window's painting go on while
    // provisioning waits; `done` is asked after each tick, once the jobs have stepped.
    QEventLoop loop;
    QObject::connect(&window->tickTimer(), &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(limitMs);
    loop.exec();
    return done();
}

void showTraceWindow() {
    qt::MainWindow* window = qt::MainWindow::instance();
    if (window == nullptr) return;
    qt::TraceWindow* trace = window->trace();
    trace->show();
    trace->raise();
    trace->activateWindow();
}

}  // namespace tarnwick
