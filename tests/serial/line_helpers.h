#pragma once
// Helpers for the tests over real pseudo-terminals: the test's own raw end of a line, scratch
// folders and the process's CPU time.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>


namespace testline {

// A raw, non-blocking descriptor on a terminal, closed on destruction.
class RawLine {
public:
    explicit RawLine(const std::string& path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios settings{};
        if (fd_ >= 0 && tcgetattr(fd_, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(fd_, TCSANOW, &settings);
        }
    }
    ~RawLine() {
        if (fd_ >= 0) close(fd_);
    }
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    int fd() const { return fd_; }

    bool send(const std::string& bytes) {
        return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Everything that arrives within `ms`, or until `expect` bytes have come.
    std::string receive(int ms, size_t expect = 0) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 || (expect > 0 && got.size() >= expect)) return got;
            pollfd p = {fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            char buffer[1024];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0) return got;
            got.append(buffer, static_cast<size_t>(n));
        }
    }

    // Sends a command and collects its answer until `terminator` has arrived.
    std::string ask(const std::string& command, const std::string& terminator, int ms = 2000) {
        send(command);
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (got.find(terminator) == std::string::npos &&
               std::chrono::steady_clock::now() < end)
            got += receive(20);
        return got;
    }

private:
    int fd_ = -1;
};

// A fresh folder under /tmp, removed with its contents on destruction.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/tarnwick-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

inline long processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

}  // namespace testline
