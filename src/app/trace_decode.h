#pragma once
// One trace record as one line of text, decoded with what the program knows of the line: the
// unit's frames by meaning, AT commands and answers as text with CR and LF shown as \r and \n,
// the classifier's verdict by name, and job steps by name.
#include <cstddef>
#include <cstdint>

#include "base/trace.h"

namespace tarnwick {

enum class TraceDirection { event, sent, received };

TraceDirection traceDirection(const TraceRecord& record);

// Room for the longest line: a full burst with every byte escaped, and its verdict.
constexpr size_t traceLineCapacity = 4096;

// Writes the line, UTF-8 without a line end and terminated, into `line`, e.g.
// "     324 ms  RX  unit answer: own address = 045  [0A 21 AA 40 2D 54 4E 0D 0A]".
// The time is the record's (milliseconds since the port was opened). Returns its length.
size_t decodeTrace(const TraceRecord& record, char* line, size_t capacity);

// Where a reader of the trace (a window, a file) has got to.
struct TraceCursor {
    uint32_t next = 1;  // the sequence number of the next record to read
};

// The next line for this reader, false when it has read every record made. A reader that
// fell so far behind that the ring overwrote records it had not read gets one line saying how
// many were lost, then goes on with the oldest record left.
bool nextTraceLine(TraceCursor& cursor, char* line, size_t capacity, TraceDirection* direction);

// A cursor at the oldest record the ring still holds: a trace window opened after a failure
// still shows what led to it.
TraceCursor traceCursorAtOldest();

// The trace file of the --trace option (`path` in UTF-8): every record, decoded, appended as
// it is made. False when the file cannot be opened for appending.
bool openTraceFile(const char* path);
// Appends what was recorded since the last call; the tick calls it, so lines reach the file
// within a tick. Does nothing while no file is open.
void writeTraceFile();
// Writes what is left and closes the file; at exit.
void closeTraceFile();

}  // namespace tarnwick
