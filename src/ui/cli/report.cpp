#include "ui/cli/report.h"

#include <nlohmann/json.hpp>

#include "provision/profile.h"

namespace tarnwick::cli {

namespace {

std::string shown(const std::string& text) { return text.empty() ? "(empty)" : deviceToUtf8(text); }

// The unit's and the modem's texts are Windows-1251 bytes; a terminal and JSON want UTF-8.
std::string utf8(const std::string& text) { return deviceToUtf8(text); }

}  // namespace

std::string textReport(const Run& run, const std::string& command) {
    std::string out;
    for (const Result& result : run.results) {
        out += valueName(result.value);
        out += ": ";
        if (result.unchanged) {
            out += "unchanged " + shown(result.written) + ", ";
            if (result.outcome == Outcome::mismatch) out += "read back " + shown(result.readBack) + ", ";
            out += outcomeName(result.outcome);
            out += "\n";
            continue;
        }
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

std::string jsonReport(const Run& run, const std::string& command, const std::string& port,
                       const LoggedNetwork* network, int exitCode) {
    nlohmann::ordered_json document;
    document["command"] = command;
    document["port"] = port;
    document["exitCode"] = exitCode >= 0 ? exitCode : run.exitCode;
    document["values"] = nlohmann::ordered_json::array();
    for (const Result& result : run.results) {
        nlohmann::ordered_json value;
        value["name"] = valueName(result.value);
        value["outcome"] = outcomeName(result.outcome);
        if (command != "read") value[result.unchanged ? "unchanged" : "written"] = utf8(result.written);
        if (result.queried) value["query"] = outcomeName(*result.queried);
        if (result.outcome == Outcome::read || result.outcome == Outcome::match ||
            result.outcome == Outcome::mismatch || result.queried == Outcome::read)
            value["readBack"] = utf8(result.readBack);
        document["values"].push_back(value);
    }
    if (network != nullptr) document["network"] = networkJson(*network);
    document["failures"] = nlohmann::ordered_json::array();
    for (const std::string& line : run.failures) document["failures"].push_back(line);
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string networkTextLine(const LoggedNetwork& network) { return "network: " + network.verdict + "\n"; }

std::string statusTextReport(const LoggedNetwork& network) {
    std::string out;
    for (const NetworkItem& item : network.items) out += item.name + ": " + item.text + "\n";
    return out + "verdict: " + network.verdict + "\n";
}

std::string statusJsonReport(const LoggedNetwork* network, const std::vector<std::string>& failures, int exitCode,
                             const std::string& port) {
    nlohmann::ordered_json document;
    document["command"] = "status";
    document["port"] = port;
    document["exitCode"] = exitCode;
    document["network"] = network != nullptr ? networkJson(*network) : nlohmann::ordered_json(nullptr);
    document["failures"] = nlohmann::ordered_json::array();
    for (const std::string& line : failures) document["failures"].push_back(line);
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string diffTextReport(const std::vector<Difference>& differences) {
    std::string out;
    for (const Difference& line : differences) {
        out += line.name + ": ";
        switch (line.comparison) {
        case Comparison::same: out += "same"; break;
        case Comparison::differs: out += "differs: device " + shown(line.device) + " → profile " + shown(line.profile); break;
        case Comparison::notReadable: out += "not readable"; break;
        case Comparison::notVerifiable: out += "set in profile, not verifiable"; break;
        }
        out += "\n";
    }
    return out;
}

std::string diffJsonReport(const std::vector<Difference>& differences, const std::vector<std::string>& failures,
                           int exitCode, const std::string& port) {
    nlohmann::ordered_json document;
    document["command"] = "diff";
    document["port"] = port;
    document["exitCode"] = exitCode;
    document["values"] = nlohmann::ordered_json::array();
    for (const Difference& line : differences) {
        nlohmann::ordered_json value;
        value["name"] = line.name;
        value["comparison"] = comparisonName(line.comparison);
        if (line.comparison == Comparison::same || line.comparison == Comparison::differs)
            value["device"] = utf8(line.device);
        value["profile"] = utf8(line.profile);
        document["values"].push_back(value);
    }
    document["failures"] = nlohmann::ordered_json::array();
    for (const std::string& line : failures) document["failures"].push_back(line);
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string portsJsonReport(const PortEntry* entries, size_t count) {
    nlohmann::ordered_json document = nlohmann::ordered_json::array();
    for (size_t i = 0; i < count; ++i) {
        nlohmann::ordered_json port;
        port["name"] = entries[i].name[0] != '\0' ? nlohmann::ordered_json(entries[i].name) : nullptr;
        port["device"] = entries[i].device;
        port["description"] = entries[i].description;
        document.push_back(port);
    }
    return document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace tarnwick::cli
