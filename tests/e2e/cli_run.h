#pragma once
// tarnwick-cli started as a program against the simulated unit and modem, registered as COM6
// in a ports folder of the test's own; its exit code, stdout and stderr come back whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
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
#include "test_files.h"

extern char** environ;

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

    // Runs tarnwick-cli; sends it a Ctrl+C as soon as `interruptWhen`, if given, holds.
    static Outcome cli(std::vector<std::string> arguments,
                       const std::function<bool()>& interruptWhen = nullptr) {
        arguments.insert(arguments.begin(), TARNWICK_CLI);
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, "cli-out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, 2, "cli-err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        Outcome outcome;
        if (posix_spawn(&pid, TARNWICK_CLI, &files, nullptr, argv.data(), environ) == 0) {
            if (interruptWhen) {
                for (int waited = 0; waited < 30000 && !interruptWhen(); waited += 5)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                kill(pid, SIGINT);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&files);
        outcome.out = fake::fileText("cli-out.txt");
        outcome.err = fake::fileText("cli-err.txt");
        return outcome;
    }

    std::unique_ptr<devsim::Device> device;
};

}  // namespace cli_test
