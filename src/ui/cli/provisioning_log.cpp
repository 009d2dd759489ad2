#include "ui/cli/provisioning_log.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>

#include "provision/profile.h"
#include "modem/file_store.h"

namespace tarnwick::cli {

namespace {

using Json = nlohmann::ordered_json;

// What the device holds, for a value read as it is (or as nothing stored: empty).
std::optional<std::string> held(const Result* result) {
    if (result == nullptr) return std::nullopt;
    if (result->outcome == Outcome::read || result->outcome == Outcome::nothingStored)
        return deviceToUtf8(result->readBack);
    return std::nullopt;
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The names of the values whose outcome begins with `prefix`, "a, b".
std::string namesWith(const std::vector<LogValue>& values, const char* prefix) {
    std::string names;
    for (const LogValue& value : values)
        if (startsWith(value.outcome, prefix)) names += (names.empty() ? "" : ", ") + value.name;
    return names;
}

size_t countWith(const std::vector<LogValue>& values, const char* prefix) {
    return static_cast<size_t>(std::count_if(values.begin(), values.end(),
                                              [prefix](const LogValue& value) { return startsWith(value.outcome, prefix); }));
}

Json optionalText(const std::optional<std::string>& text) { return text ? Json(*text) : Json(nullptr); }

}  // namespace

std::string utcNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    char text[40] = "unknown";
    if (const std::tm* utc = std::gmtime(&seconds)) {
        char whole[32];
        std::strftime(whole, sizeof whole, "%Y-%m-%dT%H:%M:%S", utc);
        std::snprintf(text, sizeof text, "%s.%03dZ", whole, static_cast<int>(ms));
    }
    return text;
}

std::string logLine(const LogRecord& record) {
    Json line;
    line["time"] = record.time;
    line["host"] = record.host;
    line["port"] = record.port;
    line["device"] = record.device;
    line["version"] = record.version;
    line["command"] = record.command;
    if (record.unit) line["unit"] = *record.unit;
    line["profile"] = record.profile.empty() ? Json(nullptr) : Json(record.profile);
    line["profileSha256"] = record.profileSha256.empty() ? Json(nullptr) : Json(record.profileSha256);
    line["identity"] = record.identity;
    if (record.network) line["network"] = networkJson(*record.network);
    line["values"] = Json::array();
    for (const LogValue& value : record.values)
        line["values"].push_back(Json{{"name", value.name},
                                      {"before", optionalText(value.before)},
                                      {"after", optionalText(value.after)},
                                      {"outcome", value.outcome}});
    line["exitCode"] = record.exitCode;
    line["durationMs"] = record.durationMs;
    line["result"] = record.result;
    line["failures"] = Json::array();
    for (const std::string& failure : record.failures) line["failures"].push_back(failure);
    // One line whatever the values hold: dump() escapes line breaks inside strings.
    return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

LoggedNetwork loggedNetwork(const NetworkCheck& check) {
    LoggedNetwork network;
    network.items = networkItems(check.status);
    network.ready = check.verdict == Verdict::ready;
    network.verdict = verdictSummary(check.verdict);
    if (!network.ready) network.advice = verdictText(check.verdict).advice;
    network.rssi = check.status.rssi;
    const SignalMeter meter = signalMeter(check.status);
    if (meter.known) network.dbm = meter.dbm;
    return network;
}

Json networkJson(const LoggedNetwork& network) {
    Json object;
    object["ready"] = network.ready;
    object["verdict"] = network.verdict;
    object["advice"] = network.advice.empty() ? Json(nullptr) : Json(network.advice);
    object["rssi"] = network.rssi;
    object["dbm"] = network.dbm ? Json(*network.dbm) : Json(nullptr);
    object["items"] = Json::array();
    for (const NetworkItem& item : network.items) object["items"].push_back(Json{{"name", item.name}, {"text", item.text}});
    return object;
}

std::string appendToLog(const std::string& path, const LogRecord& record) {
    const std::string line = logLine(record);
    if (appendLine(path.c_str(), reinterpret_cast<const uint8_t*>(line.data()), line.size()) == 0) return {};
    return "log " + path + ": the line of this run could not be appended";
}

std::string checkLog(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::u8path(path), ignored))
        return "log " + path + ": is a folder, not a file";
    std::FILE* file = openFile(path.c_str(), "ab");
    if (file == nullptr) return "log " + path + ": cannot be appended to";
    std::fclose(file);
    return {};
}

std::vector<LogValue> loggedRead(const Run& read) {
    std::vector<LogValue> values;
    for (const Result& result : read.results)
        values.push_back(LogValue{valueName(result.value), held(&result), held(&result), outcomeName(result.outcome)});
    return values;
}

std::vector<LogValue> loggedDiff(const std::vector<Difference>& differences) {
    std::vector<LogValue> values;
    for (const Difference& line : differences) {
        LogValue value{line.name, std::nullopt, std::nullopt, comparisonName(line.comparison)};
        if (line.comparison == Comparison::notVerifiable) {
            value.after = "unchanged";
        } else if (line.comparison != Comparison::notReadable) {
            value.before = deviceToUtf8(line.device);
            value.after = value.before;
        }
        values.push_back(value);
    }
    return values;
}

