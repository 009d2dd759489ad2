// tarnwick: the Linux desktop program. Sets up a КОРДИН 7190 unit and its cellular modem over
// a serial port; with --simulate it talks to a simulated unit and modem instead.
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QSocketNotifier>

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/trace_decode.h"
#include "app/window_usage.h"
#include "base/app_state.h"
#include "provision/run.h"
#include "serial/port.h"
#include "serial/port_list.h"
#include "ui/qt/main_window.h"
#include "ui/qt/quiet_timer_qt.h"
#include "ui/qt/simulated_port.h"
#include "version.h"

namespace {

// Held beyond main(): when Qt ends the process with exit() (the display went away), the
// device still stops and its ports folder is still removed, among the static destructors.
std::unique_ptr<tarnwick::qt::SimulatedPort> simulated;

int signalPipe[2] = {-1, -1};

// --list-ports: one line a port on stdout; a note on stderr when there is none.
int printPorts() {
    static tarnwick::PortListing listing;
    tarnwick::listPortLines(&listing);
    for (size_t i = 0; i < listing.count; ++i) std::printf("%s\n", listing.lines[i]);
    if (listing.count == 0) std::fprintf(stderr, "tarnwick: %s\n", tarnwick::noPortFoundText);
    return 0;
}

void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(signalPipe[1], &byte, 1);
}

// Ctrl+C or a SIGTERM ends the program the way Exit does, so that the port is closed and the
// simulated device's ports folder removed on the way out.
void quitOnStopSignals(QApplication& app) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    // A comparison waiting in its own loop stops too, at its next tick.
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        tarnwick::provision::interruptRequested.store(true);
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Qt needs a platform before it has taken its own options out and left ours. Without any
// display the options are still read, on the offscreen platform, so that --help, --version
// and --list-ports work over ssh and a mistyped option is refused as anywhere else; only the
// window itself then cannot be shown.
bool withoutDisplay(int argc, char** argv) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return false;
    }
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return false;
    return true;
}

int refuse(const QString& line) {
    const std::string usage = tarnwick::windowUsage(tarnwick::WindowProgram::qt);
    std::fprintf(stderr, "tarnwick: %s\n\n%s", line.toLocal8Bit().constData(), usage.c_str());
    return tarnwick::windowUsageExit;
}

}  // namespace

int main(int argc, char** argv) {
    const bool noDisplay = withoutDisplay(argc, argv);
    if (noDisplay) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    // Qt has taken its own options (-platform, -style ...) out; everything left is ours, and
    // anything unknown is refused rather than passed over: a mistyped --simulate must not
    // start a session against real ports.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"));
    const QCommandLineOption simulateOption(QStringLiteral("simulate"));
    const QCommandLineOption traceOption(QStringLiteral("trace"), QString(), QStringLiteral("FILE"));
    parser.addOptions({help, version, listPorts, simulateOption, traceOption});
    if (!parser.parse(app.arguments())) {
        // Qt's own wording for a --trace without its file is about a "value".
        if (parser.errorText().startsWith(QLatin1String("Missing value")))
            return refuse(QStringLiteral("--trace needs a file name"));
        return refuse(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        std::fputs(tarnwick::windowUsage(tarnwick::WindowProgram::qt).c_str(), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("tarnwick %s\n", TARNWICK_VERSION_FULL);
        return 0;
    }
    if (parser.isSet(listPorts)) return printPorts();
    if (noDisplay) {
        std::fprintf(stderr, "tarnwick: no display to show the window on (DISPLAY is not set)\n");
        return 1;
    }

    // A trace that cannot be written is worth one line, not the session.
    const QByteArray tracePath = QFile::encodeName(parser.value(traceOption));
    if (parser.isSet(traceOption) && !tarnwick::openTraceFile(tracePath.constData()))
        std::fprintf(stderr, "tarnwick: cannot open the trace file %s: %s; running without it\n",
                     tracePath.constData(), std::strerror(errno));

    // Before the window exists, so that COM1 already names the simulated device.
    if (parser.isSet(simulateOption)) {
        simulated = std::make_unique<tarnwick::qt::SimulatedPort>(true);
        if (!simulated->error().empty()) {
            std::fprintf(stderr, "tarnwick: --simulate: %s\n", simulated->error().c_str());
            return 1;
        }
    }
    quitOnStopSignals(app);
    // Qt itself ends the process with exit() when the display goes away. The port's worker
    // threads must not outlive main() into the static destructors, so they are stopped then
    // as well; on the normal way out this has been done already and does nothing.
    std::atexit([] {
        tarnwick::stopPortThreads();
        tarnwick::closeTraceFile();
    });

    tarnwick::qt::QuietTimer quietTimer;
    int exitCode = 0;
    {
        tarnwick::qt::MainWindow window;
        window.start();
        exitCode = app.exec();
        // The worker threads must be gone before the objects they report to.
        tarnwick::stopPortThreads();
        if (tarnwick::portHandle != tarnwick::invalidPort) {
            tarnwick::closePort(tarnwick::portHandle);
            tarnwick::portHandle = tarnwick::invalidPort;
        }
    }
    tarnwick::closeTraceFile();
    return exitCode;
}
