#pragma once
// The program's core with its real POSIX port, reader and writer threads and a real-time
// window-thread loop, talking to the simulated unit and modem over a pseudo-terminal. The
// controls are the in-memory fakes; the port is opened by the "Open the Port" command with the
// name COM7, which the ports folder maps to the simulator's terminal.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "devsim.h"
#include "fakes.h"
#include "headless_loop.h"
#include "modem/settings_file.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/send_queue.h"
#include "test_files.h"

namespace e2e {

inline const char* portName() { return "COM7"; }

class Rig {
public:
    // Back to program start with a fresh device; false (and `why`) when the link cannot be
    // set up.
    bool open(std::string* why) {
        fake::reset();
        fake::resetLink();
        headless::reset();
        std::remove(tarnwick::settingsFileName);

        device = std::make_unique<devsim::Device>();
        if (!device->ok()) return fail(why, "no pseudo-terminal");
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd) == nullptr) return fail(why, "no working folder");
        const std::string ports = std::string(cwd) + "/ports";
        const std::string entry = ports + "/" + portName();
        ::mkdir(ports.c_str(), 0700);  // made by the first case, found by the later ones
        std::remove(entry.c_str());
        if (symlink(device->slavePath().c_str(), entry.c_str()) != 0)
            return fail(why, "cannot link " + entry);
        setenv("TARNWICK_PORTS", ports.c_str(), 1);

        tarnwick::createMainControls(fake::window());
        fake::controlById(tarnwick::idPortName)->text = portName();
        tarnwick::handleCommand(tarnwick::idOpenPort, tarnwick::notifyClick);
        const std::string status = shown(tarnwick::idPortStatus);
        if (status != std::string("The ") + portName() + " is opened.") return fail(why, status);
        return true;
    }

    void close() {
        tarnwick::handleCommand(tarnwick::idClosePort, tarnwick::notifyClick);
        device.reset();
        std::remove(tarnwick::settingsFileName);
    }

    // Runs the window thread's loop, ticking, until `done` or the time-out.
    bool runUntil(const std::function<bool()>& done, int timeoutMs) {
        return headless::runLoop(done, timeoutMs, [] { tarnwick::mainTick(); });
    }

    // Presses the button and runs until the job has dropped its trigger again.
    bool runJob(int buttonId, tarnwick::Job& job, int timeoutMs) {
        tarnwick::handleCommand(buttonId, tarnwick::notifyClick);
        return runUntil([&job] { return job.trigger == 0 && job.state == 0; }, timeoutMs);
    }

    static std::string shown(int id) { return fake::controlById(id)->text; }
    static void type(int id, const std::string& text) { fake::controlById(id)->text = text; }

    std::unique_ptr<devsim::Device> device;

private:
    static bool fail(std::string* why, const std::string& reason) {
        if (why != nullptr) *why = reason;
        return false;
    }
};

// Generous: a read takes about 0.4 s and times out after 3.3 s; a set-up takes 5 to 8 s.
constexpr int readLimitMs = 15000;
constexpr int modemLimitMs = 60000;

using fake::fileText;

}  // namespace e2e
