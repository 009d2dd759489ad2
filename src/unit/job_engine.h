#pragma once
// What every job shares: the exclusion test before it starts, the hand-off of one counted
// command to the writer, and one line of text put into a status or value field.
#include <cstddef>
#include <cstdint>

#include "base/app_state.h"
#include "base/text_field.h"

namespace tarnwick {

// Deadlines, in ticks after the send step.
constexpr uint32_t readDeadlineTicks = 60;
constexpr uint32_t writeDeadlineTicks = 20;
constexpr uint32_t escapePauseTicks = 20;

// True when any job other than `self` has its trigger raised. A unit job looks at all of
// them before it starts, the two modem jobs included.
bool otherTriggerRaised(JobIndex self);

// Copies a counted command (length byte n, then n bytes) into the TxBuffer, hands it to the
// writer and sets the job's deadline `ticks` after this tick. The bytes after the n are never
// looked at.
void sendCommand(Job& job, const uint8_t* counted, uint32_t ticks);

// Shows the job's result, drops its trigger and puts it back at rest.
void endJob(Job& job, TextField& status, const char* text);

// Selects the raw view, puts the bytes in and shows them.
void showText(TextField& field, const uint8_t* bytes, size_t count);
void showText(TextField& field, const char* text);

// The field's current text as the user left it in the control: raw view, pulled, copied out
// into `text` (room for TextField::rawCapacity bytes). Returns the count, at most 254.
size_t readFieldText(TextField& field, uint8_t* text);

}  // namespace tarnwick
