#pragma once
// Durable replacement of a small file, supplied once per operating system.
#include <cstddef>
#include <cstdint>

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

}  // namespace tarnwick
