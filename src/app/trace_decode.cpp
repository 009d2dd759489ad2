#include "app/trace_decode.h"

#include <cstdio>
#include <cstring>

#include "base/fixed_text.h"
#include "modem/file_store.h"
#include "modem/job_steps.h"
#include "modem/status_answers.h"
#include "serial/buffers.h"
#include "serial/classifier.h"
#include "serial/port_holder.h"
#include "unit/unit_frame.h"

namespace tarnwick {

namespace {

bool isModemJob(uint8_t job) {
    return job == modemSetupIndex || job == modemQueryIndex || job == identityJobIndex || job == statusJobIndex;
}

// What a unit read selector or write digit stands for.
const char* parameterName(uint8_t selector) {
    switch (selector) {
    case periodSelector: return "period";
    case addressSelector: return "own address";
    case phone1Slot: return "phone 1";
    case phone2Slot: return "phone 2";
    case smsPhoneSlot: return "SMS phone";
    default: return nullptr;
    }
}

void putStep(FixedText& line, const TraceRecord& record) {
    char label[jobStepLabelCapacity];
    jobStepLabel(record.job, record.step, record.bits != 0, label, sizeof label);
    line.put("%s", label);
}

bool isUnitFrame(const uint8_t* bytes, size_t count) {
    return count >= 3 && std::memcmp(bytes, unitStartMark, sizeof unitStartMark) == 0;
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

void decodeSentFrame(FixedText& line, const uint8_t* bytes, size_t count) {
    const char* name = count >= 5 ? parameterName(bytes[4]) : nullptr;
    if (count >= 5 && bytes[3] == 'N' && name != nullptr) {
        line.put("unit: read %s", name);
        return;
    }
    const bool head = count >= 8 && std::memcmp(bytes + 4, "ATDP", 4) == 0;
    if (head && count == 12 && bytes[3] == '0' && (bytes[8] == periodDigit || bytes[8] == addressDigit) &&
        isDigit(bytes[9]) && isDigit(bytes[10]) && isDigit(bytes[11])) {
        line.put("unit: write %s = %.3s", bytes[8] == periodDigit ? "period" : "own address",
                 reinterpret_cast<const char*>(bytes + 9));
        return;
    }
    if (head && count >= 10 && bytes[count - 2] == '\r' && bytes[count - 1] == '\n' &&
        parameterName(bytes[3]) != nullptr) {
        line.put("unit: write %s = ", parameterName(bytes[3]));
        line.escaped(bytes + 8, count - 10);
        return;
    }
    line.put("unit: frame ");
    line.hex(bytes, count);
}

// A unit answer is named after the read that was waiting for it.
void decodeUnitAnswer(FixedText& line, const TraceRecord& record) {
    const bool waiting = record.job >= periodReadIndex && record.job < jobCount;
    const uint8_t selector = waiting ? rowSelectors[rowOfJob(record.job)] : 0;
    if (!waiting) {
        line.put("unit answer (no read waiting) ");
    } else if (selector == periodSelector || selector == addressSelector) {
        line.put("unit answer: %s = ", parameterName(selector));
        if (record.length > numberAnswerByte) {
            uint8_t digits[3];
            numberAnswerDigits(record.bytes, digits);
            line.put("%.3s  ", reinterpret_cast<const char*>(digits));
        } else {
            line.put("(too short)  ");
        }
    } else {
        line.put("unit answer: %s = ", parameterName(selector));
        line.escaped(record.bytes + phoneAnswerStart, phoneAnswerLength(record.bytes, record.length));
        line.put("  ");
    }
    line.hex(record.bytes, record.length);
}

void putRun(FixedText& line, const char* label, const TraceRecord& record, const ByteRun& run) {
    if (!run.found) return;
    line.put(" %s ", label);
    line.escaped(record.bytes + run.start, run.length);
}

// A burst that came while the status check waited is read as the answer to its step.
void decodeStatusAnswer(FixedText& line, const TraceRecord& record) {
    StatusAnswer answer;
    char text[160];
    if (!readStatusAnswer(record.step, record.bytes, record.length, answer)) {
        line.put("status: not the answer to step %u (%s)", record.step, statusStepName(record.step));
        return;
    }
    const size_t length = describeStatusAnswer(record.step, answer, text, sizeof text);
    line.put("status: ");
    line.escaped(reinterpret_cast<const uint8_t*>(text), length);
    if (answer.echo) line.put(" (behind the echo)");
}

void decodeModemAnswer(FixedText& line, const TraceRecord& record) {
    line.escaped(record.bytes, record.length);
    const BurstMeaning meaning = interpretBurst(record.bytes, record.length);
    line.put("  = ");
    if (record.job == statusJobIndex) {
        decodeStatusAnswer(line, record);
        return;
    }
    switch (meaning.bit) {
    case okBit: line.put("OK"); break;
    case blankOkBit: line.put("blank-line OK"); break;
    case errorBit: line.put("ERROR"); break;
    case sicsBit:
        line.put("^SICS listing:");
        putRun(line, "user", record, meaning.user);
        if (meaning.user.found && meaning.apn.found) line.put(",");
        putRun(line, "APN", record, meaning.apn);
        if (!meaning.user.found && !meaning.apn.found) line.put(" no user, no APN");
        break;
    case sissBit:
        line.put("^SISS listing:");
        if (meaning.address.found) putRun(line, "IP", record, meaning.address);
        else line.put(" no client address");
        break;
    case identityBit:
        line.put("serial number ");
        line.escaped(record.bytes + meaning.identity.start, meaning.identity.length);
        break;
    default: line.put("not recognised"); break;
    }
    if (meaning.answerStart > 0) line.put(" (behind the echo)");
}

// The port name, who holds the device and the rule that keeps it off, NUL between them.
void putPortInUse(FixedText& line, const TraceRecord& record) {
    const char* texts[3] = {"", "", ""};
    int lengths[3] = {0, 0, 0};
    size_t start = 0;
    for (int i = 0; i < 3 && start <= record.length; ++i) {
        const void* nul = std::memchr(record.bytes + start, '\0', record.length - start);
        const size_t end = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - record.bytes)
                                          : record.length;
        texts[i] = reinterpret_cast<const char*>(record.bytes + start);
        lengths[i] = static_cast<int>(end - start);
        start = end + 1;
    }
    line.put("port %.*s did not open: in use by %.*s", lengths[0], texts[0], lengths[1], texts[1]);
    if (lengths[2] > 0) line.put("; %s %.*s", portHolderRuleAdvice, lengths[2], texts[2]);
}

void decodeEvent(FixedText& line, const TraceRecord& record) {
    const char* text = reinterpret_cast<const char*>(record.bytes);
    const int length = static_cast<int>(record.length);
    switch (record.kind) {
    case TraceKind::portOpened: line.put("port %.*s opened", length, text); break;
    case TraceKind::portNotOpened:
        if (record.result == portNameWrong) line.put("port \"%.*s\": Name is wrong.", length, text);
        else if (record.result == portAlreadyOpen) line.put("port %.*s not opened: a port is open already", length, text);
        else if (record.result == portThreadsFailed) line.put("port %.*s not opened: its threads did not start", length, text);
        else line.put("port %.*s did not open (result %d)", length, text, static_cast<int>(record.result));
        break;
    case TraceKind::portClosed: line.put("port closed"); break;
    case TraceKind::portLost: line.put("port %.*s lost: the device has gone", length, text); break;
    case TraceKind::portInUse: putPortInUse(line, record); break;
    case TraceKind::portRetrying:
        line.put("port %.*s let go; opened again once a second until it opens or is closed", length, text);
        break;
    case TraceKind::portReopened: line.put("port %.*s opened again: the device is back", length, text); break;
    case TraceKind::jobStarted:
        line.put("%s: started", jobName(record.job));
        if (record.job == modemSetupIndex) line.put(record.bits ? " (without internet)" : " (internet)");
        break;
    case TraceKind::jobRefused:
        line.put("%s: refused, another job's trigger is raised", jobName(record.job));
        break;
    case TraceKind::jobStepSent:
        putStep(line, record);
        line.put(" sent");
        break;
    case TraceKind::jobResult:
        line.put("%s: ", jobName(record.job));
        line.escaped(record.bytes, record.length);
        break;
    case TraceKind::jobDeadline:
        if (isModemJob(record.job)) {
            putStep(line, record);
            line.put(": deadline passed, no answer");
        } else {
            line.put("%s: deadline passed, no answer", jobName(record.job));
        }
        break;
    case TraceKind::sent:
    case TraceKind::burst: break;
    }
}

}  // namespace

TraceDirection traceDirection(const TraceRecord& record) {
    if (record.kind == TraceKind::sent) return TraceDirection::sent;
    if (record.kind == TraceKind::burst) return TraceDirection::received;
    return TraceDirection::event;
}

size_t decodeTrace(const TraceRecord& record, char* text, size_t capacity) {
    if (capacity == 0) return 0;
    FixedText line(text, capacity);
    const TraceDirection direction = traceDirection(record);
    line.put("%8u ms  %s  ", static_cast<unsigned>(record.atMs),
             direction == TraceDirection::sent ? "TX" : direction == TraceDirection::received ? "RX" : "--");
    if (record.kind == TraceKind::sent) {
        if (isUnitFrame(record.bytes, record.length)) decodeSentFrame(line, record.bytes, record.length);
        else line.escaped(record.bytes, record.length);
    } else if (record.kind == TraceKind::burst) {
        if (isUnitFrame(record.bytes, record.length)) decodeUnitAnswer(line, record);
        else decodeModemAnswer(line, record);
        if (record.firstMs != record.atMs) line.put("  (first byte at %u ms)", static_cast<unsigned>(record.firstMs));
    } else {
        decodeEvent(line, record);
    }
    return line.length();
}

bool nextTraceLine(TraceCursor& cursor, char* line, size_t capacity, TraceDirection* direction) {
    const uint32_t newest = traceNewest();
    if (cursor.next > newest || capacity == 0) return false;
    const TraceRecord* record = traceRecord(cursor.next);
    if (record == nullptr) {
        const uint32_t oldest = newest - static_cast<uint32_t>(traceCapacity) + 1;
        std::snprintf(line, capacity, "... %u trace lines lost: they came faster than they were read",
                      static_cast<unsigned>(oldest - cursor.next));
        cursor.next = oldest;
        *direction = TraceDirection::event;
        return true;
    }
    decodeTrace(*record, line, capacity);
    *direction = traceDirection(*record);
    ++cursor.next;
    return true;
}

TraceCursor traceCursorAtOldest() {
    const uint32_t newest = traceNewest();
    const uint32_t kept = static_cast<uint32_t>(traceCapacity);
    return TraceCursor{newest < kept ? 1 : newest - kept + 1};
}

namespace {

std::FILE* traceFile = nullptr;
TraceCursor fileCursor;
char fileLine[traceLineCapacity];

}  // namespace

bool openTraceFile(const char* path) {
    closeTraceFile();
    traceFile = openFile(path, "ab");
    fileCursor = traceCursorAtOldest();
    return traceFile != nullptr;
}

void writeTraceFile() {
    if (traceFile == nullptr) return;
    TraceDirection direction;
    bool wrote = false;
    while (nextTraceLine(fileCursor, fileLine, sizeof fileLine, &direction)) {
        std::fputs(fileLine, traceFile);
        std::fputc('\n', traceFile);
        wrote = true;
    }
    // Flushed at once: a trace is read most when the program has just died.
    if (wrote) std::fflush(traceFile);
}

void closeTraceFile() {
    if (traceFile == nullptr) return;
    writeTraceFile();
    std::fclose(traceFile);
    traceFile = nullptr;
}

}  // namespace tarnwick
