#pragma once
// The modem's password never stands in a profile: a profile names a password file, whose first
// line it is, so that a profile can be copied and shown without giving the password away.
#include <string>

namespace tarnwick::provision {

// Where the password file a profile names is: a relative name counts from the profile's folder,
// where it was written beside the profile, whichever folder the program runs in.
std::string passwordFileOf(const std::string& profilePath, const std::string& passwordFile);

// The password in a password file: its first line, as Windows-1251 (a line that is not UTF-8
// was written in the system's own single-byte code page and is taken as it is). An empty first
// line is an empty password on purpose; a file that is missing, unreadable, a folder or holds
// no line at all gives the failure line instead, so that a mistyped path never wipes the
// modem's password. The failure line never shows the password.
std::string readPasswordFile(const std::string& path, std::string* password);

}  // namespace tarnwick::provision
