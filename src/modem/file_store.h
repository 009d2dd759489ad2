#pragma once
// Durable replacement of a small file, supplied once per operating system.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Writes the bytes to a new file beside `name` and renames it over `name`, so that a crash or
// a failed write leaves either the old file or the new one, never a torn one. On POSIX the
// file is readable and writable by its owner only. Returns 0 on success, 1 when nothing was
// replaced (the old file, if any, is untouched and no temporary file is left behind).
int replaceFileContents(const char* name, const uint8_t* bytes, size_t count);

}  // namespace tarnwick
