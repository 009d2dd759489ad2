#include "provision/comparison.h"

namespace tarnwick::provision {

namespace {

// Nothing stored: the modem holds no setting, which reads as an empty one.
bool holdsAValue(const Result* result) {
    return result != nullptr && (result->outcome == Outcome::read || result->outcome == Outcome::nothingStored);
}

const Difference* differenceOf(const std::vector<Difference>& lines, const char* name) {
    for (const Difference& line : lines)
        if (line.name == name) return &line;
    return nullptr;
}

}  // namespace

std::vector<Difference> compareWithDevice(const Wanted& wanted, const Run& read, bool deviceNoInternet) {
    std::vector<Difference> lines;
    for (size_t v = 0; v < valueCount; ++v) {
        const Value value = static_cast<Value>(v);
        if (!wanted[value]) continue;
        Difference line{valueName(value), Comparison::notReadable, {}, *wanted[value]};
        if (value == Value::password) {
            line.comparison = Comparison::notVerifiable;
            line.profile = "set";
        } else if (const Result* result = resultOf(read, value); holdsAValue(result)) {
            line.device = result->readBack;
            line.comparison = line.device == line.profile ? Comparison::same : Comparison::differs;
        }
        lines.push_back(line);
    }
    if (wanted.noInternet) {
        // Known only when the query came to an end: read, or nothing stored.
        bool known = true;
        for (Value value : modemValues) known = known && holdsAValue(resultOf(read, value));
        lines.push_back(Difference{"no-internet",
                                   !known             ? Comparison::notReadable
                                   : deviceNoInternet ? Comparison::same
                                                      : Comparison::differs,
                                   known ? (deviceNoInternet ? "true" : "false") : "", "true"});
    }
    return lines;
}

const char* comparisonName(Comparison comparison) {
    switch (comparison) {
    case Comparison::same: return "same";
    case Comparison::differs: return "differs";
    case Comparison::notReadable: return "not readable";
    case Comparison::notVerifiable: return "not verifiable";
    }
    return "";
}

int comparisonExitCode(const Run& read, const std::vector<Difference>& differences) {
    if (read.exitCode != exitOk) return read.exitCode;
    for (const Difference& line : differences)
        if (line.comparison == Comparison::differs || line.comparison == Comparison::notReadable) return exitFailed;
    return exitOk;
}

bool needsWriting(const std::vector<Difference>& lines, const char* name) {
    const Difference* line = differenceOf(lines, name);
    return line != nullptr && line->comparison != Comparison::same;
}

}  // namespace tarnwick::provision
