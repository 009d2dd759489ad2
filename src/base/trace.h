#pragma once
// The trace: what passed on the line and what the jobs did, kept in a fixed ring of records
// for the trace window, a trace file and the command-line program. Records are made on the
// window thread only (sends, classified bursts, job events, port commands), so the ring needs
// no lock; making one copies a few hundred bytes at most and never allocates.
//
// A password never enters the ring: the value of every "passwd" setting, sent or listed, is
// replaced by "***" as the record is made.
#include <cstddef>
#include <cstdint>

#include "base/app_state.h"

namespace tarnwick {

enum class TraceKind : uint8_t {
    portOpened,      // bytes: the port name
    portNotOpened,   // bytes: the port name; result: openPort's result, or one of below
    portClosed,
    portLost,        // bytes: the port name
    sent,            // bytes: what was handed to the writer
    burst,           // bytes: the burst as received; bits: the bit it set; job: the read job
                     // that was waiting for it, else statusJobIndex with step the step the
                     // status check was waiting for, else noJob
    jobStarted,
    jobRefused,      // another job's trigger was raised
    jobStepSent,     // step: the step, or escapeStep
    jobResult,       // bytes: the text shown (or, for a unit read, the value shown)
    jobDeadline,     // step: the step whose answer did not come
    portInUse,       // bytes: the port name, a NUL, who holds the device, and where a udev
                     // rule would keep the holder off the adapter, a NUL and the rule;
                     // result: openPort's result
    portRetrying,    // bytes: the port name; the lost device let go, opened again each second
    portReopened,    // bytes: the port name; the lost device opened again by itself
};

// Why "Open the Port" opened nothing, beside openPort's own negative results.
constexpr int portNameWrong = 1;
constexpr int portAlreadyOpen = 2;
constexpr int portThreadsFailed = 3;

constexpr uint8_t escapeStep = 0xFE;

// The longest burst, and room for the "***" that replaces each short password.
constexpr size_t traceBytesCapacity = 640;

struct TraceRecord {
    uint32_t sequence;  // 1, 2, ... in the order made; 0 for a slot never used
    uint32_t atMs;      // milliseconds since the port was last opened (before that: since the
                        // first record); for a burst, when its last byte came
    uint32_t firstMs;   // a burst's first byte, on the same clock
    TraceKind kind;
    uint8_t job;
    uint8_t step;
    uint8_t bits;       // a burst's response bit; for a set-up event, 1 without internet
    int32_t result;
    uint16_t length;
    uint8_t bytes[traceBytesCapacity];
};

// How many records the ring holds; older ones are overwritten.
constexpr size_t traceCapacity = 512;

void traceSent(const uint8_t* bytes, size_t count);
void traceBurst(uint32_t firstMs, uint32_t lastMs, const uint8_t* bytes, size_t count,
                uint8_t bit);
// `withoutInternet` names the set-up's variant, whose steps are numbered apart.
void traceJob(TraceKind kind, const Job& job, unsigned step = 0, bool withoutInternet = false);
void traceJobResult(const Job& job, const uint8_t* text, size_t count);
void tracePort(TraceKind kind, const char* name, int result = 0);
// "Open the Port" found the device held by another program: `holder` says who, `rule` (may
// be empty) keeps it off the adapter.
void tracePortInUse(const char* name, const char* holder, const char* rule, int result);

// The newest record's sequence number, 0 before the first.
uint32_t traceNewest();

// The record with this sequence number, or null when it was not made yet or has been
// overwritten.
const TraceRecord* traceRecord(uint32_t sequence);

// Empties the ring; for tests.
void resetTrace();

// Replaces the value of each "passwd" setting in `bytes` with ***; returns the new length,
// at most `capacity`.
size_t maskPasswords(uint8_t* bytes, size_t count, size_t capacity);

}  // namespace tarnwick
