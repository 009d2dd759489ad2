#include "modem/status_answers.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "modem/status_meaning.h"

namespace tarnwick {

namespace {

// How a step's information line carries its value.
enum class Info : uint8_t { none, oneNumber, twoNumbers, simCode, operatorName, digits, simFile };

struct Step {
    const char* command;  // counted: the length byte is a literal of its own
    const char* name;
    const char* prefix;   // of its information line, null for none or for bare digits
    Info info;
};

constexpr Step steps[statusStepCount] = {
    {"\x0A" "AT+CMEE?\r\n", "error mode", "+CMEE:", Info::oneNumber},
    {"\x0B" "AT+CMEE=1\r\n", "numeric errors", nullptr, Info::none},
    {"\x0A" "AT+CPIN?\r\n", "SIM", "+CPIN:", Info::simCode},
    {"\x08" "AT+CSQ\r\n", "signal", "+CSQ:", Info::twoNumbers},
    {"\x0A" "AT+CREG?\r\n", "registration", "+CREG:", Info::twoNumbers},
    {"\x0B" "AT+CGREG?\r\n", "packet registration", "+CGREG:", Info::twoNumbers},
    {"\x0A" "AT+COPS?\r\n", "operator", "+COPS:", Info::operatorName},
    {"\x0B" "AT+CGATT?\r\n", "attached", "+CGATT:", Info::oneNumber},
    {"\x09" "AT+CGSN\r\n", "IMEI", nullptr, Info::digits},
    {"\x09" "AT+CIMI\r\n", "IMSI", nullptr, Info::digits},
    {"\x1A" "AT+CRSM=176,12258,0,0,10\r\n", "ICCID", "+CRSM:", Info::simFile},
    {"\x0B" "AT+CMEE=0\r\n", "error mode back", nullptr, Info::none},
};

constexpr bool countedRight(const char* entry) {
    size_t n = 0;
    while (entry[1 + n] != 0) ++n;
    return n >= 2 && static_cast<unsigned char>(entry[0]) == n && entry[n - 1] == '\r' && entry[n] == '\n';
}

constexpr bool stepsCountedRight() {
    for (const Step& step : steps)
        if (!countedRight(step.command)) return false;
    return true;
}
static_assert(stepsCountedRight(), "a status command's length byte does not match its text");

constexpr char cmePrefix[] = "+CME ERROR:";

char upper(uint8_t c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c); }
bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// One received line, read from left to right.
struct Cursor {
    const uint8_t* bytes;
    size_t length;
    size_t at = 0;

