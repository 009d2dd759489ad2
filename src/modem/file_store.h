#pragma once
// Durable replacement of a small file, durable appends to a log, files opened by the names
// the user gives, and the computer's name: supplied once per operating system.
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace tarnwick {

// Writes the bytes to a new file beside `name` and renames it over `name`, so that a crash or
// a failed write leaves either the old file or the new one, never a torn one. A symlink named
// `name` is written through: the new file goes beside its target. An existing file keeps its
// mode and owner (its attributes on Windows); a new one is readable and writable by its owner
// only. An existing file that is read-only is left alone. Where no file can be created beside
// it, the existing file is rewritten in place. Returns 0 on success, 1 when nothing was written
// (the old file, if any, is untouched and no temporary file is left behind).
int replaceFileContents(const char* name, const uint8_t* bytes, size_t count);

// Removes temporary files that a replace of `name` cut short by a crash left behind: they may
// hold the password. They are named `name` + ".tarnwick-" + letters or digits + ".tmp", a
// name no other program gives, so files of the user's beside it (`name`.backup, `name`.old.tmp)
// are never taken for them. A replace in progress in another process keeps its own.
void removeStaleTemporaries(const char* name);

// Appends one line (`bytes`, its line end included) to the file `name` (UTF-8), which is
// created when missing (writable by its owner only). The whole line goes out under an
// exclusive lock on the file and reaches the disk before the lock is let go, so that lines
// appended by several processes at once never mix and none is lost. What the file holds is
// never rewritten; a last line cut short (a process that died mid-append) is ended first, so
// that the new line stands on its own. Returns 0 on success, 1 when nothing could be appended.
int appendLine(const char* name, const uint8_t* bytes, size_t count);

// std::fopen of the file `name`, which is UTF-8 as every path inside the program is. Windows
// is given the name as UTF-16, so that a file in a Cyrillic folder opens whatever the system's
// code page; its ANSI calls would see a "?" for each character that page lacks.
std::FILE* openFile(const char* name, const char* mode);

// This computer's name, terminated, cut to `capacity` - 1 bytes. False, with an empty name,
// when the system does not say.
bool hostName(char* name, size_t capacity);

}  // namespace tarnwick
