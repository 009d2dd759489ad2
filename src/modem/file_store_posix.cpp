#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "modem/file_store.h"

namespace tarnwick {

namespace {

bool writeAll(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

int replaceFileContents(const char* name, const uint8_t* bytes, size_t count) {
    char temporary[4096];
    const int length = std::snprintf(temporary, sizeof temporary, "%s.XXXXXX", name);
    if (length < 0 || static_cast<size_t>(length) >= sizeof temporary) return 1;

    // mkstemp creates the file with mode 0600: the file holds the packet-data password.
    const int fd = ::mkstemp(temporary);
    if (fd < 0) return 1;
    const bool written = writeAll(fd, bytes, count) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary, name) != 0) {
        ::unlink(temporary);
        return 1;
    }
    return 0;
}

}  // namespace tarnwick
