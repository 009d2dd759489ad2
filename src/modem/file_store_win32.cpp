#include <windows.h>

#include <cstdio>

#include "modem/file_store.h"

namespace tarnwick {

int replaceFileContents(const char* name, const uint8_t* bytes, size_t count) {
    char temporary[MAX_PATH + 16];
    const int length = std::snprintf(temporary, sizeof temporary, "%s.%lu.tmp", name,
                                     static_cast<unsigned long>(GetCurrentProcessId()));
    if (length < 0 || static_cast<size_t>(length) >= sizeof temporary) return 1;

    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) &&
                    written == count && FlushFileBuffers(file);
    CloseHandle(file);
    // MOVEFILE_WRITE_THROUGH returns only once the rename is on disk.
    if (!ok || !MoveFileExA(temporary, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary);
        return 1;
    }
    return 0;
}

}  // namespace tarnwick
