// A port that another program holds, and a port whose device goes and comes back: the real
// POSIX port and the core's port commands against the simulated device, and tarnwick-cli as
// the engineer runs it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <memory>
#include <thread>

#include "app/commands.h"
#include "app/layout.h"
#include "base/app_state.h"
#include "base/trace.h"
#include "counting_new.h"
#include "devsim.h"
#include "fakes.h"
#include "line_helpers.h"
#include "serial/port_holder.h"
#include "spawn_program.h"
#include "test_files.h"

using namespace tarnwick;

namespace {

constexpr int limitMs = 10000;  // generous: the sanitizer builds run on a busy machine

template <typename Done>
bool waitFor(Done done, int ms = limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Another program with the device open, under a name of the test's choosing: it holds the
// advisory lock, or puts the terminal in exclusive mode, as a modem manager does.
class Holder {
public:
    enum How { lock, exclusive };
    Holder(const std::string& device, const char* name, How how) {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_NAME, name);
            const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
            const char held = fd >= 0 && (how == lock ? flock(fd, LOCK_EX | LOCK_NB) : ioctl(fd, TIOCEXCL)) == 0;
            if (write(ready[1], &held, 1) != 1) _exit(1);
            for (;;) pause();
        }
        close(ready[1]);
        pollfd p = {ready[0], POLLIN, 0};
        char byte = 0;
        held = pid > 0 && poll(&p, 1, limitMs) == 1 && read(ready[0], &byte, 1) == 1 && byte == 1;
        close(ready[0]);
    }
    ~Holder() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    std::string named(const char* name) const { return std::string(name) + " (pid " + std::to_string(pid) + ")"; }

    pid_t pid = -1;
    bool held = false;
};

struct Outcome {
    int exitCode = -1;
    std::string err;
};

// Runs `arguments` (a program and its arguments) to its end.
Outcome run(std::vector<std::string> arguments) {
    const std::string program = arguments.front();
    arguments.erase(arguments.begin());
    Outcome outcome;
    const pid_t pid = support::spawnProgram(program.c_str(), std::move(arguments), "/dev/null", "cli-err.txt");
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    outcome.err = fake::fileText("cli-err.txt");
    return outcome;
}

// The simulated device registered as COM6 in a ports folder of the test's own.
class PortTrouble : public ::testing::Test {
protected:
    testline::TempDir ports;
    std::unique_ptr<devsim::Device> device = std::make_unique<devsim::Device>();

    void SetUp() override {
        ASSERT_TRUE(device->ok());
        setenv("TARNWICK_PORTS", ports.path().c_str(), 1);
        plugIn(*device);
    }
    void TearDown() override { unsetenv("TARNWICK_PORTS"); }

    void plugIn(const devsim::Device& plugged) { linkCom6To(plugged.slavePath()); }

    // The adapter pulled: its device goes, and COM6 leads to a node that is no more, as a link
    // to /dev/serial/by-id/... does. The name must not keep leading to the pulled device's
    // /dev/pts/N: that number is handed out again to the next pseudo-terminal of any process,
    // another test's running beside this one included, and a try would open that one. The link
    // changes before the device goes, while the port still holds the number.
    void pullOut(devsim::Device& pulled) {
        linkCom6To(ports.path() + "/gone");
        pulled.vanish();
    }

    void linkCom6To(const std::string& target) {
        const std::string link = ports.path() + "/COM6";
        std::remove(link.c_str());
        ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    }
};

TEST_F(PortTrouble, TarnwickCliExitsThreeNamingTheHolderOnStderrAndInTheTrace) {
    std::remove("trace.txt");
    {
        Holder manager(device->slavePath(), "ModemManager", Holder::lock);
        ASSERT_TRUE(manager.held);
        const Outcome held = run({TARNWICK_CLI, "--trace", "trace.txt", "read", "--port", "COM6"});
        EXPECT_EQ(held.exitCode, 3);
        EXPECT_EQ(held.err, "tarnwick-cli: port COM6: Port did't open! In use by " + manager.named("ModemManager") +
                                "\ntarnwick-cli: " + portHolderRuleAdvice + "\nKERNEL==\"" +
                                device->slavePath().substr(5) + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"\n");
        EXPECT_NE(fake::fileText("trace.txt").find("--  port COM6 did not open: in use by " + manager.named("ModemManager") +
                                             "; " + portHolderRuleAdvice + " KERNEL==\""),
                  std::string::npos)
            << fake::fileText("trace.txt");
    }
    // Exclusive mode names no one: every process with the device open is named, as far as this
    // user sees. Root passes through exclusive mode, so the program runs without that privilege.
    Holder exclusive(device->slavePath(), "minicom", Holder::exclusive);
    ASSERT_TRUE(exclusive.held);
    std::vector<std::string> command = {TARNWICK_CLI, "read", "--port", "COM6"};
    if (geteuid() == 0) {
        if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "root without setpriv cannot meet exclusive mode";
        command.insert(command.begin(), {"/usr/bin/setpriv", "--inh-caps=-sys_admin", "--bounding-set=-sys_admin"});
    }
    const Outcome busy = run(command);
    EXPECT_EQ(busy.exitCode, 3);
    EXPECT_NE(busy.err.find(exclusive.named("minicom")), std::string::npos) << busy.err;
    EXPECT_EQ(busy.err.find("udev"), std::string::npos) << busy.err;

    // A port that is not there is not "in use".
    ASSERT_EQ(symlink("/nonexistent/tty", (ports.path() + "/COM7").c_str()), 0);
    const Outcome absent = run({TARNWICK_CLI, "read", "--port", "COM7"});
    EXPECT_EQ(absent.exitCode, 3);
    EXPECT_EQ(absent.err, "tarnwick-cli: port COM7: Port did't open!\n");
}

// The adapter pulled and plugged in again: the same COM6 opens by itself, and the tries while
// it is away allocate nothing.
TEST_F(PortTrouble, ALostPortOpensAgainByItselfAndItsTriesAllocateNothing) {
    fake::reset();
    createMainControls(fake::window());
    resetTrace();
    const auto status = [] { return fake::controlById(idPortStatus)->text; };
    const auto traced = [](TraceKind kind) {
        for (uint32_t s = traceNewest(); s > 0 && traceRecord(s) != nullptr; --s)
            if (traceRecord(s)->kind == kind) return true;
        return false;
    };
    openNamedPort("COM6", "\\\\.\\COM6");
    ASSERT_EQ(status(), "The COM6 is opened.");

    pullOut(*device);
    ASSERT_TRUE(waitFor([&] { checkPortLost(); return status() == "The COM6 is lost."; }));
    counting::allocations = 0;
    counting::on = true;
    ASSERT_TRUE(waitFor([&] { checkPortLost(); return traced(TraceKind::portRetrying); }));
    // Two more tries at least, with the device still away.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(2200);
    while (std::chrono::steady_clock::now() < until) {
        checkPortLost();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    counting::on = false;
    EXPECT_EQ(counting::allocations.load(), 0);
    EXPECT_EQ(status(), "The COM6 is lost.");
    EXPECT_EQ(portHandle, invalidPort) << "the gone device was let go";

    devsim::Device back;
    ASSERT_TRUE(back.ok());
    plugIn(back);
    ASSERT_TRUE(waitFor([&] { checkPortLost(); return status() == "The COM6 is opened."; }));
    EXPECT_TRUE(traced(TraceKind::portReopened));
    closePortCommand();
}

}  // namespace
