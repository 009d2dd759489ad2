#include "provision/profile.h"

#include <toml++/toml.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/cp1251.h"
#include "provision/device_text.h"
#include "provision/password_file.h"
#include "provision/paths.h"
#include "modem/file_store.h"

namespace tarnwick::provision {

namespace {

enum class Kind { text, flag, path };

struct Key {
    const char* section;
    const char* name;
    Kind kind;
    Value value;          // where a text goes; unused for the flag and the path
    const char* example;  // a value as the profile writes it
};

// In the order a profile lists them, which is the window's.
constexpr Key keys[] = {
    {"unit", "period", Kind::text, Value::period, "\"012\""},
    {"unit", "address", Kind::text, Value::address, "\"045\""},
    {"unit", "phone1", Kind::text, Value::phone1, "\"89161234567\""},
    {"unit", "phone2", Kind::text, Value::phone2, "\"89161234567\""},
    {"unit", "sms-phone", Kind::text, Value::smsPhone, "\"89161234567\""},
    {"modem", "ip", Kind::text, Value::ip, "\"10.0.0.5\""},
    {"modem", "apn", Kind::text, Value::apn, "\"internet\""},
    {"modem", "user", Kind::text, Value::user, "\"gdata\""},
    {"modem", "no-internet", Kind::flag, Value::password, "true"},
    {"modem", "password-file", Kind::path, Value::password, "\"password.txt\""},
};

const Key* findKey(std::string_view name) {
    for (const Key& key : keys)
        if (name == key.name) return &key;
    return nullptr;
}

std::string keysOf(std::string_view section) {
    std::string names;
    for (const Key& key : keys)
        if (section == key.section) names += (names.empty() ? "" : ", ") + std::string(key.name);
    return names;
}

struct Failure {
    toml::source_position at{};  // line 0: the file as a whole
    std::string text;
};

// Of several faults the first in the file is named, as the engineer reads it top down.
void note(Failure& failure, const toml::source_position& at, std::string text) {
    if (failure.text.empty() || at < failure.at) failure = Failure{at, std::move(text)};
}

std::string failureLine(const std::string& path, const Failure& failure) {
    std::string line = "profile " + path;
    if (failure.at.line > 0) line += ":" + std::to_string(failure.at.line) + ":" + std::to_string(failure.at.column);
    return line + ": " + failure.text;
}

size_t bomLength(std::string_view text) { return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; }

// Where toml++ would place the byte at `offset`: lines and columns from 1, columns counting
// characters, the byte-order mark not counted.
toml::source_position positionOf(std::string_view text, size_t offset) {
    toml::source_position at{1, 1};
    for (size_t i = bomLength(text); i < offset; ++i) {
        if (text[i] == '\n') {
            ++at.line;
            at.column = 1;
        } else if ((static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) {
            ++at.column;
        }
    }
    return at;
}

bool spaceOrBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// toml++ 3.3 asks of a character it meets outside a value's quotes whether it is a space, and
// for Cyrillic letters, among others, that question ends in its unreachable branch: undefined
// behaviour. Such a character is refused here, before toml++ sees the text. Outside a value's
// quotes and comments it is no TOML anyway, and no key of a profile holds one. Bytes that are
// not UTF-8 are refused here too, with their place.
Failure unreadableCharacter(std::string_view text) {
    enum class In { code, comment, text, longText } in = In::code;
    char quote = 0;    // the open string's
    bool value = false;  // the open string follows '=': a value, not a key
    char last = '\n';   // the last character of code but spaces and tabs
    for (size_t i = bomLength(text); i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<uint8_t>(c) >= 0x80) {
            size_t length;
            if (utf8CharacterAt(text, i, &length) < 0)
                return Failure{positionOf(text, i), "not UTF-8 text; save the profile as UTF-8"};
            if (in == In::code || ((in == In::text || in == In::longText) && !value))
                return Failure{positionOf(text, i),
                               characterShown(text, i) + " outside a value's quotes: keys are Latin letters, texts go in double quotes"};
            i += length - 1;
            continue;
        }
        const bool closes = in == In::longText ? text.substr(i, 3) == std::string(3, quote) : c == quote;
        switch (in) {
        case In::code:
            if (c == '#') in = In::comment;
            if (c == '"' || c == '\'') {
                quote = c;
                value = last == '=';
                in = text.substr(i, 3) == std::string(3, c) ? In::longText : In::text;
                if (in == In::longText) i += 2;
            }
            if (c != ' ' && c != '\t') last = c;
            break;
        case In::comment:
            if (c == '\n') {
                in = In::code;
                last = c;
            }
            break;
        case In::text:
            // An escaped character is skipped, a letter after a backslash is judged as any.
            if (c == '\\' && quote == '"' && i + 1 < text.size() && static_cast<uint8_t>(text[i + 1]) < 0x80) {
                ++i;
            } else if (closes || c == '\n') {
                in = In::code;
                last = c;
            }
            break;
        case In::longText:
            if (c == '\\' && quote == '"') {
                // toml++ asks whether the character after a backslash is a space and, after a
                // line-ending one, the first past the spaces and line breaks it skips.
                size_t next = i + 1;
                while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) ++next;
                if (next < text.size() && (text[next] == '\r' || text[next] == '\n'))
                    while (next < text.size() && spaceOrBreak(text[next])) ++next;
                if (next < text.size() && static_cast<uint8_t>(text[next]) >= 0x80)
                    return Failure{positionOf(text, next), "a backslash before " + characterShown(text, next) +
                                                               ": write the text on one line, without it"};
                i = next > i + 1 ? next - 1 : i + 1;
            } else if (closes) {
                i += 2;
                while (i + 1 < text.size() && text[i + 1] == quote) ++i;
                in = In::code;
                last = quote;
            }
            break;
        }
    }
    return {};
}

void readValue(const Key& key, const toml::node& node, Profile& profile, Failure& failure) {
    const std::string name = key.name;
    const uint32_t line = node.source().begin.line;
    if (key.kind == Kind::flag) {
        profile.noInternetLine = line;
        if (const toml::value<bool>* flag = node.as_boolean()) profile.noInternet = flag->get();
        else note(failure, node.source().begin, name + ": true or false is expected, without quotes");
        return;
    }
    const toml::value<std::string>* text = node.as_string();
    if (text == nullptr) {
        note(failure, node.source().begin,
             name + ": a string is expected, such as " + name + " = " + key.example);
        return;
    }
    if (key.kind == Kind::path) {
        profile.passwordFile = text->get();
        profile.passwordFileLine = line;
        return;
    }
    profile.lines[size_t(key.value)] = line;
    std::string bytes, missing;
    if (utf8ToDevice(text->get(), &bytes, &missing))
        profile.values[size_t(key.value)] = bytes;
    else
        note(failure, node.source().begin,
             name + ": the character " + missing + " is not in Windows-1251, which the unit and the modem use");
}

void readSection(std::string_view section, const toml::table& table, Profile& profile, Failure& failure) {
    for (const auto& [name, node] : table) {
        const Key* key = findKey(name.str());
        if (key != nullptr && section == key->section) {
            readValue(*key, node, profile, failure);
        } else if (name.str() == "password") {
            note(failure, name.source().begin, "password: never kept in a profile; name a password-file instead");
        } else if (key != nullptr) {
            note(failure, name.source().begin,
                 std::string(name.str()) + " belongs under [" + key->section + "], not [" + std::string(section) + "]");
        } else {
            note(failure, name.source().begin,
                 "[" + std::string(section) + "] has no key \"" + std::string(name.str()) + "\"; it takes " +
                     keysOf(section));
        }
    }
}

bool somethingToApply(const Profile& profile) {
    for (const std::optional<std::string>& value : profile.values)
        if (value) return true;
    return profile.noInternet.value_or(false);
}

std::string parseProfile(const std::string& text, const std::string& path, Profile* profile) {
    *profile = Profile{};
    const Failure unreadable = unreadableCharacter(text);
    if (!unreadable.text.empty()) return failureLine(path, unreadable);
    const toml::parse_result parsed = toml::parse(text, std::string_view(path));
    if (!parsed) {
        std::string description(parsed.error().description());
        // What a value typed as in an INI file runs into.
        if (description.find("could not determine value type") != std::string::npos ||
            description.find("expected a comment or whitespace") != std::string::npos)
            description += " (a value is a string in double quotes; no-internet is true or false)";
        return failureLine(path, Failure{parsed.error().source().begin, description});
    }
    Failure failure;
    for (const auto& [name, node] : parsed.table()) {
        const std::string section(name.str());
        const toml::table* table = node.as_table();
        if ((section == "unit" || section == "modem") && table != nullptr) {
            readSection(section, *table, *profile, failure);
        } else if (section == "unit" || section == "modem") {
            note(failure, name.source().begin, section + " must be one section, [" + section + "]");
        } else if (const Key* key = findKey(section)) {
            note(failure, name.source().begin,
                 section + " is outside a section; it belongs under [" + key->section + "]");
        } else {
            note(failure, name.source().begin,
                 "unknown " + (table != nullptr ? "section [" + section + "]" : "key \"" + section + "\"") +
                     "; a profile has [unit] and [modem]");
        }
    }
    if (failure.text.empty() && !somethingToApply(*profile))
        failure.text = "nothing to apply: no value under [unit] or [modem]";
    return failure.text.empty() ? std::string() : failureLine(path, failure);
}

// The key whose value `again` does not hold as `profile` does, or none.
const Key* difference(const Profile& profile, const Profile& again) {
    for (const Key& key : keys) {
        const bool same = key.kind == Kind::text ? profile.values[size_t(key.value)] == again.values[size_t(key.value)]
                          : key.kind == Kind::flag ? profile.noInternet == again.noInternet
                                                   : profile.passwordFile == again.passwordFile;
        if (!same) return &key;
    }
    return nullptr;
}

std::string profileText(const Profile& profile) {
    // toml++ quotes and escapes every value; it writes one key at a time so that the file
    // lists the values in the window's order, where one table would sort its keys. Each value
    // stays on its line in double quotes: toml++ 3.3 opens a multi-line string right before a
    // value's own leading line break, which the reader then drops.
    const toml::format_flags flags = toml::toml_formatter::default_flags & ~toml::format_flags::allow_literal_strings &
                                     ~toml::format_flags::allow_multi_line_strings;
    std::ostringstream unit, modem;
    for (const Key& key : keys) {
        toml::table line;
        if (key.kind == Kind::text && profile.values[size_t(key.value)])
            line.insert(key.name, deviceToUtf8(*profile.values[size_t(key.value)]));
        else if (key.kind == Kind::flag && profile.noInternet)
            line.insert(key.name, *profile.noInternet);
        else if (key.kind == Kind::path && profile.passwordFile)
            line.insert(key.name, *profile.passwordFile);
        else
            continue;
        (std::strcmp(key.section, "unit") == 0 ? unit : modem) << toml::toml_formatter(line, flags) << "\n";
    }
    std::string text = "# A Tarnwick unit profile; the password is never kept here.\n";
    if (!unit.str().empty()) text += "[unit]\n" + unit.str();
    if (!unit.str().empty() && !modem.str().empty()) text += "\n";
    if (!modem.str().empty()) text += "[modem]\n" + modem.str();
    return text;
}

std::string notKept(const Key& key, const Profile& profile) {
    std::string value = key.kind == Kind::text ? profile.values[size_t(key.value)].value_or("")
                        : key.kind == Kind::path ? profile.passwordFile.value_or("")
                                                 : "";
    return std::string(key.name) + ": \"" + value +
           "\" cannot be kept in a profile so that it reads back; no profile written";
}

// Paths are UTF-8; u8path keeps them so where the system's names are wide.
}  // namespace

