// The profile reader on arbitrary file contents, and the writer on arbitrary values: a profile
// that loads, written out and loaded again, holds the very same values; and whatever bytes a
// unit or a modem hands over are written so that they load back as they were.
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "provision/profile.h"

using namespace tarnwick::provision;

namespace {

const char path[] = "fuzz-profile.toml";

bool same(const Profile& a, const Profile& b) {
    return a.values == b.values && a.noInternet == b.noInternet && a.passwordFile == b.passwordFile;
}

void writesAndLoadsBack(const Profile& profile) {
    std::string failed = writeProfile(path, profile);
    Profile again;
    if (failed.empty()) failed = readProfile(path, &again);
    if (!failed.empty()) std::fprintf(stderr, "%s\n", failed.c_str());
    FUZZ_CHECK(failed.empty());
    FUZZ_CHECK(same(profile, again));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    Profile loaded;
    if (readProfile(path, &loaded).empty()) {
        FUZZ_CHECK(!loaded.values[size_t(Value::password)]);
        writesAndLoadsBack(loaded);
    }
    // The same bytes as `read` finds them on a unit and a modem: Windows-1251, any byte at all.
    Profile read;
    read.values[size_t(Value::phone1)] = bytes;
    read.values[size_t(Value::user)] = bytes.substr(size / 2);
    read.noInternet = false;
    writesAndLoadsBack(read);
    std::remove(path);
    return 0;
}
