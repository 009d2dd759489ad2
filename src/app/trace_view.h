#pragma once
// What the trace window is, in both front ends: its title, size, the pace at which it reads
// the trace, how many lines it keeps, its colours, the name Save... proposes and the message
// when a save fails. The front ends only draw it.
#include <cstdint>
#include <string>

#include "app/trace_decode.h"

namespace tarnwick::traceView {

constexpr char title[] = "Tarnwick trace";
// In pixels at 96 DPI, as the main window's layout.
constexpr int width = 860;
constexpr int height = 420;
// Often enough to look live, seldom enough to cost nothing while a set-up runs.
constexpr int pollMs = 100;
// A window left open for a day keeps the last lines only.
constexpr int keptLines = 20000;

constexpr char saveTitle[] = "Save the trace";
constexpr char defaultFileName[] = "tarnwick-trace.txt";

struct Colour {
    uint8_t red, green, blue;
};

// Sends blue, answers green, the program's own steps grey.
constexpr Colour colourOf(TraceDirection direction) {
    return direction == TraceDirection::sent       ? Colour{0x1f, 0x3f, 0xbf}
           : direction == TraceDirection::received ? Colour{0x1f, 0x7f, 0x2f}
                                                   : Colour{0x60, 0x60, 0x60};
}

// The one message of a save that failed, naming the file and why: "The trace could not be
// written to /mnt/full/t.txt: No space left on device." A trace lost without a word is the
// one the engineer needed.
std::string saveFailure(const std::string& path, const std::string& reason);

}  // namespace tarnwick::traceView
