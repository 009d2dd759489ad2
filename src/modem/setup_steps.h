#pragma once
// The modem set-up's steps, once for everything that needs them: the set-up job sends them, the
// trace names them, and provisioning learns from them which step carries a value and which one
// stores it. Step k of a variant is entry k of its table; the escape before step 0 is no step.
#include <cstddef>
#include <cstdint>

#include "modem/at_commands.h"
#include "serial/buffers.h"

namespace tarnwick {

// The panel value a command carries between its quotes, taken from its field when the step
// composes the command.
enum class SetupValue : uint8_t { none, address, apn, user, password };
constexpr size_t setupValueCount = 5;

// A bit for each value a step without internet resets with its profile.
constexpr uint8_t resetsBit(SetupValue value) { return static_cast<uint8_t>(1u << static_cast<unsigned>(value)); }
constexpr uint8_t resetsConnection0 = resetsBit(SetupValue::apn) | resetsBit(SetupValue::user) |
                                      resetsBit(SetupValue::password);
constexpr uint8_t resetsService9 = resetsBit(SetupValue::address);

constexpr int8_t noSave = -1;

struct SetupStep {
    AtCommandId command;
    uint8_t clears;      // response bits cleared before the send
    uint8_t accepts;     // any one of them completes the step
    SetupValue carries;  // the value composed into the command, with internet
    uint8_t resets;      // without internet: the values whose stored profile it resets
    int8_t save;         // the step that stores what this one set or reset, or noSave
    bool matters;        // an ERROR to it turns the run's "Ok!" into "Error!"
    const char* name;    // as the trace names it: "set-up step 6 (APN)"
};

namespace setupStepBits {
constexpr uint8_t answer = blankOkBit | errorBit;
constexpr uint8_t echo = okBit | errorBit;
}  // namespace setupStepBits

// An ERROR answer completes a step like OK does: a modem that refuses a setting still gets the
// rest of them, in the same order. The run only ends "Ok!" if none that matters was refused.
inline constexpr SetupStep internetSetupSteps[] = {
    {atEchoOff, okBit, okBit, SetupValue::none, 0, noSave, false, "echo off"},
    {atService0Type, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 9, true, "service 0 type"},
    {atService0Address, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 9, true, "service 0 address"},
    {atService9Type, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 10, true, "service 9 type"},
    {atService9Address, setupStepBits::answer, setupStepBits::answer, SetupValue::address, 0, 10, true,
     "service 9 address"},
    {atConnectionType, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 11, true, "connection type"},
    {atConnectionApn, setupStepBits::answer, setupStepBits::answer, SetupValue::apn, 0, 11, true, "APN"},
    {atConnectionUser, setupStepBits::answer, setupStepBits::answer, SetupValue::user, 0, 11, true, "user"},
    {atConnectionPassword, setupStepBits::answer, setupStepBits::answer, SetupValue::password, 0, 11, true,
     "password"},
    {atServiceSave0, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, true, "save service 0"},
    {atServiceSave9, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, true, "save service 9"},
    {atConnectionSave0, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, true,
     "save connection 0"},
};

// A modem may refuse to reset or store a profile it never used; that leaves it as wanted.
inline constexpr SetupStep noInternetSetupSteps[] = {
    {atAllReset0, setupStepBits::answer, setupStepBits::answer, SetupValue::none, resetsConnection0, 6, false,
     "reset all profiles 0"},
    {atAllReset1, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 7, false, "reset all profiles 1"},
    {atAllReset2, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 8, false, "reset all profiles 2"},
    {atAllReset3, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 9, false, "reset all profiles 3"},
    {atAllReset4, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 10, false, "reset all profiles 4"},
    {atAllReset5, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 11, false, "reset all profiles 5"},
    {atAllSave0, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false, "save all profiles 0"},
    {atAllSave1, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false, "save all profiles 1"},
    {atAllSave2, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false, "save all profiles 2"},
    {atAllSave3, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false, "save all profiles 3"},
    {atAllSave4, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false, "save all profiles 4"},
    {atAllSave5, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false, "save all profiles 5"},
    {atServiceReset6, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 13, false,
     "reset service profile 6"},
    {atServiceSave6, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false,
     "save service profile 6"},
    {atServiceReset7, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 15, false,
     "reset service profile 7"},
    {atServiceSave7, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false,
     "save service profile 7"},
    {atServiceReset8, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, 17, false,
     "reset service profile 8"},
    {atServiceSave8, setupStepBits::answer, setupStepBits::answer, SetupValue::none, 0, noSave, false,
     "save service profile 8"},
    {atServiceReset9, setupStepBits::answer, setupStepBits::answer, SetupValue::none, resetsService9, 19, false,
     "reset service profile 9"},
    // Storing the reset profile 9 is the one step an ERROR does not complete.
    {atServiceSave9, setupStepBits::answer, blankOkBit, SetupValue::none, 0, noSave, false, "save service profile 9"},
    {atEchoOff, setupStepBits::echo, setupStepBits::echo, SetupValue::none, 0, noSave, true, "echo off"},
    {atTextMode, setupStepBits::echo, setupStepBits::echo, SetupValue::none, 0, noSave, true, "SMS text mode"},
    {atIgnoreDtr, setupStepBits::echo, setupStepBits::echo, SetupValue::none, 0, noSave, true, "ignore DTR"},
    {atStoreSettings, setupStepBits::echo, setupStepBits::echo, SetupValue::none, 0, noSave, true, "store settings"},
};

constexpr size_t internetSetupStepCount = sizeof internetSetupSteps / sizeof *internetSetupSteps;
constexpr size_t noInternetSetupStepCount = sizeof noInternetSetupSteps / sizeof *noInternetSetupSteps;

namespace setupStepChecks {

// Every save named lies after its step, inside the table, and is a step that stores.
constexpr bool savesStore(const SetupStep* steps, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        const int8_t save = steps[k].save;
        if (save == noSave) continue;
        if (save <= static_cast<int>(k) || save >= static_cast<int>(count) || steps[save].save != noSave) return false;
    }
    return true;
}

// Each value has exactly one step that carries it (with internet) or resets it (without).
constexpr bool eachValueOnce(const SetupStep* steps, size_t count, bool withoutInternet) {
    for (unsigned v = 1; v < setupValueCount; ++v) {
        int found = 0;
        for (size_t k = 0; k < count; ++k) {
            const bool holds = withoutInternet ? (steps[k].resets & resetsBit(SetupValue(v))) != 0
                                               : steps[k].carries == SetupValue(v);
            if (holds) ++found;
        }
        if (found != 1) return false;
    }
    return true;
}

}  // namespace setupStepChecks

static_assert(internetSetupStepCount == 12 && noInternetSetupStepCount == 24, "the steps a report can number");
static_assert(setupStepChecks::savesStore(internetSetupSteps, internetSetupStepCount), "a save out of place");
static_assert(setupStepChecks::savesStore(noInternetSetupSteps, noInternetSetupStepCount), "a save out of place");
static_assert(setupStepChecks::eachValueOnce(internetSetupSteps, internetSetupStepCount, false),
              "a panel value sent twice or never");
static_assert(setupStepChecks::eachValueOnce(noInternetSetupSteps, noInternetSetupStepCount, true),
              "a panel value reset twice or never");

inline const SetupStep* setupSteps(bool withoutInternet, size_t* count) {
    *count = withoutInternet ? noInternetSetupStepCount : internetSetupStepCount;
    return withoutInternet ? noInternetSetupSteps : internetSetupSteps;
}

// Where `value` goes in a variant: the step that sends it (with internet) or resets its profile
// (without), and the step that stores that. False for SetupValue::none.
bool setupStepOf(SetupValue value, bool withoutInternet, unsigned* step, unsigned* save);

}  // namespace tarnwick
