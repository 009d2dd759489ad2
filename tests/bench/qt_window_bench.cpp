// The Linux program's start-up, idle cost and memory: the real window, started as the program
// starts it, then left alone with its 54 ms tick running. Prints figures, asserts nothing.
#include <QApplication>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "base/app_state.h"
#include "ui/qt/main_window.h"
#include "ui/qt/quiet_timer_qt.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// Milliseconds since this process was created, from its start time in /proc (10 ms steps).
double msSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    // Field 22 of the file is the start time; fields 3.. follow the command name.
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const double startTicks = std::strtod(field.c_str(), nullptr);
    timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / sysconf(_SC_CLK_TCK);
}

double cpuSeconds() {
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t keyLength = std::strlen(key);
    while (std::getline(status, line))
        if (line.compare(0, keyLength, key) == 0) return std::strtol(line.c_str() + keyLength, nullptr, 10);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point mainEntered = Clock::now();
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);
    tarnwick::qt::QuietTimer quietTimer;
    tarnwick::qt::MainWindow window;
    window.start();
    // A window that never paints measures nothing: ten seconds are ample for the first paint.
    while (window.clientArea()->paintCount() == 0 && msBetween(mainEntered, Clock::now()) < 10000)
        QCoreApplication::processEvents();
    if (window.clientArea()->paintCount() == 0) {
        std::printf("FAIL: the window never painted\n");
        return 1;
    }
    const Clock::time_point painted = Clock::now();
    const double sinceProcessStart = msSinceProcessStart();

    // A second of settling (deferred layouts, font caches), then ten seconds left alone.
    QTimer::singleShot(1000, &app, &QCoreApplication::quit);
    QApplication::exec();
    const uint32_t ticksBefore = tarnwick::tickCount;
    const double cpuBefore = cpuSeconds();
    const Clock::time_point idleFrom = Clock::now();
    QTimer::singleShot(10000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
    QApplication::exec();
    const double idleMs = msBetween(idleFrom, Clock::now());
    const double cpuMs = (cpuSeconds() - cpuBefore) * 1000.0;
    const uint32_t ticks = tarnwick::tickCount - ticksBefore;

    std::printf("qt window (platform %s)\n", qPrintable(QGuiApplication::platformName()));
    std::printf("  start-up to first paint:   %.1f ms from main(), %.0f ms from process start"
                " (target < 300 ms)\n",
                msBetween(mainEntered, painted), sinceProcessStart);
    std::printf("  idle CPU over %.1f s:       %.2f %% of one core, %u ticks (%.1f ms apart;"
                " target < 1.5 %%)\n",
                idleMs / 1000.0, 100.0 * cpuMs / idleMs, ticks, ticks ? idleMs / ticks : 0.0);
    std::printf("  resident memory:           %.1f MB now, %.1f MB peak (target < 40 MB)\n",
                statusKb("VmRSS:") / 1024.0, statusKb("VmHWM:") / 1024.0);
    // No tick over ten seconds, or no time measured, is no measurement at all.
    if (ticks == 0 || idleMs <= 0 || statusKb("VmRSS:") <= 0) {
        std::printf("FAIL: nothing was measured\n");
        return 1;
    }
    return 0;
}
