#include "base/trace.h"

#include <cstring>

#include "base/clock.h"

namespace tarnwick {

namespace {

TraceRecord ring[traceCapacity];
uint32_t newest = 0;

// The clock of the records: "Open the Port" sets it back to 0.
bool originSet = false;
uint32_t originMs = 0;

constexpr char passwordKey[] = "\"passwd\",\"";
constexpr char mask[] = "***";

uint32_t sinceOrigin(uint32_t ms) {
    if (!originSet) {
        originSet = true;
        originMs = ms;
    }
    return ms - originMs;
}

TraceRecord& next(TraceKind kind) {
    TraceRecord& record = ring[newest % traceCapacity];
    record.sequence = ++newest;
    record.atMs = sinceOrigin(monotonicMs());
    record.firstMs = record.atMs;
    record.kind = kind;
    record.job = noJob;
    record.step = 0;
    record.bits = 0;
    record.result = 0;
    record.length = 0;
    return record;
}

void keepBytes(TraceRecord& record, const uint8_t* bytes, size_t count) {
    const size_t kept = count < traceBytesCapacity ? count : traceBytesCapacity;
    if (kept > 0) std::memcpy(record.bytes, bytes, kept);
    record.length = static_cast<uint16_t>(maskPasswords(record.bytes, kept, traceBytesCapacity));
}

// The unit read waiting for its answer, if any: a burst is named after what it answers.
uint8_t waitingRead() {
    for (int index = periodReadIndex; index < jobCount; index += 2)
        if (allJobs[index]->state == 2) return static_cast<uint8_t>(index);
    return noJob;
}

}  // namespace

size_t maskPasswords(uint8_t* bytes, size_t count, size_t capacity) {
    const size_t keyLength = sizeof passwordKey - 1;
    uint8_t out[traceBytesCapacity];
    if (capacity > sizeof out) capacity = sizeof out;
    size_t used = 0;
    size_t i = 0;
    while (i < count && used < capacity) {
        if (i + keyLength <= count && std::memcmp(bytes + i, passwordKey, keyLength) == 0) {
            size_t end = i + keyLength;
            while (end < count && bytes[end] != '"' && bytes[end] != '\r' && bytes[end] != '\n')
                ++end;
            for (const char* c = passwordKey; *c != '\0' && used < capacity; ++c) out[used++] = *c;
            for (const char* c = mask; *c != '\0' && used < capacity; ++c) out[used++] = *c;
            i = end;
            continue;
        }
        out[used++] = bytes[i++];
    }
    std::memcpy(bytes, out, used);
    return used;
}

void traceSent(const uint8_t* bytes, size_t count) {
    keepBytes(next(TraceKind::sent), bytes, count);
}

void traceBurst(uint32_t firstMs, uint32_t lastMs, const uint8_t* bytes, size_t count,
                uint8_t bit) {
    TraceRecord& record = next(TraceKind::burst);
    record.atMs = sinceOrigin(lastMs);
    record.firstMs = sinceOrigin(firstMs);
    record.bits = bit;
    record.job = waitingRead();
    // A unit answer goes to the read waiting for it even while a status check waits.
    if (record.job == noJob && modemStatusJob.state >= statusWaitingBase) {
        record.job = statusJobIndex;
        record.step = static_cast<uint8_t>(modemStatusJob.state - statusWaitingBase);
    }
    keepBytes(record, bytes, count);
}

void traceJob(TraceKind kind, const Job& job, unsigned step, bool withoutInternet) {
    TraceRecord& record = next(kind);
    record.job = jobIndexOf(job);
    record.step = static_cast<uint8_t>(step);
    record.bits = withoutInternet ? 1 : 0;
}

void traceJobResult(const Job& job, const uint8_t* text, size_t count) {
    TraceRecord& record = next(TraceKind::jobResult);
    record.job = jobIndexOf(job);
    keepBytes(record, text, count);
}

void tracePort(TraceKind kind, const char* name, int result) {
    if (kind == TraceKind::portOpened || kind == TraceKind::portReopened) {
        originSet = true;
        originMs = monotonicMs();
    }
    TraceRecord& record = next(kind);
    record.result = result;
    keepBytes(record, reinterpret_cast<const uint8_t*>(name), std::strlen(name));
}

void tracePortInUse(const char* name, const char* holder, const char* rule, int result) {
    TraceRecord& record = next(TraceKind::portInUse);
    record.result = result;
    size_t used = 0;
    const auto put = [&record, &used](const char* text, size_t length) {
        const size_t kept = length < traceBytesCapacity - used ? length : traceBytesCapacity - used;
        std::memcpy(record.bytes + used, text, kept);
        used += kept;
    };
    put(name, std::strlen(name));
    put("", 1);  // the NUL between the texts
    put(holder, std::strlen(holder));
    if (*rule != '\0') {
        put("", 1);
        put(rule, std::strlen(rule));
    }
    // A holder's command line may carry a password typed for the modem, as any text may.
    record.length = static_cast<uint16_t>(maskPasswords(record.bytes, used, traceBytesCapacity));
}

uint32_t traceNewest() { return newest; }

const TraceRecord* traceRecord(uint32_t sequence) {
    if (sequence == 0 || sequence > newest || newest - sequence >= traceCapacity) return nullptr;
    return &ring[(sequence - 1) % traceCapacity];
}

void resetTrace() {
    std::memset(ring, 0, sizeof ring);
    newest = 0;
    originSet = false;
}

}  // namespace tarnwick
