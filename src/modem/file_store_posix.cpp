#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "modem/file_store.h"

namespace tarnwick {

namespace {

constexpr size_t pathCapacity = 4096;
constexpr int maxLinks = 40;  // as the kernel's own limit on a chain of symlinks
// A temporary file is "<name>.tarnwick-XXXXXX.tmp": a name only this program gives, so that
// the clean-up never takes a file of the user's such as "_data.ini.backup" for one of ours.
constexpr char temporaryMark[] = ".tarnwick-";
constexpr char temporaryRandom[] = "XXXXXX";  // what mkstemps fills with letters and digits
constexpr char temporaryEnd[] = ".tmp";

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

// Where `name` really is: a symlink that the user put there on purpose (to keep the file on
// another disk, say) is followed, so that the replace goes to its target and the link stays.
bool resolve(const char* name, char* path) {
    if (std::snprintf(path, pathCapacity, "%s", name) >= static_cast<int>(pathCapacity))
        return false;
    for (int hop = 0; hop < maxLinks; ++hop) {
        char target[pathCapacity];
        const ssize_t n = ::readlink(path, target, sizeof target - 1);
        if (n < 0) return errno == EINVAL || errno == ENOENT;  // not a link, or not there
        target[n] = '\0';
        if (target[0] == '/') {
            std::memcpy(path, target, static_cast<size_t>(n) + 1);
            continue;
        }
        // A relative target counts from the folder holding the link.
        const char* slash = std::strrchr(path, '/');
        const size_t folder = slash != nullptr ? static_cast<size_t>(slash - path) + 1 : 0;
        if (folder + static_cast<size_t>(n) + 1 > pathCapacity) return false;
        std::memcpy(path + folder, target, static_cast<size_t>(n) + 1);
    }
    return false;
}

// The folder part of `path` ("." for a bare name) and the file's own name within it.
void splitPath(const char* path, char* folder, const char** base) {
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::strcpy(folder, ".");
        *base = path;
        return;
    }
    const size_t length = slash == path ? 1 : static_cast<size_t>(slash - path);
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    *base = slash + 1;
}

bool isTemporaryName(const char* entry, const char* base) {
    const size_t length = std::strlen(base);
    const size_t mark = sizeof temporaryMark - 1;
    if (std::strncmp(entry, base, length) != 0 || std::strncmp(entry + length, temporaryMark, mark) != 0)
        return false;
    const char* random = entry + length + mark;
    for (size_t i = 0; i + 1 < sizeof temporaryRandom; ++i) {
        const char c = random[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    }
    return std::strcmp(random + sizeof temporaryRandom - 1, temporaryEnd) == 0;
}

// Removes the temporary files of earlier replaces of `path` that never got renamed. One that
// another run is writing right now holds its lock and is left alone.
void removeTemporariesBeside(const char* path) {
    char folder[pathCapacity];
    const char* base = nullptr;
    splitPath(path, folder, &base);
    const int dirFd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return;
    DIR* dir = ::fdopendir(dirFd);
    if (dir == nullptr) {
        ::close(dirFd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name, base)) continue;
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

// Read-only to us: not writable by this user, or with every write bit off, which even root
// takes as the user's wish to keep the file as it is.
bool readOnly(const char* path, const struct stat& info) {
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path, W_OK) != 0;
}

// The fallback where no file may be created beside the old one: the old file is rewritten
// where it is. Not atomic, but the user's values are kept, which is what matters.
int writeInPlace(const char* path, const uint8_t* bytes, size_t count) {
    const int fd = ::open(path, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return 1;
    const bool written = writeAll(fd, bytes, count) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && written ? 0 : 1;
}

// Gives the temporary file the old file's mode and owner. False when the owner cannot be
// given (another user's file we may write but not own).
bool takeOver(int fd, const struct stat& old) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) return false;
    if (old.st_uid == ::geteuid() && old.st_gid == ::getegid()) return true;
    return ::fchown(fd, old.st_uid, old.st_gid) == 0;
}

}  // namespace

void removeStaleTemporaries(const char* name) {
    char path[pathCapacity];
    if (resolve(name, path)) removeTemporariesBeside(path);
}

int replaceFileContents(const char* name, const uint8_t* bytes, size_t count) {
    char path[pathCapacity];
    if (!resolve(name, path)) return 1;
    struct stat old {};
    const bool exists = ::stat(path, &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || readOnly(path, old))) return 1;
    removeTemporariesBeside(path);

    char temporary[pathCapacity];
    const int length = std::snprintf(temporary, sizeof temporary, "%s%s%s%s", path, temporaryMark,
                                     temporaryRandom, temporaryEnd);
    if (length < 0 || static_cast<size_t>(length) >= sizeof temporary) return 1;
    // mkstemps creates the file with mode 0600: a new file holds the packet-data password.
    const int fd = ::mkstemps(temporary, static_cast<int>(sizeof temporaryEnd - 1));
    if (fd < 0) return exists ? writeInPlace(path, bytes, count) : 1;
    // Held while the file exists, so that another run's clean-up leaves it alone.
    ::flock(fd, LOCK_EX);
    if (exists && !takeOver(fd, old)) {
        ::unlink(temporary);
        ::close(fd);
        return writeInPlace(path, bytes, count);
    }
    const bool written = writeAll(fd, bytes, count) && ::fsync(fd) == 0;
    if (!written || ::rename(temporary, path) != 0) {
        ::unlink(temporary);
        ::close(fd);
        return 1;
    }
    return ::close(fd) == 0 ? 0 : 1;
}

int appendLine(const char* name, const uint8_t* bytes, size_t count) {
    // Read access too: the last byte tells whether the file ends with a whole line.
    const int fd = ::open(name, O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return 1;
    struct stat info {};
    bool appended = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    while (appended && ::flock(fd, LOCK_EX) != 0)
        if (errno != EINTR) appended = false;
    if (appended) {
        // Under the lock the end stays where it is until this line is written.
        const off_t size = ::lseek(fd, 0, SEEK_END);
        char last = '\n';
        appended = size >= 0 && (size == 0 || ::pread(fd, &last, 1, size - 1) == 1);
        if (appended && last != '\n') appended = writeAll(fd, reinterpret_cast<const uint8_t*>("\n"), 1);
        appended = appended && writeAll(fd, bytes, count) && ::fsync(fd) == 0;
        ::flock(fd, LOCK_UN);
    }
    return ::close(fd) == 0 && appended ? 0 : 1;
}

// The system takes a name's bytes as they are.
std::FILE* openFile(const char* name, const char* mode) { return std::fopen(name, mode); }

bool hostName(char* name, size_t capacity) {
    if (capacity == 0) return false;
    if (::gethostname(name, capacity) != 0) {
        name[0] = '\0';
        return false;
    }
    name[capacity - 1] = '\0';  // a name cut to fit may come without its terminator
    return name[0] != '\0';
}

}  // namespace tarnwick
