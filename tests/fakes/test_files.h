#pragma once
// Whole files as the tests compare them: bytes exactly as on disk.
#include <cstdio>
#include <string>

namespace fake {

inline bool fileExists(const char* name) {
    std::FILE* f = std::fopen(name, "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

// The file's bytes, or an empty text when it cannot be read.
inline std::string fileText(const char* name) {
    std::string text;
    if (std::FILE* f = std::fopen(name, "rb")) {
        char chunk[256];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
        std::fclose(f);
    }
    return text;
}

}  // namespace fake
