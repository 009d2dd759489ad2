// The serial port and its two worker threads on POSIX systems (Linux, with the termios and
// pseudo-terminal behaviour it has). Each thread sleeps in poll() on the port and on a pipe of
// its own through which the window thread wakes it, to send or to stop.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/port.h"
#include "serial/port_names_posix.h"
#include "serial/send_queue.h"

namespace tarnwick {

namespace {

struct Worker {
    std::thread thread;
    std::atomic<bool> stop{false};
    int wakeRead = -1;
    int wakeWrite = -1;
};

Worker writer;
Worker reader;

// Set by the reader when the device has gone; read by the window thread's tick.
std::atomic<bool> deviceLost{false};

// Whether the last open failed on a device that another program holds; window thread only.
bool openFoundHeld = false;

// The baud rate of the open port, for the line time of a send: 8N1 puts ten bits on the
// wire for each byte.
std::atomic<int32_t> lineBaud{9600};

// How long the writer waits, beyond the line time of what it wrote, for the driver's output
// queue to empty before it takes the next send anyway.
constexpr int drainSlackMs = 100;
constexpr int drainPollMs = 5;

void wake(int fd) {
    if (fd < 0) return;
    const char byte = 1;
    // A full pipe already holds a wake-up, which is all the sleeper needs.
    [[maybe_unused]] ssize_t ignored = write(fd, &byte, 1);
}

void drain(int fd) {
    char bytes[64];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
}

// Closes a descriptor that holds the lock: the exclusive flag is ours to clear then. (A
// descriptor that did not get the lock is closed without this, or it would clear the flag of
// the program that holds the port.)
void release(int fd) {
    ioctl(fd, TIOCNXCL);
    close(fd);
}

int failOpen(int fd, PortHandle& slot, int result) {
    release(fd);
    slot = invalidPort;
    return result;
}

speed_t speedFor(int32_t baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

// Raw 8N1 at `speed`, receiver on, modem-status lines ignored, no flow control of either kind.
// Software flow control goes too: every new tty, an adapter's or a pseudo-terminal's, starts
// with IXON from the terminal layer, not from any choice of the adapter's. With it, a 0x11 or
// 0x13 in a unit answer (an own address of 17 or 19) vanishes from the input, and a 0x13 from
// the line stops all output until a 0x11 comes.
// tcsetattr() succeeds when any part of the change was taken, so the result is read back.
bool applyLineSettings(int fd, termios settings, speed_t speed) {
    const tcflag_t inputOff = IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | INPCK |
                              IXON | IXOFF | IXANY;
    settings.c_iflag &= ~inputOff;
    settings.c_oflag &= ~OPOST;
    settings.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) return false;
    if (tcsetattr(fd, TCSANOW, &settings) != 0) return false;
    termios check{};
    if (tcgetattr(fd, &check) != 0) return false;
    const tcflag_t cflags = CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL | CREAD;
    return (check.c_cflag & cflags) == (settings.c_cflag & cflags) &&
           (check.c_iflag & inputOff) == 0 && (check.c_lflag & (ICANON | ECHO | ISIG)) == 0 &&
           (check.c_oflag & OPOST) == 0 && cfgetospeed(&check) == speed;
}

// DTR and RTS low while the port is open. A device without modem-control lines, such as a
// pseudo-terminal, refuses the request with ENOTTY or EINVAL; it has no lines to hold low.
bool lowerModemLines(int fd) {
    int lines = TIOCM_DTR | TIOCM_RTS;
    return ioctl(fd, TIOCMBIC, &lines) == 0 || errno == ENOTTY || errno == EINVAL;
}

// What a Windows port calls its time-outs has no counterpart here: the descriptor is
// non-blocking and the reader reads only what poll() has reported, while the quiet timer
// times the bursts. VMIN 1 / VTIME 0 is still set, so that a read on the port returns with
// the first byte and never waits on an inter-byte timer; the driver refusing it is the
// time-out failure.
bool applyReadTimeouts(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return false;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

// --- writer -----------------------------------------------------------------------------

// Waits until the port takes more bytes. False when the writer is to stop or the device has
// gone; a wake-up for a further send is consumed here, its send stays queued.
bool waitWritable(int fd) {
    for (;;) {
        pollfd fds[2] = {{fd, POLLOUT, 0}, {writer.wakeRead, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents & POLLIN) drain(writer.wakeRead);
        if (writer.stop.load()) return false;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
        if (fds[0].revents & POLLOUT) return true;
    }
}

bool writeAll(int fd, const uint8_t* bytes, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            if (!waitWritable(fd)) return false;
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

// Waits until the bytes have left the driver, so that the purge before the next send cannot
// cut them short. Bounded by their line time and some slack: output held back by flow
// control is not waited for forever.
void waitUntilSent(int fd, size_t count) {
    using Clock = std::chrono::steady_clock;
    const auto lineMs = static_cast<long>(count * 10 * 1000 / lineBaud.load()) + 1;
    const auto until = Clock::now() + std::chrono::milliseconds(lineMs + drainSlackMs);
    while (!writer.stop.load()) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
        const auto now = Clock::now();
        if (now >= until) return;
        pollfd wakeFd = {writer.wakeRead, POLLIN, 0};
        if (poll(&wakeFd, 1, drainPollMs) > 0) drain(writer.wakeRead);
    }
}

// Discards output the driver still holds, as every send begins. Only when it holds some:
// on a pseudo-terminal the driver holds none (its queue is the other end's unread input) and
// TCOFLUSH would throw away bytes already sent that the other end has not read yet.
void purgeOutput(int fd) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) tcflush(fd, TCOFLUSH);
}

void writerLoop(int fd) {
    uint8_t bytes[txBufferSize];
    while (!writer.stop.load()) {
        pollfd wakeFd = {writer.wakeRead, POLLIN, 0};
        if (poll(&wakeFd, 1, -1) < 0 && errno != EINTR) return;
        drain(writer.wakeRead);
        int count;
        while (!writer.stop.load() && (count = takePendingSend(bytes)) >= 0) {
            if (count == 0) continue;
            purgeOutput(fd);
            if (writeAll(fd, bytes, static_cast<size_t>(count)))
                waitUntilSent(fd, static_cast<size_t>(count));
        }
    }
}

// --- reader -----------------------------------------------------------------------------

void readerLoop(int fd) {
    uint8_t bytes[1024];
    while (!reader.stop.load()) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {reader.wakeRead, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents & POLLIN) {
            drain(reader.wakeRead);
            continue;
        }
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(fd, bytes, sizeof bytes);
            if (n > 0) {
                appendReceived(bytes, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            deviceLost.store(true);  // end of file or EIO: the adapter was pulled, or hung up
            return;
        }
        // A hang-up or error with nothing left to read would wake every poll() at once from
        // now on; the reader ends instead of spinning, and the jobs run into their deadlines.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            deviceLost.store(true);
            return;
        }
    }
}

// --- start and stop ---------------------------------------------------------------------

void stopWorker(Worker& worker) {
    if (worker.thread.joinable()) {
        worker.stop.store(true);
        wake(worker.wakeWrite);
        worker.thread.join();
    }
    for (int* fd : {&worker.wakeRead, &worker.wakeWrite}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    worker.stop.store(false);
}

bool startWorker(Worker& worker, void (*loop)(int), int fd) {
    stopWorker(worker);  // a thread left from an earlier start that was never stopped
    int pipeFds[2];
    if (pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) return false;
    worker.wakeRead = pipeFds[0];
    worker.wakeWrite = pipeFds[1];
    try {
        worker.thread = std::thread(loop, fd);
    } catch (const std::system_error&) {
        stopWorker(worker);
        return false;
    }
    return true;
}

}  // namespace

int openPort(const char* path, int32_t baud, PortHandle& slot) {
    slot = invalidPort;
    openFoundHeld = false;
    char device[portPathCapacity];
    if (!resolvePortPath(path, device, sizeof device)) return -1;
    const int fd = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        openFoundHeld = errno == EBUSY;
        return -1;
    }
    slot = fd;
    // Exclusive use: the advisory lock keeps out every cooperating program (root included,
    // whom TIOCEXCL does not stop), TIOCEXCL keeps out anyone else who is not root.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        openFoundHeld = errno == EWOULDBLOCK;
        close(fd);
        slot = invalidPort;
        return -1;
    }
    // Not a terminal at all: TIOCEXCL fails, and reading the line settings reports it.
    ioctl(fd, TIOCEXCL);
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return failOpen(fd, slot, -2);
    const speed_t speed = speedFor(baud);
    if (speed == B0 || !applyLineSettings(fd, settings, speed) || !lowerModemLines(fd))
        return failOpen(fd, slot, -3);
    if (!applyReadTimeouts(fd)) return failOpen(fd, slot, -4);
    lineBaud.store(baud);
    // Whatever the unit sent while the port was closed is not an answer to anything.
    tcflush(fd, TCIOFLUSH);
    return 0;
}

int closePort(PortHandle handle) {
    if (handle < 0) return -1;
    const int fd = static_cast<int>(handle);
    // The exclusive flag belongs to the terminal, not to our descriptor: it would outlive the
    // close wherever someone else (a simulated device, say) keeps the terminal open.
    ioctl(fd, TIOCNXCL);
    return close(fd);
}

void startPortThreads() {
    const int fd = static_cast<int>(portHandle);
    deviceLost.store(false);
    if (writerRunning != 1) {
        writerRunning = startWorker(writer, writerLoop, fd) ? 1 : 0;
    }
    if (readerRunning != 1) {
        readerRunning = startWorker(reader, readerLoop, fd) ? 1 : 0;
    }
}

void stopPortThreads() {
    writerRunning = 0;
    readerRunning = 0;
    stopWorker(writer);
    stopWorker(reader);
    clearPendingSends();
}

void wakeWriter() { wake(writer.wakeWrite); }

bool portLost() { return deviceLost.load(); }

bool lastOpenFoundDeviceHeld() { return openFoundHeld; }

}  // namespace tarnwick
