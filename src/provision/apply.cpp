#include "provision/apply.h"

#include "provision/runs.h"
#include "provision/unit_runs.h"

namespace tarnwick::provision {

namespace {

// A unit value that the first read found right, read once more after the writes.
Result unchangedValue(Run& run, Value value, const std::string& wanted, const std::string& held, bool reread) {
    Result result{value, Outcome::match, wanted, held};
    result.unchanged = true;
    if (!reread) return result;
    result.outcome = Outcome::read;
    readBackUnitValue(run, result);
    if (result.outcome == Outcome::notRead && interruptRequested.load()) {
        // Interrupted before its read: it was right before the writes, and none was its own.
        result.outcome = Outcome::match;
        result.readBack = held;
    } else if (result.outcome == Outcome::read) {
        result.outcome = result.readBack == wanted ? Outcome::match : Outcome::mismatch;
        if (result.outcome == Outcome::mismatch)
            fail(run, exitFailed, std::string(valueName(value)) + ": MISMATCH, unchanged " + wanted + ", read back " +
                                      result.readBack);
    }
    return result;
}

// The modem values that differ, for the line that says why they could not be written.
std::string differingModemNames(const std::vector<Difference>& lines) {
    std::string names;
    for (const char* name : {"ip", "apn", "user", "no-internet"})
        if (needsWriting(lines, name)) names += (names.empty() ? "" : ", ") + std::string(name);
    return names;
}

// Nothing goes out to a device that did not answer the first look, nor after a Ctrl+C.
bool refuseToWrite(Applied& applied, const Wanted& wanted) {
    bool silent = false;
    for (const Result& result : applied.before.results) silent = silent || result.outcome == Outcome::noAnswer;
    if (!interruptRequested.load() && !silent) return false;
    Run& run = applied.run;
    takeOver(run, applied.before);
    if (silent) fail(run, exitNoAnswer, "nothing written: the device did not answer the read before writing");
    for (size_t v = 0; v < valueCount; ++v)
        if (wanted.values[v]) add(run, static_cast<Value>(v), Outcome::notWritten, *wanted.values[v]);
    return true;
}

// What differs, as one write: the unit values, and the whole set-up when the modem needs one.
Wanted whatDiffers(const Wanted& wanted, const std::vector<Difference>& differences, Run& run) {
    Wanted toWrite;
    for (Value value : unitValues)
        if (wanted[value] && needsWriting(differences, valueName(value))) toWrite[value] = wanted[value];
    const std::string modemDiffers = differingModemNames(differences);
    // A password cannot be compared, so a profile that gives one always sets the modem up.
    bool setUp = wanted.noInternet || wanted[Value::password] || !modemDiffers.empty();
    if (setUp && !wanted.noInternet && !wanted[Value::password]) {
        setUp = false;
        fail(run, exitFailed, "modem: " + modemDiffers + " differ" + (modemDiffers.find(',') == std::string::npos ? "s" : "") +
                                  ", and the set-up, which sends ip, apn, user and the password together, needs the "
                                  "password (--password-file, the profile's password-file or TARNWICK_PASSWORD); "
                                  "the modem was not written");
    }
    if (setUp) {
        toWrite.noInternet = wanted.noInternet;
        for (Value value : setUpValues) toWrite[value] = wanted[value];
    }
    return toWrite;
}

}  // namespace

Applied applyDifferences(const Wanted& wanted) {
    Applied applied;
    applied.before = readWanted(wanted, &applied.beforeNoInternet);
    applied.differences = compareWithDevice(wanted, applied.before, applied.beforeNoInternet);
    if (refuseToWrite(applied, wanted)) return applied;
    Run& run = applied.run;
    const Run written = writeAndVerify(whatDiffers(wanted, applied.differences, run));
    takeOver(run, written);
    const bool reread = !written.results.empty() && !interruptRequested.load();

    // In the window's order; a set-up without internet reports the values it reset, which the
    // profile does not name.
    for (size_t v = 0; v < valueCount; ++v) {
        const Value value = static_cast<Value>(v);
        const Result* done = resultOf(written, value);
        if (done == nullptr && !wanted[value]) continue;
        if (done != nullptr) {
            run.results.push_back(*done);
        } else if (isModemValue(value) && needsWriting(applied.differences, valueName(value))) {
            add(run, value, Outcome::notWritten, *wanted[value]);
        } else {
            const Result* held = resultOf(applied.before, value);
            run.results.push_back(unchangedValue(run, value, *wanted[value], held ? held->readBack : "",
                                                 reread && !isModemValue(value)));
        }
    }
    if (interruptRequested.load()) markInterrupted(run);
    return applied;
}

}  // namespace tarnwick::provision
