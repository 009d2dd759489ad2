#include "devsim.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace devsim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

const char startMark[] = "\x0A\x21\xAA";

// A read request goes out filled up to twelve bytes; the filler arrives in the same write,
// so anything within this time behind the selector belongs to the request.
constexpr int fillerWindowMs = 50;
constexpr size_t fillerBytes = 7;
// A number write is twelve bytes without an end mark; it is taken as complete once the line
// has been quiet this long (a telephone write starting the same way ends with CR LF).
constexpr int frameSettleMs = 50;
// A partial start mark, frame or command line older than this is thrown away, so that one
// torn command cannot swallow the next.
constexpr int markTimeoutMs = 50;
constexpr int staleFrameMs = 500;
constexpr int staleLineMs = 1000;
constexpr size_t maxFrame = 3 + 255;
constexpr size_t maxLine = 1024;

// Filler for floods. It carries the XON and XOFF bytes, as line noise and binary answers do:
// a port that left software flow control on loses them, and stops sending on the XOFF.
const char floodPattern[] = "abcdefghijklm\x11nopqrstuvwxyz\x13" "0123456789";

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// '0' ATDP then '1' or '2' and three digits, with nothing behind: the period or address write.
bool isNumberWrite(const std::string& frame) {
    if (frame.size() != 12 || frame[3] != '0') return false;
    if (frame[8] != '1' && frame[8] != '2') return false;
    return isDigit(frame[9]) && isDigit(frame[10]) && isDigit(frame[11]);
}

int msUntil(Clock::time_point from, Clock::time_point to) {
    if (to <= from) return 0;
    auto ms = std::chrono::duration_cast<milliseconds>(to - from).count() + 1;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

}  // namespace

std::string Profile::get(const std::string& key) const {
    for (const auto& entry : values)
        if (entry.first == key) return entry.second;
    return {};
}

void Profile::set(const std::string& key, const std::string& value) {
    for (auto& entry : values)
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    values.emplace_back(key, value);
}

Device::Device() : start_(Clock::now()) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return;
    char name[128];
    int pipeFds[2];
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0 || pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        closeDescriptors();
        return;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    // Holding the slave open keeps the master from seeing a hang-up each time the program
    // closes its port. Its line settings stay as the kernel made them (echo, canonical input,
    // IXON), as a real adapter's are before a program sets its own.
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) {
        closeDescriptors();
        return;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath_ = name;
    lastByte_ = lastDue_ = swallowUntil_ = start_;
    thread_ = std::thread([this] { run(); });
}

Device::~Device() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    wake();
    if (thread_.joinable()) thread_.join();
    closeDescriptors();
}

void Device::closeDescriptors() {
    for (int* fd : {&master_, &slave_, &wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void Device::vanish() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (vanished_) return;
        stop_ = true;
        vanished_ = true;
    }
    wake();
    if (thread_.joinable()) thread_.join();
    closeDescriptors();
    changed_.notify_all();
}

void Device::wake() {
    if (wakeWrite_ < 0) return;
    const char byte = 1;
    // A full pipe already holds a wake-up; the thread drains it all at once.
    [[maybe_unused]] ssize_t ignored = write(wakeWrite_, &byte, 1);
}

uint32_t Device::elapsedMs() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<milliseconds>(Clock::now() - start_).count());
}

void Device::run() {
    char buffer[4096];
    for (;;) {
        int timeout;
        bool wantOut;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stop_) return;
            const auto now = Clock::now();
            timeout = pollTimeoutMs(now);
            wantOut = !out_.empty() && out_.front().due <= now;
        }
        pollfd fds[2] = {{master_, static_cast<short>(POLLIN | (wantOut ? POLLOUT : 0)), 0},
                         {wakeRead_, POLLIN, 0}};
        if (poll(fds, 2, timeout) < 0 && errno != EINTR) return;
        if (fds[1].revents & POLLIN)
            while (read(wakeRead_, buffer, sizeof buffer) > 0) {
            }
        ssize_t n = 0;
        if (fds[0].revents & POLLIN) n = read(master_, buffer, sizeof buffer);
        std::lock_guard<std::mutex> hold(lock_);
        const auto now = Clock::now();
        if (n > 0) {
            receivedChunks_.push_back({elapsedMs(), std::string(buffer, static_cast<size_t>(n))});
            received_.append(buffer, static_cast<size_t>(n));
            feed(buffer, static_cast<size_t>(n), now);
            changed_.notify_all();
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // Only possible once our own slave descriptor is gone; nothing more can come.
            return;
        }
        checkTimers(now);
        flushDue(now);
    }
}