std::string readProfile(const std::string& path, Profile* profile) {
    *profile = Profile{};
    // A folder opens for reading on Linux and reads as an empty profile.
    if (isFolder(path)) return "profile " + path + ": is a folder, not a profile";
    errno = 0;
    std::FILE* file = openFile(path.c_str(), "rb");
    if (file == nullptr)
        return "profile " + path + (errno == ENOENT ? ": no such file" : ": cannot be opened");
    std::string text;
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, count);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return "profile " + path + ": cannot be read";
    return parseProfile(text, path, profile);
}

std::string writeProfile(const std::string& path, const Profile& profile) {
    const std::string text = profileText(profile);
    // Checked before the file is touched: a profile that would not read back as written must
    // not replace one that does.
    Profile again;
    const std::string failed = parseProfile(text, path, &again);
    if (!failed.empty()) return failed + "; no profile written";
    if (const Key* key = difference(profile, again)) return notKept(*key, profile);
    if (isFolder(path)) return "profile " + path + ": is a folder, not a profile";
    std::FILE* file = openFile(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr) written = std::fclose(file) == 0 && written;
    if (!written) return "profile " + path + ": cannot be written";
    // And the file itself, as the next run will read it.
    const std::string reread = readProfile(path, &again);
    const Key* key = reread.empty() ? difference(profile, again) : nullptr;
    if (reread.empty() && key == nullptr) return {};
    std::error_code ignored;
    std::filesystem::remove(fileSystemPath(path), ignored);
    return key != nullptr ? notKept(*key, profile) : reread + "; no profile written";
}

std::string loadProfile(const std::string& path, Wanted& wanted, std::string* passwordFile) {
    Profile profile;
    const std::string failed = readProfile(path, &profile);
    if (!failed.empty()) return failed;
    for (size_t v = 0; v < valueCount; ++v)
        if (profile.values[v]) wanted.values[v] = profile.values[v];
    if (profile.noInternet) wanted.noInternet = *profile.noInternet;
    if (profile.passwordFile) *passwordFile = passwordFileOf(path, *profile.passwordFile);
    return {};
}

std::string saveProfile(const std::string& path, const Run& run, bool noInternet) {
    Profile profile;
    bool modemAsked = false;
    for (const Result& result : run.results) {
        if (result.value >= Value::ip) modemAsked = true;
        if (result.outcome == Outcome::read && result.value != Value::password)
            profile.values[size_t(result.value)] = result.readBack;
    }
    if (modemAsked) profile.noInternet = noInternet;
    return writeProfile(path, profile);
}

}  // namespace tarnwick::provision
