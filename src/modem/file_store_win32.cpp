#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/utf16.h"
#include "modem/file_store.h"

namespace tarnwick {

namespace {

constexpr DWORD pathCapacity = MAX_PATH + 16;
// A temporary file is "<name>.tarnwick-<process id>.tmp": a name only this program gives, so
// that the clean-up never takes a file of the user's such as "_data.ini.old.tmp" for one of ours.
constexpr char temporaryMark[] = ".tarnwick-";
constexpr char temporaryEnd[] = ".tmp";
constexpr size_t processIdDigits = 10;  // a DWORD in decimal

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide characters are UTF-16 units");

// A UTF-8 name as the wide calls take it.
std::wstring wideName(const char* name) {
    const std::u16string wide = utf8ToUtf16(name);
    return std::wstring(wide.begin(), wide.end());
}

// Where `name` really is, as a full path: Wine's ReplaceFile fails with ERROR_DIRECTORY on a
// relative name, so every call below gets the full one. A symbolic link the user made is
// followed, so that the replace goes to its target and the link stays. False when the path
// does not fit.
bool resolve(const char* name, char* path) {
    const DWORD full = GetFullPathNameA(name, pathCapacity, path, nullptr);
    if (full == 0 || full >= pathCapacity) return false;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    char final[pathCapacity];
    const DWORD length = GetFinalPathNameByHandleA(file, final, sizeof final, 0);
    CloseHandle(file);
    if (length == 0 || length >= sizeof final) return true;
    // "\\?\C:\..." is a full path every call below takes as it is.
    std::memcpy(path, final, length + 1);
    return true;
}

// FindFirstFile's wildcards also match the short 8.3 names, so every long name found is
// checked again here.
bool isTemporaryName(const char* entry, const char* base) {
    const size_t length = std::strlen(base);
    const size_t mark = sizeof temporaryMark - 1;
    if (std::strncmp(entry, base, length) != 0 || std::strncmp(entry + length, temporaryMark, mark) != 0)
        return false;
    const char* digits = entry + length + mark;
    size_t count = 0;
    while (digits[count] >= '0' && digits[count] <= '9') ++count;
    return count > 0 && count <= processIdDigits && std::strcmp(digits + count, temporaryEnd) == 0;
}

bool processRuns(unsigned long id) {
    if (id == GetCurrentProcessId()) return false;  // ours is never in progress during a sweep
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr) return false;
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void deleteTemporariesBeside(const char* path) {
    char pattern[pathCapacity];
    if (std::snprintf(pattern, sizeof pattern, "%s%s*%s", path, temporaryMark, temporaryEnd) >=
        static_cast<int>(sizeof pattern))
        return;
    const char* slash = std::strrchr(path, '\\');
    const size_t folder = slash != nullptr ? static_cast<size_t>(slash - path) + 1 : 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        // Only plain files: a folder or a link of that name is not ours.
        if (!isTemporaryName(found.cFileName, path + folder) ||
            (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
            continue;
        char stale[pathCapacity];
        if (folder + std::strlen(found.cFileName) + 1 > sizeof stale) continue;
        std::memcpy(stale, path, folder);
        std::strcpy(stale + folder, found.cFileName);
        // A file another run is still writing is open without sharing: it cannot be deleted.
        // Between its close and the replace it is open no longer, so a temporary whose process
        // still runs is left to that process.
        if (processRuns(std::strtoul(found.cFileName + std::strlen(path + folder) + sizeof temporaryMark - 1,
                                     nullptr, 10)))
            continue;
        DeleteFileA(stale);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

bool writeAndFlush(HANDLE file, const uint8_t* bytes, size_t count) {
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes, static_cast<DWORD>(count), &written, nullptr) &&
                    written == count && FlushFileBuffers(file);
    CloseHandle(file);
    return ok;
}

// Where no file may be created beside the old one, the old one is rewritten in place.
int writeInPlace(const char* path, const uint8_t* bytes, size_t count) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    return writeAndFlush(file, bytes, count) ? 0 : 1;
}

}  // namespace

void removeStaleTemporaries(const char* name) {
    char path[pathCapacity];
    if (resolve(name, path)) deleteTemporariesBeside(path);
}

int replaceFileContents(const char* name, const uint8_t* bytes, size_t count) {
    char path[pathCapacity];
    if (!resolve(name, path)) return 1;
    const DWORD attributes = GetFileAttributesA(path);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return 1;
    deleteTemporariesBeside(path);

    char temporary[pathCapacity];
    const int length = std::snprintf(temporary, sizeof temporary, "%s%s%lu%s", path, temporaryMark,
                                     static_cast<unsigned long>(GetCurrentProcessId()), temporaryEnd);
    if (length < 0 || static_cast<size_t>(length) >= sizeof temporary) return 1;
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return exists ? writeInPlace(path, bytes, count) : 1;
    if (!writeAndFlush(file, bytes, count)) {
        DeleteFileA(temporary);
        return 1;
    }
    // ReplaceFile keeps the old file's attributes and access rights; a new file is moved in.
    const bool replaced =
        exists ? ReplaceFileA(path, temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                              nullptr) != 0
               : MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!replaced) {
        DeleteFileA(temporary);
        return 1;
    }
    return 0;
}

int appendLine(const char* name, const uint8_t* bytes, size_t count) {
    // Append access without write access: the system puts every write at the file's end.
    // Read access tells whether the file ends with a whole line.
    HANDLE file = CreateFileW(wideName(name).c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    // The whole file, as far as it will ever reach; a second appender waits here.
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
        CloseHandle(file);
        return 1;
    }
    LARGE_INTEGER size{};
    bool appended = GetFileSizeEx(file, &size) != 0;
    char last = '\n';
    if (appended && size.QuadPart > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((size.QuadPart - 1) & 0xFFFFFFFF);
        at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
        DWORD got = 0;
        appended = ReadFile(file, &last, 1, &got, &at) && got == 1;
    }
    const auto put = [file](const void* data, DWORD length) {
        DWORD written = 0;
        return WriteFile(file, data, length, &written, nullptr) && written == length;
    };
    if (appended && last != '\n') appended = put("\n", 1);
    appended = appended && count <= MAXDWORD && put(bytes, static_cast<DWORD>(count)) && FlushFileBuffers(file);
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
    return CloseHandle(file) && appended ? 0 : 1;
}

std::FILE* openFile(const char* name, const char* mode) {
    return _wfopen(wideName(name).c_str(), wideName(mode).c_str());
}

bool hostName(char* name, size_t capacity) {
    if (capacity == 0) return false;
    name[0] = '\0';
    char full[256];
    DWORD length = sizeof full;
    if (!GetComputerNameExA(ComputerNameDnsHostname, full, &length)) {
        length = sizeof full;
        if (!GetComputerNameA(full, &length)) return false;
    }
    std::snprintf(name, capacity, "%s", full);
    return name[0] != '\0';
}

}  // namespace tarnwick
