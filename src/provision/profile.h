#pragma once
// A unit's profile: a TOML file with the unit's values in [unit] and the modem's in [modem].
//   [unit]                          [modem]
//   period = "012"                  ip = "10.0.0.5"
//   address = "045"                 apn = "internet"
//   phone1 = "89161234567"          user = "gdata"
//   phone2 = ...  sms-phone = ...   no-internet = false
//                                   password-file = "/path"   (the password itself never)
// Every value is a string but no-internet, which is true or false. The file is UTF-8, while the
// unit and the modem keep Windows-1251: texts are converted on the way in and out, and a
// character that code page lacks is refused rather than sent as something else.
//
// Reading and writing take and give plain structs and know nothing of the command line, so
// that the windows can open and save the very same files.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "provision/device_text.h"
#include "provision/password_file.h"
#include "provision/run.h"
#include "provision/values.h"

namespace tarnwick::provision {

struct Profile {
    // By Value, as Windows-1251 bytes, the way the window's fields hold them. The password
    // is never kept in a profile; its slot stays empty.
    std::array<std::optional<std::string>, valueCount> values;
    std::optional<bool> noInternet;
    std::optional<std::string> passwordFile;  // a path, as the profile spells it

    // Where each stands in the file it was read from, for a message about its value: the
    // line, from 1; 0 for one not read from a file.
    std::array<uint32_t, valueCount> lines{};
    uint32_t noInternetLine = 0;
    uint32_t passwordFileLine = 0;
};

// Reads a profile strictly: anything it cannot apply exactly as written (a value of another
// type, an unknown section or key, a key given twice, a profile with nothing to apply, a
// character Windows-1251 lacks) is refused. Returns the failure line,
// "profile FILE:LINE:COLUMN: ..." (the place left out where there is none), or an empty text.
std::string readProfile(const std::string& path, Profile* profile);

// Writes the profile, with a comment that the password is never kept. It is written only if
// it reads back as the very same values; returns the failure line, or an empty text.
std::string writeProfile(const std::string& path, const Profile& profile);

// The command line's side. loadProfile puts the profile's values into `wanted` and the
// password file it names, if any, into `passwordFile`, found as passwordFileOf finds it.
std::string loadProfile(const std::string& path, Wanted& wanted, std::string* passwordFile);

// Writes what `read` found; a modem with nothing stored is written as no-internet = true, and
// a read that left the modem out writes no [modem] at all.
std::string saveProfile(const std::string& path, const Run& run, bool noInternet);

}  // namespace tarnwick::provision
