// Who holds a serial device on Linux, from /proc: the holder of the advisory lock that refused
// us (/proc/locks names it, for any user to read), else every process with the device open
// among those whose descriptors this user may list. ModemManager, which opens every new USB
// serial adapter to probe it for a modem, gets the udev rule that makes it leave one alone.
#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "serial/port_holder.h"
#include "serial/port_names_posix.h"

namespace tarnwick {

namespace {

constexpr char modemManager[] = "ModemManager";

// Named in full; beyond these the text says how many more there are.
constexpr int namedHolders = 4;

struct Holders {
    long pid[namedHolders];
    int count = 0;
    int more = 0;

    void add(long id) {
        for (int i = 0; i < count; ++i)
            if (pid[i] == id) return;
        if (count < namedHolders) pid[count++] = id;
        else ++more;
    }
};

// The numeric entries of /proc, one per process; false at the end.
bool nextProcess(DIR* proc, long& pid) {
    while (const dirent* entry = readdir(proc)) {
        char* end = nullptr;
        const long id = std::strtol(entry->d_name, &end, 10);
        if (id > 0 && end != entry->d_name && *end == '\0') {
            pid = id;
            return true;
        }
    }
    return false;
}

// The first `capacity` - 1 bytes of a /proc file; empty when it cannot be read.
size_t readProcFile(long pid, const char* file, char* text, size_t capacity) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%ld/%s", pid, file);
    text[0] = '\0';
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    const ssize_t n = read(fd, text, capacity - 1);
    close(fd);
    const size_t length = n > 0 ? static_cast<size_t>(n) : 0;
    text[length] = '\0';
    return length;
}

// The process's name as the engineer knows it from ps and top. The kernel cuts it to 15
// bytes; a longer one is taken from the command's own name when that begins the same. Bytes
// outside printable ASCII become '?': a process may call itself anything.
void processName(long pid, char* name, size_t capacity) {
    char comm[32];
    size_t length = readProcFile(pid, "comm", comm, sizeof comm);
    while (length > 0 && comm[length - 1] == '\n') comm[--length] = '\0';
    char command[256];
    readProcFile(pid, "cmdline", command, sizeof command);
    const char* slash = std::strrchr(command, '/');
    const char* base = slash != nullptr ? slash + 1 : command;
    const char* chosen = length == 15 && std::strncmp(base, comm, length) == 0 ? base : comm;
    if (*chosen == '\0') chosen = "?";
    std::snprintf(name, capacity, "%.*s", static_cast<int>(capacity - 1), chosen);
    for (char* c = name; *c != '\0'; ++c)
        if (static_cast<unsigned char>(*c) < 0x20 || static_cast<unsigned char>(*c) >= 0x7F) *c = '?';
}

// The processes holding a lock on the device's file: "1: FLOCK  ADVISORY  WRITE 812 00:05:3 0 EOF".
// A waiter's line ("1: -> FLOCK ...") does not parse and is skipped, as are locks without a
// process (open file description locks, pid -1).
void lockHolders(const struct stat& device, Holders& found) {
    std::FILE* locks = std::fopen("/proc/locks", "re");
    if (locks == nullptr) return;
    char line[256];
    while (std::fgets(line, sizeof line, locks) != nullptr) {
        char type[16], mode[16], access[16];
        long pid = 0;
        unsigned fsMajor = 0, fsMinor = 0;
        unsigned long inode = 0;
        if (std::sscanf(line, "%*d: %15s %15s %15s %ld %x:%x:%lu", type, mode, access, &pid, &fsMajor,
                        &fsMinor, &inode) == 7 &&
            pid > 0 && fsMajor == major(device.st_dev) && fsMinor == minor(device.st_dev) &&
            inode == device.st_ino)
            found.add(pid);
    }
    std::fclose(locks);
}

// Every process with a descriptor on the device, where this user may list its descriptors.
void descriptorHolders(dev_t rdev, Holders& found) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return;
    long pid;
    while (nextProcess(proc, pid)) {
        char folder[64];
        std::snprintf(folder, sizeof folder, "/proc/%ld/fd", pid);
        DIR* descriptors = opendir(folder);
        if (descriptors == nullptr) continue;  // another user's process, or gone meanwhile
        while (const dirent* entry = readdir(descriptors)) {
            struct stat target;
            if (entry->d_name[0] != '.' && fstatat(dirfd(descriptors), entry->d_name, &target, 0) == 0 &&
                S_ISCHR(target.st_mode) && target.st_rdev == rdev) {
                found.add(pid);
                break;
            }
        }
        closedir(descriptors);
    }
    closedir(proc);
}

