// tarnwick: the Linux desktop program. Sets up a КОРДИН 7190 unit and its cellular modem over
// a serial port; with --simulate it talks to a simulated unit and modem instead.
#include <QApplication>
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
#include "base/app_state.h"
#include "serial/port.h"
#include "serial/port_list.h"
#include "ui/qt/main_window.h"
#include "ui/qt/quiet_timer_qt.h"
#include "ui/qt/simulated_port.h"
#include "version.h"

namespace {

const char usageText[] =
    "usage: tarnwick [--simulate] [--trace FILE] [--list-ports] [--version] [--help]\n"
    "\n"
    "Sets up a КОРДИН 7190 telemetry unit and its cellular modem over a serial port.\n"
    "Type the port name (COM1 at start) and choose Communication > Open the Port.\n"
    "\n"
    "  --simulate    start a simulated unit and modem on a pseudo-terminal and make it COM1\n"
    "                for this run, so that every button can be tried without a device; they\n"
    "                start with some values stored, for the Read buttons to show\n"
    "  --trace FILE  append every line of the trace (Tools > Trace...) to FILE as it\n"
    "                happens, from start to exit; the password is never written\n"
    "  --list-ports  print the serial ports present, as Tools > Ports lists them, and exit\n"
    "  --version     show the version\n"
    "  --help        show this text\n"
    "\n"
    "Without --simulate the real ports are used: COMn is the entry COMn of the ports folder\n"
    "($TARNWICK_PORTS, else ~/.config/tarnwick/ports), a symlink to the device or a file\n"
    "holding its path; without such an entry COM1-COM32 are /dev/ttyS0-31, COM33-COM64\n"
    "/dev/ttyUSB0-31 and COM65-COM96 /dev/ttyACM0-31.\n"
    "The modem panel's values are kept in _data.ini in the working folder.\n";

// Held beyond main(): when Qt ends the process with exit() (the display went away), the
// device still stops and its ports folder is still removed, among the static destructors.
std::unique_ptr<tarnwick::qt::SimulatedPort> simulated;

int signalPipe[2] = {-1, -1};

// --list-ports: one line a port on stdout; a note on stderr when there is none.
int printPorts() {
    static tarnwick::PortEntry entries[tarnwick::maxPorts];
    const size_t count = tarnwick::listPorts(entries, tarnwick::maxPorts);
    for (size_t i = 0; i < count; ++i) {
        char line[tarnwick::portLineCapacity];
        tarnwick::formatPortEntry(entries[i], line, sizeof line);
        std::printf("%s\n", line);
    }
    if (count == 0) std::fprintf(stderr, "tarnwick: no serial port found\n");
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
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] { app.quit(); });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    bool simulate = false;
    const char* tracePath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usageText, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--list-ports") == 0) return printPorts();
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tarnwick %s\n", TARNWICK_VERSION_FULL);
            return 0;
        }
        if (std::strcmp(argv[i], "--simulate") == 0) simulate = true;
        if (std::strcmp(argv[i], "--trace") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "tarnwick: --trace needs a file name\n\n%s", usageText);
                return 2;
            }
            tracePath = argv[++i];
        }
    }
    // A trace that cannot be written is worth one line, not the session.
    if (tracePath != nullptr && !tarnwick::openTraceFile(tracePath))
        std::fprintf(stderr, "tarnwick: cannot open the trace file %s: %s; running without it\n",
                     tracePath, std::strerror(errno));

    // Before the window exists, so that COM1 already names the simulated device.
    if (simulate) {
        simulated = std::make_unique<tarnwick::qt::SimulatedPort>(true);
        if (!simulated->error().empty()) {
            std::fprintf(stderr, "tarnwick: --simulate: %s\n", simulated->error().c_str());
            return 1;
        }
    }

    QApplication app(argc, argv);
    // Qt has taken its own options (-platform, -style ...) out; anything left is not ours.
    const QStringList arguments = app.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--trace")) {
            ++i;
            continue;
        }
        if (argument != QLatin1String("--simulate")) {
            std::fprintf(stderr, "tarnwick: unknown option %s\n\n%s",
                         argument.toLocal8Bit().constData(), usageText);
            return 2;
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
