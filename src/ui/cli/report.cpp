#include "ui/cli/report.h"

#include <nlohmann/json.hpp>

namespace tarnwick::cli {

namespace {

std::string shown(const std::string& text) { return text.empty() ? "(empty)" : text; }

// The unit's and the modem's texts are Windows-1251 bytes; JSON wants UTF-8, and ASCII is
// what these values hold. Anything else is shown as \xNN rather than break the document.
std::string utf8(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            static const char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

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
    document["port"] = utf8(port);
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
    return document.dump(2) + "\n";
}

}  // namespace tarnwick::cli
