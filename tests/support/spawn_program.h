#pragma once
// Starts a program of ours as a user starts it, its output going to files, for the tests and
// benchmarks that run tarnwick-cli itself.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>

#include <string>
#include <vector>

extern char** environ;

namespace support {

// Starts `program` with `arguments` (without the program's own name); stdout goes to `out`
// and, when given, stderr to `err`, each created anew. Returns the pid, or -1.
inline pid_t spawnProgram(const char* program, std::vector<std::string> arguments, const char* out,
                          const char* err = nullptr) {
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err != nullptr) posix_spawn_file_actions_addopen(&files, 2, err, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, program, &files, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
}

// A whole run of a program, for the benchmarks: its wall time and its peak memory.
struct Measured {
    double seconds = -1;  // -1: it did not end with `wantedExit`
    long peakKiB = 0;
};

inline Measured timedRun(const char* program, std::vector<std::string> arguments, const char* out,
                         int wantedExit = 0) {
    const auto begin = std::chrono::steady_clock::now();
    Measured measured;
    const pid_t pid = spawnProgram(program, std::move(arguments), out);
    if (pid <= 0) return measured;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == wantedExit) {
        measured.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        measured.peakKiB = usage.ru_maxrss;
    }
    return measured;
}

}  // namespace support