int Device::pollTimeoutMs(Clock::time_point now) const {
    int timeout = -1;
    auto consider = [&](Clock::time_point at) {
        const int ms = msUntil(now, at);
        if (timeout < 0 || ms < timeout) timeout = ms;
    };
    if (!out_.empty() && out_.front().due > now) consider(out_.front().due);
    switch (input_) {
    case Input::markLf:
    case Input::markBang: consider(lastByte_ + milliseconds(markTimeoutMs)); break;
    case Input::frame:
        consider(lastByte_ + milliseconds(isNumberWrite(frame_) ? frameSettleMs : staleFrameMs));
        break;
    case Input::line: consider(lastByte_ + milliseconds(staleLineMs)); break;
    case Input::idle: break;
    }
    return timeout;
}

void Device::feed(const char* bytes, size_t count, Clock::time_point now) {
    for (size_t i = 0; i < count; ++i) feedByte(static_cast<uint8_t>(bytes[i]), now);
}

// Unit frames and modem lines share the line; what the first bytes are decides which one a
// command is: the start mark 0x0A 0x21 0xAA opens a frame, anything else is modem text.
void Device::feedByte(uint8_t byte, Clock::time_point now) {
    checkTimers(now);
    lastByte_ = now;
    if (swallow_ > 0) {
        if (now <= swallowUntil_) {
            --swallow_;
            return;
        }
        swallow_ = 0;
    }
    switch (input_) {
    case Input::idle:
        if (byte == 0x0A) {
            input_ = Input::markLf;
        } else if (byte == '\r' || byte == 0) {
            // An empty command line, or line noise that cannot begin one: nothing to do.
        } else {
            line_.assign(1, static_cast<char>(byte));
            input_ = Input::line;
        }
        return;
    case Input::markLf:
        if (byte == 0x21) {
            input_ = Input::markBang;
            return;
        }
        input_ = Input::idle;  // a line feed on its own, ignored like any LF
        feedByte(byte, now);
        return;
    case Input::markBang:
        if (byte == 0xAA) {
            frame_.assign(startMark, 3);
            input_ = Input::frame;
            return;
        }
        line_ = "!";
        input_ = Input::line;
        feedByte(byte, now);
        return;
    case Input::frame: frameByte(byte, now); return;
    case Input::line:
        if (byte == '\r') {
            finishLine(now);
        } else if (byte != '\n') {
            if (line_.size() < maxLine)
                line_.push_back(static_cast<char>(byte));
            else
                lineOverflow_ = true;
        }
        return;
    }
}

void Device::checkTimers(Clock::time_point now) {
    const auto quiet = now - lastByte_;
    switch (input_) {
    case Input::markLf:
    case Input::markBang:
        if (quiet >= milliseconds(markTimeoutMs)) input_ = Input::idle;
        break;
    case Input::frame:
        if (isNumberWrite(frame_) && quiet >= milliseconds(frameSettleMs))
            finishFrame(now);
        else if (quiet >= milliseconds(staleFrameMs))
            input_ = Input::idle;
        break;
    case Input::line:
        if (quiet >= milliseconds(staleLineMs)) {
            line_.clear();
            input_ = Input::idle;
        }
        break;
    case Input::idle: break;
    }
}

