#include "ui/cli/report.h"

#include <nlohmann/json.hpp>

#include "app/profile.h"

namespace tarnwick::cli {

namespace {

std::string shown(const std::string& text) { return text.empty() ? "(empty)" : deviceToUtf8(text); }

// The unit's and the modem's texts, and the failure lines that quote them, are Windows-1251
// bytes; a terminal and JSON want UTF-8.
std::string utf8(const std::string& text) { return deviceToUtf8(text); }

}  // namespace

std::string textReport(const Run& run, const std::string& command) {
    std::string out;
    for (const Result& result : run.results) {
        out += valueName(result.value);
        out += ": ";
        switch (result.outcome) {
        case Outcome::read: out += shown(result.readBack); break;
        case Outcome::nothingStored: out += "nothing stored"; break;
        case Outcome::match:
        case Outcome::mismatch:
            out += "written " + shown(result.written) + ", read back " + shown(result.readBack) + ", " +
                   outcomeName(result.outcome);
            break;
        case Outcome::notWritten: out += "not written"; break;
        default:
            // `read` wrote nothing: only how the read ended.
            if (command != "read") out += "written " + shown(result.written) + ", ";
            out += outcomeName(result.outcome);
            if (result.queried == Outcome::read) out += ", read back " + shown(result.readBack);
            if (result.queried == Outcome::nothingStored) out += ", nothing stored";
            break;
        }
        out += "\n";
    }
    return out;
}

std::string jsonReport(const Run& run, const std::string& command, const std::string& port) {
    nlohmann::ordered_json document;
    document["command"] = command;
    document["port"] = port;
    document["exitCode"] = run.exitCode;
    document["values"] = nlohmann::ordered_json::array();
    for (const Result& result : run.results) {
        nlohmann::ordered_json value;
        value["name"] = valueName(result.value);
        value["outcome"] = outcomeName(result.outcome);
        if (command != "read")
            value["written"] = utf8(result.written);
        if (result.queried) value["query"] = outcomeName(*result.queried);
        if (result.outcome == Outcome::read || result.outcome == Outcome::match ||
            result.outcome == Outcome::mismatch || result.queried == Outcome::read)
            value["readBack"] = utf8(result.readBack);
        document["values"].push_back(value);
    }
    document["failures"] = nlohmann::ordered_json::array();
    for (const std::string& line : run.failures) document["failures"].push_back(utf8(line));
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace tarnwick::cli