// A modem manager that runs, for when the holder itself cannot be seen; 0 when none runs.
long runningModemManager() {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return 0;
    long pid, found = 0;
    char name[64];
    while (found == 0 && nextProcess(proc, pid)) {
        processName(pid, name, sizeof name);
        if (std::strcmp(name, modemManager) == 0) found = pid;
    }
    closedir(proc);
    return found;
}

// A text that does not fit is cut.
void append(char* text, size_t capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));
void append(char* text, size_t capacity, const char* format, ...) {
    const size_t used = std::strlen(text);
    if (used + 1 >= capacity) return;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text + used, capacity - used, format, arguments);
    va_end(arguments);
}

bool isHexId(const char* text) {
    if (text == nullptr || std::strlen(text) != 4) return false;
    for (const char* c = text; *c != '\0'; ++c)
        if (!((*c >= '0' && *c <= '9') || (*c >= 'a' && *c <= 'f') || (*c >= 'A' && *c <= 'F'))) return false;
    return true;
}

// The rule names the adapter by its USB vendor and product, so that it holds for that adapter
// on any port and after every plug-in. An adapter udev knows no ids of is named by its kernel
// name instead.
void modemManagerRule(const struct stat& device, const char* path, char* rule, size_t capacity) {
    const char* vendor = nullptr;
    const char* product = nullptr;
    const char* kernelName = nullptr;
    udev* context = udev_new();
    udev_device* tty = context != nullptr ? udev_device_new_from_devnum(context, 'c', device.st_rdev) : nullptr;
    if (tty != nullptr) {
        vendor = udev_device_get_property_value(tty, "ID_VENDOR_ID");
        product = udev_device_get_property_value(tty, "ID_MODEL_ID");
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
        if ((!isHexId(vendor) || !isHexId(product)) && usb != nullptr) {
            vendor = udev_device_get_sysattr_value(usb, "idVendor");
            product = udev_device_get_sysattr_value(usb, "idProduct");
        }
        kernelName = udev_device_get_sysname(tty);
    }
    if (isHexId(vendor) && isHexId(product)) {
        std::snprintf(rule, capacity,
                      "ATTRS{idVendor}==\"%s\", ATTRS{idProduct}==\"%s\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"",
                      vendor, product);
    } else {
        if (kernelName == nullptr) kernelName = std::strncmp(path, "/dev/", 5) == 0 ? path + 5 : path;
        std::snprintf(rule, capacity, "KERNEL==\"%.*s\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"",
                      static_cast<int>(capacity / 2), kernelName);
    }
    if (tty != nullptr) udev_device_unref(tty);
    if (context != nullptr) udev_unref(context);
}

}  // namespace

bool findPortHolder(const char* path, PortHolder& holder) {
    holder.who[0] = '\0';
    holder.rule[0] = '\0';
    char device[portPathCapacity];
    char target[portPathCapacity];
    struct stat info;
    if (!lastOpenFoundDeviceHeld() || !resolvePortPath(path, device, sizeof device) ||
        realpath(device, target) == nullptr || stat(target, &info) != 0)
        return false;
    // The lock names exactly who refused us; exclusive mode says nothing of who set it.
    Holders found;
    lockHolders(info, found);
    if (found.count == 0 && S_ISCHR(info.st_mode)) descriptorHolders(info.st_rdev, found);

    bool manager = false;
    char name[64];
    for (int i = 0; i < found.count; ++i) {
        processName(found.pid[i], name, sizeof name);
        manager = manager || std::strcmp(name, modemManager) == 0;
        append(holder.who, sizeof holder.who, "%s%s (pid %ld)", i == 0 ? "" : ", ", name, found.pid[i]);
    }
    if (found.more > 0) append(holder.who, sizeof holder.who, " and %d more", found.more);
    if (found.count == 0) {
        const long managerPid = runningModemManager();
        manager = managerPid != 0;
        if (manager)
            std::snprintf(holder.who, sizeof holder.who,
                          "another program (this user cannot see which; %s (pid %ld) is running)",
                          modemManager, managerPid);
        else
            std::snprintf(holder.who, sizeof holder.who, "another program");
    }
    if (manager && S_ISCHR(info.st_mode)) modemManagerRule(info, target, holder.rule, sizeof holder.rule);
    return true;
}

}  // namespace tarnwick
