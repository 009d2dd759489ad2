#pragma once
// tarnwick-cli started as a program against the simulated unit and modem, registered as COM6
// in a ports folder of the test's own; its exit code, stdout and stderr come back whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devsim.h"
#include "modem_states.h"
#include "spawn_program.h"
#include "test_files.h"


namespace cli_test {

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        device = std::make_unique<devsim::Device>();
        ASSERT_TRUE(device->ok());
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        const std::string ports = std::string(cwd) + "/ports";
        ::mkdir(ports.c_str(), 0700);
        std::remove((ports + "/COM6").c_str());
        ASSERT_EQ(symlink(device->slavePath().c_str(), (ports + "/COM6").c_str()), 0);
        setenv("TARNWICK_PORTS", ports.c_str(), 1);
        setenv("TARNWICK_PASSWORD", "s3cret", 1);
        std::remove("_data.ini");
    }

    // Starts tarnwick-cli with its stdout and stderr going to the files named; -1 on failure.
    static pid_t start(std::vector<std::string> arguments, const char* out = "cli-out.txt",
                       const char* err = "cli-err.txt") {
        return support::spawnProgram(TARNWICK_CLI, std::move(arguments), out, err);
    }

    // Waits for a started tarnwick-cli to end.
    static Outcome finish(pid_t pid, const char* out = "cli-out.txt", const char* err = "cli-err.txt") {
        Outcome outcome;
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid) outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        outcome.out = fake::fileText(out);
        outcome.err = fake::fileText(err);
        return outcome;
    }

    // Polls `condition` every few milliseconds until it holds or `limitMs` have passed. The
    // limits are generous: a loaded machine may take many times longer than an idle one.
    static bool waitUntil(const std::function<bool()>& condition, int limitMs = 60000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < end) {
            if (condition()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return condition();
    }

    // Runs tarnwick-cli; sends it a Ctrl+C as soon as `interruptWhen`, if given, holds.
    static Outcome cli(std::vector<std::string> arguments,
                       const std::function<bool()>& interruptWhen = nullptr) {
        const pid_t pid = start(std::move(arguments));
        if (pid > 0 && interruptWhen) {
            waitUntil(interruptWhen, 30000);
            kill(pid, SIGINT);
        }
        return finish(pid);
    }

    std::unique_ptr<devsim::Device> device;
};

inline void writeFile(const char* name, const std::string& text) {
    if (std::FILE* file = std::fopen(name, "wb")) {
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

using support::setUpModem;

// Whether the line carried a write: a unit write frame ("ATDP" behind the frame's slot digit)
// or a modem command of the set-up; the query's profile loads and listings are reads.
inline bool wroteAnything(const std::string& received) {
    for (const char* write : {"ATDP", "AT^SICS=", "AT^SISS=", ",save,", ",reset,", "AT&W", "AT+CMGF="})
        if (contains(received, write)) return true;
    return false;
}

}  // namespace cli_test