void Device::frameByte(uint8_t byte, Clock::time_point now) {
    // A line feed right behind a complete number write can only start the next frame.
    if (byte == 0x0A && isNumberWrite(frame_)) {
        finishFrame(now);
        feedByte(byte, now);
        return;
    }
    frame_.push_back(static_cast<char>(byte));
    const size_t size = frame_.size();
    const char command = frame_[3];
    if (size == 4) {
        if (command != 'N' && command != '0' && command != '1' && command != '2')
            input_ = Input::idle;  // not a frame the unit knows
        return;
    }
    if (command == 'N') {
        finishFrame(now);
        return;
    }
    if (size <= 8) {
        if (frame_[size - 1] != "ATDP"[size - 5]) input_ = Input::idle;
        return;
    }
    if (frame_[size - 2] == '\r' && frame_[size - 1] == '\n') {
        finishFrame(now);
    } else if (size >= maxFrame) {
        input_ = Input::idle;
    }
}

void Device::finishFrame(Clock::time_point now) {
    input_ = Input::idle;
    ++frames_;
    if (frame_[3] == 'N') {
        swallow_ = fillerBytes;
        swallowUntil_ = now + milliseconds(fillerWindowMs);
    }
    if (faults_.silent) return;
    if (frame_[3] == 'N') {
        const std::string reply = faults_.errorToAll ? "\r\nERROR\r\n" : unitRead(frame_[4]);
        if (!reply.empty()) answer(reply, now);
        return;
    }
    if (!faults_.errorToAll) unitWrite(frame_);
}

void Device::finishLine(Clock::time_point now) {
    std::string line;
    line.swap(line_);
    input_ = Input::idle;
    const bool overflow = lineOverflow_;
    lineOverflow_ = false;
    ++lines_;
    if (faults_.silent) return;
    const bool escape = line == "+++";
    // The echo shows the command as received, before the command can switch the echo off.
    const std::string echo = modem_.echo && !escape ? line + "\r" : std::string();
    std::string reply;
    const bool refused =
        !faults_.errorTo.empty() && line.compare(0, faults_.errorTo.size(), faults_.errorTo) == 0;
    if (faults_.errorToAll || overflow || refused)
        reply = "\r\nERROR\r\n";
    else if (escape)
        reply = "\r\nOK\r\n";
    else
        reply = answerModemLine(modem_, line);
    if (!echo.empty() || !reply.empty()) answer(echo + reply, now);
}

void Device::answer(const std::string& bytes, Clock::time_point now) {
    std::string whole = faults_.garbage + bytes;
    for (size_t i = 0; whole.size() < faults_.floodTo; ++i)
        whole.push_back(floodPattern[i % (sizeof floodPattern - 1)]);
    if (faults_.cutAfter > 0 && whole.size() > faults_.cutAfter) whole.resize(faults_.cutAfter);
    const size_t pieces = static_cast<size_t>(std::max(1, faults_.chunks));
    const size_t size = (whole.size() + pieces - 1) / pieces;
    for (size_t at = 0; at < whole.size(); at += size) {
        if (at == 0)
            enqueue(whole.substr(at, size), now + milliseconds(faults_.delayMs));
        else
            enqueue(whole.substr(at, size), now, faults_.chunkGapMs);
    }
}

void Device::enqueue(const std::string& bytes, Clock::time_point due, int gapMs) {
    // Answers leave in the order they were made, whatever their delays.
    if (due < lastDue_) due = lastDue_;
    lastDue_ = due;
    out_.push_back({due, bytes, gapMs});
}

void Device::flushDue(Clock::time_point now) {
    while (!out_.empty() && out_.front().due <= now) {
        std::string& bytes = out_.front().bytes;
        const ssize_t n = write(master_, bytes.data(), bytes.size());
        if (n <= 0) return;  // the slave's input queue is full: wait for POLLOUT
        sentChunks_.push_back({elapsedMs(), bytes.substr(0, static_cast<size_t>(n))});
        sent_.append(bytes, 0, static_cast<size_t>(n));
        changed_.notify_all();
        if (static_cast<size_t>(n) < bytes.size()) {
            bytes.erase(0, static_cast<size_t>(n));
            return;
        }
        out_.pop_front();
        // A later piece of the same answer is timed from when this one really left, so that a
        // busy machine can stretch a gap but never shorten it.
        if (!out_.empty() && out_.front().gapMs >= 0) {
            const auto written = Clock::now();
            out_.front().due = written + milliseconds(out_.front().gapMs);
            out_.front().gapMs = -1;
            if (out_.front().due > lastDue_) lastDue_ = out_.front().due;
        }
    }
}