std::string appliedOutcome(const Result& result) {
    if (result.outcome == Outcome::mismatch) return "MISMATCH";
    if (result.unchanged) return std::string("unchanged, ") + outcomeName(result.outcome);
    switch (result.outcome) {
    case Outcome::match:
    case Outcome::notVerifiable:
    case Outcome::notReadBack:
    case Outcome::notStored:
    case Outcome::notRead: return std::string("written, ") + outcomeName(result.outcome);
    default: return outcomeName(result.outcome);
    }
}

std::vector<LogValue> loggedWrite(const Run& run, const Run* before) {
    std::vector<LogValue> values;
    for (const Result& result : run.results) {
        LogValue value{valueName(result.value), std::nullopt, std::nullopt, appliedOutcome(result)};
        if (result.value == Value::password) {
            value.after = result.outcome == Outcome::notWritten ? "unchanged" : "set";
        } else {
            if (before != nullptr) value.before = held(resultOf(*before, result.value));
            const bool readBack = result.outcome == Outcome::match || result.outcome == Outcome::mismatch ||
                                  result.queried == Outcome::read;
            if (readBack) value.after = deviceToUtf8(result.readBack);
        }
        values.push_back(value);
    }
    return values;
}

std::string resultSummary(const std::string& command, int exitCode, const std::vector<LogValue>& values,
                          const std::optional<LoggedNetwork>& network) {
    if (command == "status" && network) return network->verdict;
    if (network) return resultSummary(command, exitCode, values) + "; network " + network->verdict;
    switch (exitCode) {
    case exitOk: {
        if (command == "read") return "ok";
        if (command == "diff") return "same";
        const size_t written = countWith(values, "written");
        std::string text = written == 0 ? "ok, nothing written" : "ok, " + std::to_string(written) + " written";
        const size_t unchanged = countWith(values, "unchanged");
        return unchanged > 0 ? text + ", " + std::to_string(unchanged) + " unchanged" : text;
    }
    case exitFailed:
        for (const char* outcome : {"MISMATCH", "refused", "differs", "not readable", "not written"}) {
            const std::string names = namesWith(values, outcome);
            if (!names.empty()) return std::string(outcome) + ": " + names;
        }
        return "failed";
    case exitUsage: return "refused before anything was sent";
    case exitPortNotOpened: return "the port did not open";
    case exitNoAnswer: return "no answer";
    case exitInterrupted: {
        const std::string written = namesWith(values, "written");
        return command == "read" || command == "diff" ? "interrupted"
               : written.empty()                      ? "interrupted, nothing written"
                                                      : "interrupted, written: " + written;
    }
    default: return "exit " + std::to_string(exitCode);
    }
}

namespace {

// Calls `each` with every record of the log and its line number, a null record for a line that
// is none; false when the file cannot be read.
bool readLog(const std::string& path, const std::function<void(int number, const Json* record)>& each) {
    std::error_code ignored;
    const std::filesystem::path named = std::filesystem::u8path(path);
    std::ifstream file(named, std::ios::binary);
    if (!file || std::filesystem::is_directory(named, ignored)) return false;
    std::string text;
    for (int number = 1; std::getline(file, text); ++number) {
        if (text.empty() || text == "\r") continue;
        const Json line = Json::parse(text, nullptr, false);
        const bool record = !line.is_discarded() && line.is_object() && line.contains("time");
        each(number, record ? &line : nullptr);
    }
    return true;
}

}  // namespace

std::string logJson(const std::string& path, int* exitCode) {
    Json records = Json::array();
    const bool read = readLog(path, [&records](int number, const Json* record) {
        records.push_back(record != nullptr ? *record : Json{{"line", number}, {"error", "not a log record"}});
    });
    *exitCode = read ? exitOk : exitUsage;
    return read ? records.dump(2, ' ', false, Json::error_handler_t::replace) + "\n" : std::string();
}

std::string logTable(const std::string& path, int* exitCode) {
    std::vector<std::array<std::string, 4>> rows = {{"TIME", "PORT", "IDENTITY", "RESULT"}};
    const bool read = readLog(path, [&rows](int number, const Json* record) {
        if (record == nullptr) {
            rows.push_back({"?", "?", "?", "(line " + std::to_string(number) + " is not a log record)"});
            return;
        }
        const Json& line = *record;
        const auto field = [&line](const char* key) {
            return line.contains(key) && line[key].is_string() ? line[key].get<std::string>() : std::string("?");
        };
        std::string result = field("command");
        if (line.contains("unit") && line["unit"].is_number()) result += " unit " + std::to_string(line["unit"].get<int>());
        rows.push_back({field("time"), field("port"), field("identity"), result + ": " + field("result")});
    });
    *exitCode = read ? exitOk : exitUsage;
    if (!read) return {};
    size_t widths[3] = {};
    for (const auto& row : rows)
        for (size_t column = 0; column < 3; ++column) widths[column] = std::max(widths[column], row[column].size());
    std::string table;
    for (const auto& row : rows) {
        for (size_t column = 0; column < 3; ++column)
            table += row[column] + std::string(widths[column] - row[column].size() + 2, ' ');
        table += row[3] + "\n";
    }
    return table;
}

}  // namespace tarnwick::cli
