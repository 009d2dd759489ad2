#pragma once
// A unit's profile: an INI file with the unit's values in [unit] and the modem's in [modem].
//   [unit]                          [modem]
//   period = "012"                  ip = "10.0.0.5"
//   address = "045"                 apn = "internet"
//   phone1 = "89161234567"          user = "gdata"
//   phone2 = ...  sms-phone = ...   no-internet = false
//                                   password-file = "/path"   (the password itself never)
#include <string>

#include "ui/cli/provisioning.h"

namespace tarnwick::cli {

// Reads the profile into `wanted`. The password file named in it, if any, goes to
// `passwordFile`. Returns the failure line (unreadable file, unknown key), or an empty text.
std::string loadProfile(const std::string& path, Wanted& wanted, std::string* passwordFile);

// Writes what `read` found as a profile; a modem with nothing stored is written as
// no-internet = true. A profile that would not read back as written is not kept. Returns the
// failure line, or an empty text.
std::string saveProfile(const std::string& path, const Run& run, bool noInternet);

}  // namespace tarnwick::cli
