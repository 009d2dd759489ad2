// The settings file written plainly, for fuzzing: the real replace syncs every write to the
// disk, which would slow a fuzz run a hundredfold and is not what is fuzzed. Appends likewise.
#include <cstdio>

#include "modem/file_store.h"

namespace tarnwick {

int replaceFileContents(const char* name, const uint8_t* bytes, size_t count) {
    std::FILE* file = std::fopen(name, "wb");
    if (file == nullptr) return 1;
    const bool written = std::fwrite(bytes, 1, count, file) == count;
    return std::fclose(file) == 0 && written ? 0 : 1;
}

void removeStaleTemporaries(const char*) {}

int appendLine(const char* name, const uint8_t* bytes, size_t count) {
    std::FILE* file = std::fopen(name, "ab");
    if (file == nullptr) return 1;
    const bool written = std::fwrite(bytes, 1, count, file) == count;
    return std::fclose(file) == 0 && written ? 0 : 1;
}

std::FILE* openFile(const char* name, const char* mode) { return std::fopen(name, mode); }

bool hostName(char* name, size_t capacity) {
    if (capacity == 0) return false;
    std::snprintf(name, capacity, "%s", "fuzz");
    return true;
}

}  // namespace tarnwick
