#pragma once
// SHA-256 (FIPS 180-4), for the provisioning log's fingerprint of a profile. Debian packages
// no header-only SHA-256 that the mingw build could use too, and a log needs nothing faster.
#include <string>
#include <string_view>

namespace tarnwick::cli {

// The digest of `bytes` as 64 lower-case hexadecimal digits.
std::string sha256Hex(std::string_view bytes);

}  // namespace tarnwick::cli
