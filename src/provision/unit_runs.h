#pragma once
// The unit's values, one job at a time: a write, a read and the read-back that proves a write.
#include <string>

#include "provision/run.h"

namespace tarnwick::provision {

// Writes one unit value through its row's box and "Write" button. False when interrupted.
bool writeUnitValue(Run& run, Value value, const std::string& text);

// Reads the value of `result` through its row's "Read" button into result.readBack; a written
// value is then compared with what was written.
void readBackUnitValue(Run& run, Result& result);

// Whether a unit answer of `answerLength` bytes reaches the value's place in it.
bool answerHoldsValue(Value value, int answerLength);

// One own-address read, for the station: whether a unit answered it.
enum class Presence { answers, silent, interrupted };
Presence pollUnit();

}  // namespace tarnwick::provision