void Device::sendRaw(const std::string& bytes) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (vanished_) return;
        enqueue(bytes, Clock::now());
        wake();
    }
}

void Device::setFaults(const Faults& faults) {
    std::lock_guard<std::mutex> hold(lock_);
    faults_ = faults;
}

Faults Device::faults() const {
    std::lock_guard<std::mutex> hold(lock_);
    return faults_;
}

void Device::setUnit(const UnitValues& values) {
    std::lock_guard<std::mutex> hold(lock_);
    unit_ = values;
}

UnitValues Device::unit() const {
    std::lock_guard<std::mutex> hold(lock_);
    return unit_;
}

void Device::setModem(const ModemState& state) {
    std::lock_guard<std::mutex> hold(lock_);
    modem_ = state;
}

ModemState Device::modem() const {
    std::lock_guard<std::mutex> hold(lock_);
    return modem_;
}

void Device::changeModem(const std::function<void(ModemState&)>& change) {
    std::lock_guard<std::mutex> hold(lock_);
    change(modem_);
}

void Device::setSim(Sim sim) {
    changeModem([sim](ModemState& modem) { modem.sim = sim; });
}

void Device::setSignal(int rssi) {
    changeModem([rssi](ModemState& modem) { modem.rssi = rssi; });
}

void Device::setRegistration(Registration registration) {
    changeModem([registration](ModemState& modem) { modem.registration = registration; });
}

void Device::setAttach(bool attach) {
    changeModem([attach](ModemState& modem) { modem.attach = attach; });
}

void Device::setOperatorName(const std::string& name) {
    changeModem([&name](ModemState& modem) { modem.operatorName = name; });
}

bool Device::applyControl(const std::string& line, std::string* why) {
    const size_t space = line.find(' ');
    std::string name = line.substr(0, space);
    const std::string value = space == std::string::npos ? std::string() : line.substr(space + 1);
    std::lock_guard<std::mutex> hold(lock_);
    // The switches that are options without a value take 0 or 1 here, so that they go off too.
    bool* const switches[] = {&faults_.silent, &faults_.errorToAll, &modem_.echo};
    const char* const switchNames[] = {"silent", "error", "echo"};
    for (size_t k = 0; k < 3; ++k)
        if (name == switchNames[k]) {
            if (value != "0" && value != "1") break;
            *switches[k] = value == "1";
            return true;
        }
    std::string option = "--" + name;
    std::string argument = value;
    char* argv[] = {option.data(), argument.data()};
    const bool known = name != "silent" && name != "error" && name != "echo" && name != "no-echo";
    if (known && parseDeviceOption(2, argv, 0, faults_, unit_, modem_) == 2) return true;
    if (why != nullptr) *why = "not a control line: " + line;
    return false;
}

std::string Device::received() const {
    std::lock_guard<std::mutex> hold(lock_);
    return received_;
}

std::vector<Chunk> Device::receivedChunks() const {
    std::lock_guard<std::mutex> hold(lock_);
    return receivedChunks_;
}

std::string Device::sent() const {
    std::lock_guard<std::mutex> hold(lock_);
    return sent_;
}

std::vector<Chunk> Device::sentChunks() const {
    std::lock_guard<std::mutex> hold(lock_);
    return sentChunks_;
}

void Device::clearLogs() {
    std::lock_guard<std::mutex> hold(lock_);
    received_.clear();
    receivedChunks_.clear();
    sent_.clear();
    sentChunks_.clear();
}

bool Device::waitForBytes(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, milliseconds(timeoutMs),
                             [&] { return received_.size() >= count; });
}

bool Device::waitForText(const std::string& text, int timeoutMs) const {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, milliseconds(timeoutMs),
                             [&] { return received_.find(text) != std::string::npos; });
}

bool Device::waitForSent(size_t count, int timeoutMs) const {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, milliseconds(timeoutMs), [&] { return sent_.size() >= count; });
}

int Device::framesHandled() const {
    std::lock_guard<std::mutex> hold(lock_);
    return frames_;
}

int Device::linesHandled() const {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
}

}  // namespace devsim
