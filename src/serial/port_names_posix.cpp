#include "serial/port_names_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarnwick {

namespace {

const char devicePrefix[] = "\\\\.\\";

bool copyPath(char* out, size_t capacity, const char* a, const char* b, const char* c) {
    const int n = std::snprintf(out, capacity, "%s%s%s", a, b, c);
    return n > 0 && static_cast<size_t>(n) < capacity;
}

// A regular file in the ports folder holds the device path as text; surrounding white space
// and the line end an editor leaves are not part of it.
bool readPathFile(const char* file, char* out, size_t capacity) {
    const int fd = open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t n = read(fd, out, capacity - 1);
    close(fd);
    if (n <= 0) return false;
    size_t end = static_cast<size_t>(n);
    out[end] = '\0';
    // A file as long as the buffer holds no usable path.
    if (end == capacity - 1) return false;
    while (end > 0 && std::strchr(" \t\r\n", out[end - 1]) != nullptr) out[--end] = '\0';
    size_t start = 0;
    while (out[start] != '\0' && std::strchr(" \t\r\n", out[start]) != nullptr) ++start;
    std::memmove(out, out + start, end - start + 1);
    return out[0] != '\0';
}

// 0: the folder has a usable entry for the name (written to out); 1: it has none;
// -1: it has one that names no device.
int lookUpEntry(const char* name, char* out, size_t capacity) {
    char folder[portPathCapacity];
    char entry[portPathCapacity];
    if (!portsFolder(folder, sizeof folder) || !copyPath(entry, sizeof entry, folder, "/", name))
        return 1;
    struct stat info;
    if (lstat(entry, &info) != 0) return 1;
    // A symlink is opened as it is, so the device's own lock and exclusive flag apply.
    if (S_ISLNK(info.st_mode)) return copyPath(out, capacity, entry, "", "") ? 0 : -1;
    if (S_ISREG(info.st_mode)) return readPathFile(entry, out, capacity) ? 0 : -1;
    return -1;
}

const char* const deviceFamilies[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM"};
constexpr long familyCount = 3;
constexpr long familySize = 32;

bool defaultDevice(long number, char* out, size_t capacity) {
    if (number < 1 || number > familyCount * familySize) return false;
    const long index = (number - 1) / familySize;
    return std::snprintf(out, capacity, "%s%ld", deviceFamilies[index],
                         (number - 1) % familySize) > 0;
}

}  // namespace

// Windows names COM ports by their number alone, so "COM05" or "COM5x" name no port there;
// they name none here either.
long comNumber(const char* name) {
    if (std::strncmp(name, "COM", 3) != 0) return -1;
    const char* digits = name + 3;
    if (*digits < '1' || *digits > '9') return -1;
    long number = 0;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || p - digits >= 9) return -1;
        number = number * 10 + (*p - '0');
    }
    return number;
}

// The ports folder: $TARNWICK_PORTS when set, else ~/.config/tarnwick/ports.
bool portsFolder(char* out, size_t capacity) {
    const char* env = std::getenv("TARNWICK_PORTS");
    if (env != nullptr && *env != '\0') return copyPath(out, capacity, env, "", "");
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return false;
    return copyPath(out, capacity, home, "/.config/tarnwick/ports", "");
}

long defaultComNumber(const char* device) {
    for (long family = 0; family < familyCount; ++family) {
        const size_t length = std::strlen(deviceFamilies[family]);
        if (std::strncmp(device, deviceFamilies[family], length) != 0) continue;
        const char* digits = device + length;
        // The kernel writes its minor numbers without leading zeros: "ttyS05" is not ttyS5.
        char* end = nullptr;
        const long index = std::strtol(digits, &end, 10);
        const bool plain = *digits >= '0' && *digits <= '9' && *end == '\0' &&
                           (digits[0] != '0' || digits[1] == '\0');
        if (!plain || index >= familySize) return -1;
        return family * familySize + index + 1;
    }
    return -1;
}

bool resolvePortPath(const char* path, char* device, size_t capacity) {
    if (path == nullptr || capacity == 0) return false;
    const size_t prefixLength = sizeof devicePrefix - 1;
    const char* name = std::strncmp(path, devicePrefix, prefixLength) == 0 ? path + prefixLength
                                                                            : path;
    if (name[0] == '/') return copyPath(device, capacity, name, "", "");
    const long number = comNumber(name);
    if (number < 0) return false;
    const int found = lookUpEntry(name, device, capacity);
    if (found == 0) return true;
    if (found < 0) return false;
    return defaultDevice(number, device, capacity);
}

}  // namespace tarnwick
