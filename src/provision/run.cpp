#include "provision/run.h"

#include "app/commands.h"
#include "base/app_state.h"
#include "provision/run_jobs.h"

namespace tarnwick::provision {

std::atomic<bool> interruptRequested{false};

namespace {

int weightOf(int exitCode) {
    switch (exitCode) {
    case exitOk: return 0;
    case exitInterrupted: return 4;
    case exitNoAnswer: return 3;
    case exitPortNotOpened: return 2;
    default: return 1;
    }
}

}  // namespace

int graverExit(int a, int b) { return weightOf(b) > weightOf(a) ? b : a; }

const char* outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::read: return "read";
    case Outcome::match: return "match";
    case Outcome::mismatch: return "MISMATCH";
    case Outcome::notVerifiable: return "not verifiable";
    case Outcome::notWritten: return "not written";
    case Outcome::notStored: return "not stored";
    case Outcome::notReadBack: return "not read back";
    case Outcome::notRead: return "not read";
    case Outcome::noAnswer: return "no answer";
    case Outcome::refused: return "refused";
    case Outcome::nothingStored: return "nothing stored";
    }
    return "";
}

void fail(Run& run, int exitCode, const std::string& line) {
    run.failures.push_back(line);
    run.exitCode = graverExit(run.exitCode, exitCode);
}

Result& add(Run& run, Value value, Outcome outcome, const std::string& written) {
    run.results.push_back(Result{value, outcome, written, {}});
    return run.results.back();
}

const Result* resultOf(const Run& run, Value value) {
    for (const Result& result : run.results)
        if (result.value == value) return &result;
    return nullptr;
}

void takeOver(Run& into, const Run& from) {
    for (const std::string& line : from.failures) into.failures.push_back(line);
    into.exitCode = graverExit(into.exitCode, from.exitCode);
}

void markInterrupted(Run& run) {
    if (run.exitCode != exitInterrupted) fail(run, exitInterrupted, "interrupted: the port was closed");
}

bool press(int button, const Job& job) {
    handleCommand(button, notifyClick);
    const auto rested = [&job] { return job.trigger == 0 && job.state == 0; };
    runJobsUntil([&] { return interruptRequested.load() || rested(); }, jobLimitMs);
    return rested();
}

}  // namespace tarnwick::provision
