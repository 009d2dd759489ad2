#pragma once
// One trace record as one line of text, decoded with what the program knows of the line: the
// unit's frames by meaning, AT commands and answers as text with CR and LF shown as \r and \n,
// the classifier's verdict by name, and job steps by name.
#include <cstddef>

#include "app/trace.h"

namespace tarnwick {

enum class TraceDirection { event, sent, received };

TraceDirection traceDirection(const TraceRecord& record);

// Room for the longest line: a full burst with every byte escaped, and its verdict.
constexpr size_t traceLineCapacity = 4096;

// Writes the line, UTF-8 without a line end and terminated, into `line`, e.g.
// "     324 ms  RX  unit answer: own address = 045  [0A 21 AA 40 2D 54 4E 0D 0A]".
// The time is the record's (milliseconds since the port was opened). Returns its length.
size_t decodeTrace(const TraceRecord& record, char* line, size_t capacity);

}  // namespace tarnwick