    bool done() const { return at >= length; }
    void skipSpaces() {
        while (at < length && bytes[at] == ' ') ++at;
    }
    bool take(char c) {
        skipSpaces();
        if (at >= length || bytes[at] != c) return false;
        ++at;
        return true;
    }
    bool number(int& value) {
        skipSpaces();
        if (at >= length || !isDigit(bytes[at])) return false;
        // A longer number is kept at its first digits; the rest are passed over all the same.
        long n = 0;
        for (; at < length && isDigit(bytes[at]); ++at)
            if (n < 100000) n = n * 10 + (bytes[at] - '0');
        value = static_cast<int>(n);
        return true;
    }
    // A double-quoted text into `out`; false when there is no closing quote.
    bool quoted(char* out, size_t capacity) {
        if (!take('"')) return false;
        const void* quote = std::memchr(bytes + at, '"', length - at);
        if (quote == nullptr) return false;
        const size_t n = static_cast<const uint8_t*>(quote) - (bytes + at);
        const size_t kept = n < capacity - 1 ? n : capacity - 1;
        std::memcpy(out, bytes + at, kept);
        out[kept] = '\0';
        at += n + 1;
        return true;
    }
};

bool startsWith(const uint8_t* line, size_t length, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (length < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (upper(line[i]) != prefix[i]) return false;
    return true;
}

bool sameLine(const uint8_t* line, size_t length, const char* text) {
    return std::strlen(text) == length && startsWith(line, length, text);
}

// The command's text without its CR LF, as an echo shows it.
bool isEchoOf(unsigned step, const uint8_t* line, size_t length) {
    const char* command = steps[step].command;
    const size_t n = static_cast<unsigned char>(command[0]) - 2u;
    if (length != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (upper(line[i]) != command[1 + i]) return false;
    return true;
}

// Another step's information line: a late answer to that command.
bool isOtherInfo(unsigned step, const uint8_t* line, size_t length) {
    for (unsigned other = 0; other < statusStepCount; ++other)
        if (other != step && steps[other].prefix != nullptr && startsWith(line, length, steps[other].prefix)) return true;
    return false;
}

SimState simOfCode(const char* code) {
    if (std::strcmp(code, "READY") == 0) return SimState::ready;
    if (std::strcmp(code, "SIM PIN") == 0) return SimState::pin;
    if (std::strcmp(code, "SIM PUK") == 0) return SimState::puk;
    return SimState::otherPin;
}

void copyTrimmed(Cursor& c, char* out, size_t capacity) {
    c.skipSpaces();
    size_t n = c.length - c.at;
    while (n > 0 && c.bytes[c.at + n - 1] == ' ') --n;
    const size_t kept = n < capacity - 1 ? n : capacity - 1;
    std::memcpy(out, c.bytes + c.at, kept);
    out[kept] = '\0';
}

// The information line behind its prefix; false when it does not have the step's form (an
// unsolicited +CREG: <stat> has one number where the read answer has two).
bool readInfo(Info info, Cursor c, StatusAnswer& answer) {
    int first = -1, second = -1;
    char hex[48] = "";
    switch (info) {
    case Info::none: return false;
    case Info::oneNumber:
        if (!c.number(first)) return false;
        break;
    case Info::twoNumbers:
        if (!c.number(first) || !c.take(',') || !c.number(second)) return false;
        break;
    case Info::simCode:
        copyTrimmed(c, answer.text, sizeof answer.text);
        if (answer.text[0] == '\0') return false;
        answer.sim = simOfCode(answer.text);
        return true;
    case Info::operatorName:
        if (!c.number(first)) return false;
        answer.text[0] = '\0';
        if (c.take(',') && (!c.number(second) || !c.take(',') || !c.quoted(answer.text, sizeof answer.text)))
            return false;
        break;
    case Info::digits:
        if (c.length == 0 || c.length >= sizeof answer.text) return false;
        for (size_t i = 0; i < c.length; ++i)
            if (!isDigit(c.bytes[i])) return false;
        std::memcpy(answer.text, c.bytes, c.length);
        answer.text[c.length] = '\0';
        return true;
    case Info::simFile:
        if (!c.number(first) || !c.take(',') || !c.number(second)) return false;
        answer.text[0] = '\0';
        if (c.take(',') && c.quoted(hex, sizeof hex) && first == 144)
            iccidDigits(reinterpret_cast<const uint8_t*>(hex), std::strlen(hex), answer.text, sizeof answer.text);
        break;
    }
    answer.first = first;
    answer.second = second;
    return true;
}

void readCmeError(const uint8_t* line, size_t length, StatusAnswer& answer) {
    Cursor c{line, length, sizeof cmePrefix - 1};
    int code = -1;
    if (c.number(code) && c.done()) {
        answer.cme = code;
        return;
    }
    c.at = sizeof cmePrefix - 1;
    char text[64];
    copyTrimmed(c, text, sizeof text);
    answer.cme = cmeErrorOfText(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

// The value an information line carried, as the trace names it.
void describeInfo(unsigned step, const StatusAnswer& answer, char* value, size_t capacity) {
    const char* name = statusStepName(step);
    char signal[48];
    if (!isItemStep(step)) {
        std::snprintf(value, capacity, "error mode %d", answer.first);
        return;
    }
    switch (itemOfStep(step)) {
    case StatusItem::sim:
        if (answer.sim == SimState::ready) std::snprintf(value, capacity, "SIM ready");
        else std::snprintf(value, capacity, "%s wanted", answer.text);
        return;
    case StatusItem::signal:
        signalText(answer.first, signal, sizeof signal);
        std::snprintf(value, capacity, "signal %s", signal);
        return;
    case StatusItem::registration:
    case StatusItem::packetRegistration:
        if (registrationText(answer.second) != nullptr)
            std::snprintf(value, capacity, "%s %s", name, registrationText(answer.second));
        else std::snprintf(value, capacity, "%s code %d", name, answer.second);
        return;
    case StatusItem::operatorName:
        std::snprintf(value, capacity, "operator %s", answer.text[0] != '\0' ? answer.text : "none");
        return;
    case StatusItem::attached:
        if (answer.first == 0 || answer.first == 1) std::snprintf(value, capacity, "attached %s", answer.first == 1 ? "yes" : "no");
        else std::snprintf(value, capacity, "attached code %d", answer.first);
        return;
    case StatusItem::imei:
    case StatusItem::imsi: std::snprintf(value, capacity, "%s %s", name, answer.text); return;
    case StatusItem::iccid:
        if (answer.text[0] != '\0') std::snprintf(value, capacity, "ICCID %s", answer.text);
        else std::snprintf(value, capacity, "ICCID not read (SIM answered %d,%d)", answer.first, answer.second);
        return;
    }
}

}  // namespace

const uint8_t* statusCommand(unsigned step) {
    return reinterpret_cast<const uint8_t*>(steps[step < statusStepCount ? step : restoreErrorModeStep].command);
}

void composeRestoreCommand(int mode, uint8_t* counted) {
    const int n = std::snprintf(reinterpret_cast<char*>(counted) + 1, statusCommandCapacity - 1, "AT+CMEE=%d\r\n",
                                mode >= 0 && mode < 1000 ? mode : 0);
    counted[0] = static_cast<uint8_t>(n);
}

const char* statusStepName(unsigned step) { return step < statusStepCount ? steps[step].name : "step"; }

bool iccidDigits(const uint8_t* hex, size_t length, char* out, size_t capacity) {
    size_t used = 0;
    out[0] = '\0';
    if (length % 2 != 0) return false;
    for (size_t i = 0; i < length; i += 2) {
        for (const uint8_t c : {hex[i + 1], hex[i]}) {
            if (upper(c) == 'F') continue;
            if (!isDigit(c) || used + 1 >= capacity) {
                out[0] = '\0';
                return false;
            }
            out[used++] = static_cast<char>(c);
        }
    }
    out[used] = '\0';
    return used > 0;
}

bool readStatusAnswer(unsigned step, const uint8_t* bytes, size_t length, StatusAnswer& answer) {
    if (step >= statusStepCount || answer.final != FinalResult::none) return false;
    StatusAnswer next = answer;
    bool own = false, other = false;
    size_t at = 0;
    while (at < length && next.final == FinalResult::none) {
        size_t end = at;
        while (end < length && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        const uint8_t* line = bytes + at;
        const size_t n = end - at;
        const bool first = at == 0;
        at = end + 1;
        if (n == 0) continue;
        // An echo stands at the very start; any other text there is the tail of a line that
        // an earlier burst began, since answers begin with CR LF.
        if (first) {
            if (startsWith(line, n, "AT")) {
                if (!isEchoOf(step, line, n)) return false;
                next.echo = true;
            }
            continue;
        }
        if (end >= length) break;  // the line's end is still to come
        if (sameLine(line, n, "OK")) {
            next.final = FinalResult::ok;
        } else if (sameLine(line, n, "ERROR")) {
            next.final = FinalResult::error;
        } else if (startsWith(line, n, cmePrefix)) {
            next.final = FinalResult::cmeError;
            readCmeError(line, n, next);
        } else if (steps[step].info == Info::digits) {
            if (readInfo(Info::digits, Cursor{line, n}, next)) own = next.info = true;
            else other = other || isOtherInfo(step, line, n);
        } else if (steps[step].prefix != nullptr && startsWith(line, n, steps[step].prefix)) {
            if (readInfo(steps[step].info, Cursor{line, n, std::strlen(steps[step].prefix)}, next)) own = next.info = true;
        } else {
            other = other || isOtherInfo(step, line, n);
        }
    }
    if (other && !own && steps[step].info != Info::none) return false;
    answer = next;
    return true;
}

size_t describeStatusAnswer(unsigned step, const StatusAnswer& answer, char* out, size_t capacity) {
    if (capacity == 0) return 0;
    char value[96] = "";
    if (answer.info) describeInfo(step, answer, value, sizeof value);
    switch (answer.final) {
    case FinalResult::ok:
        if (answer.info) std::snprintf(out, capacity, "%s", value);
        else if (step == numericErrorsStep) std::snprintf(out, capacity, "numeric errors on");
        else if (step == restoreErrorModeStep) std::snprintf(out, capacity, "error mode put back");
        else std::snprintf(out, capacity, "OK");
        break;
    case FinalResult::error: std::snprintf(out, capacity, "ERROR"); break;
    case FinalResult::cmeError:
        if (answer.cme < 0) std::snprintf(out, capacity, "+CME ERROR (not a known error)");
        else if (cmeErrorText(answer.cme) != nullptr)
            std::snprintf(out, capacity, "+CME ERROR: %d (%s)", answer.cme, cmeErrorText(answer.cme));
        else std::snprintf(out, capacity, "+CME ERROR: %d", answer.cme);
        break;
    case FinalResult::none:
        if (answer.info) std::snprintf(out, capacity, "%s, OK still to come", value);
        else if (answer.echo) std::snprintf(out, capacity, "the echo, the answer still to come");
        else std::snprintf(out, capacity, "not recognised");
        break;
    }
    return std::strlen(out);
}

}  // namespace tarnwick
