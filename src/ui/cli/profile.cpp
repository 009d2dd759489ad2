#include "ui/cli/profile.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>

namespace tarnwick::cli {

namespace {

bool isTrue(const std::string& text) { return text == "true" || text == "1" || text == "yes" || text == "on"; }

// The value between quotes CLI11's reader takes off again: double quotes, or single ones for a
// text that holds a double quote. False for a text that holds both.
bool quoted(const std::string& text, std::string* out) {
    const char quote = text.find('"') == std::string::npos ? '"' : '\'';
    if (quote == '\'' && text.find('\'') != std::string::npos) return false;
    *out = quote + text + quote;
    return true;
}

}  // namespace

std::string loadProfile(const std::string& path, Wanted& wanted, std::string* passwordFile) {
    std::vector<CLI::ConfigItem> items;
    try {
        items = CLI::ConfigINI().from_file(path);
    } catch (const CLI::Error& error) {
        return "profile " + path + ": " + error.what();
    }
    for (const CLI::ConfigItem& item : items) {
        // The reader marks where a section opens and closes.
        if (item.name == "++" || item.name == "--") continue;
        const std::string section = item.parents.empty() ? "" : item.parents.front();
        const std::string text = item.inputs.empty() ? "" : item.inputs.front();
        bool known = false;
        for (size_t v = 0; v < valueCount; ++v) {
            const Value value = static_cast<Value>(v);
            const bool unit = value < Value::ip;
            if (value == Value::password || item.name != valueName(value)) continue;
            if (section != (unit ? "unit" : "modem")) continue;
            wanted[value] = text;
            known = true;
        }
        if (section == "modem" && item.name == "no-internet") {
            wanted.noInternet = isTrue(text);
            known = true;
        }
        if (section == "modem" && item.name == "password-file") {
            *passwordFile = text;
            known = true;
        }
        if (!known) return "profile " + path + ": unknown setting " + item.fullname();
    }
    return {};
}

std::string saveProfile(const std::string& path, const Run& run, bool noInternet) {
    std::string unit = "[unit]\n", modem = "[modem]\n";
    for (const Result& result : run.results) {
        if (result.outcome != Outcome::read) continue;
        std::string value;
        if (!quoted(result.readBack, &value))
            return std::string(valueName(result.value)) + ": holds both kinds of quote; not written";
        (result.value < Value::ip ? unit : modem) += std::string(valueName(result.value)) + " = " + value + "\n";
    }
    modem += std::string("no-internet = ") + (noInternet ? "true" : "false") + "\n";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << "# A Tarnwick unit profile; the password is never kept here.\n" << unit << "\n" << modem;
        file.flush();
        if (!file) return "profile " + path + ": cannot be written";
    }
    // The reader has its own ideas about some characters (a ';' splits a value, even between
    // quotes): a profile is kept only if it reads back as written.
    Wanted check;
    std::string passwordFile;
    const std::string failed = loadProfile(path, check, &passwordFile);
    for (const Result& result : run.results) {
        if (result.outcome != Outcome::read) continue;
        if (failed.empty() && check[result.value] == result.readBack) continue;
        std::remove(path.c_str());
        return std::string(valueName(result.value)) + ": \"" + result.readBack +
               "\" cannot be kept in a profile so that it reads back; no profile written";
    }
    return {};
}

}  // namespace tarnwick::cli
