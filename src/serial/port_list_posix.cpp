// The serial ports on Linux: the hardware terminals udev knows, each under the COMn name that
// opens it, and the ports folder's entries for devices udev does not report (the simulated
// device's pseudo-terminal, or every port on a machine where udev finds nothing).
#include <dirent.h>
#include <libudev.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "serial/port_list.h"
#include "serial/port_names_posix.h"

namespace tarnwick {

namespace {

const char folderDescription[] = "registered in the ports folder";
const char plainDescription[] = "serial port";

// A cut text must not end inside a UTF-8 sequence: the menu would show a broken character.
void dropPartialCharacter(char* text) {
    size_t start = std::strlen(text);
    while (start > 0 && (text[start - 1] & 0xC0) == 0x80) --start;
    if (start == 0 || (text[start - 1] & 0x80) == 0) return;
    const unsigned char lead = static_cast<unsigned char>(text[start - 1]);
    const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (std::strlen(text + start - 1) < length) text[start - 1] = '\0';
}

template <size_t N>
bool copyText(char (&field)[N], const char* text) {
    const int n = std::snprintf(field, N, "%s", text);
    if (n >= 0 && static_cast<size_t>(n) < N) return true;
    dropPartialCharacter(field);
    return false;
}

// Where `name` leads when the program opens it, through the same resolution, with symlinks
// such as /dev/serial/by-id/... followed, so that two paths of one device compare equal.
// False when nothing is there, or something that is no terminal device.
bool reaches(const char* name, char (&target)[PATH_MAX]) {
    char device[portPathCapacity];
    struct stat info;
    return resolvePortPath(name, device, sizeof device) && realpath(device, target) != nullptr &&
           stat(target, &info) == 0 && S_ISCHR(info.st_mode);
}

PortEntry* findDevice(std::vector<PortEntry>& found, const char* device) {
    for (PortEntry& entry : found)
        if (std::strcmp(entry.device, device) == 0) return &entry;
    return nullptr;
}

// The hardware database's names where it has the device, else those the USB descriptors
// give, in which udev spells blanks as underscores.
void describe(udev_device* device, PortEntry& entry) {
    const char* vendor = udev_device_get_property_value(device, "ID_VENDOR_FROM_DATABASE");
    if (vendor == nullptr) vendor = udev_device_get_property_value(device, "ID_VENDOR");
    const char* model = udev_device_get_property_value(device, "ID_MODEL_FROM_DATABASE");
    if (model == nullptr) model = udev_device_get_property_value(device, "ID_MODEL");
    char text[sizeof entry.description];
    std::snprintf(text, sizeof text, "%s%s%s", vendor ? vendor : "", vendor && model ? " " : "",
                  model ? model : "");
    std::replace(text, text + std::strlen(text), '_', ' ');
    dropPartialCharacter(text);
    copyText(entry.description, text[0] != '\0' ? text : plainDescription);
}

// Virtual consoles and the like have no parent device. The 8250 driver registers its ports
// whether or not a UART is behind them; those without one have type 0 and fail to open.
bool isHardwarePort(udev_device* device) {
    if (udev_device_get_parent(device) == nullptr) return false;
    const char* type = udev_device_get_sysattr_value(device, "type");
    return type == nullptr || std::strcmp(type, "0") != 0;
}

void addUdevPort(udev* context, const char* syspath, std::vector<PortEntry>& found) {
    udev_device* device = udev_device_new_from_syspath(context, syspath);
    if (device == nullptr) return;
    const char* node = udev_device_get_devnode(device);
    PortEntry entry{};
    if (node != nullptr && isHardwarePort(device) && copyText(entry.device, node)) {
        describe(device, entry);
        found.push_back(entry);
    }
    udev_device_unref(device);
}

// Without udev, or without /sys, this finds nothing and the ports folder still counts.
void addUdevPorts(std::vector<PortEntry>& found) {
    udev* context = udev_new();
    if (context == nullptr) return;
    udev_enumerate* scan = udev_enumerate_new(context);
    if (scan != nullptr && udev_enumerate_add_match_subsystem(scan, "tty") >= 0 &&
        udev_enumerate_scan_devices(scan) >= 0) {
        udev_list_entry* item;
        udev_list_entry_foreach(item, udev_enumerate_get_list_entry(scan)) {
            addUdevPort(context, udev_list_entry_get_name(item), found);
        }
    }
    udev_enumerate_unref(scan);
    udev_unref(context);
}

// An entry names the device it reaches; one udev did not report is listed on its own. Of two
// entries for one device the lower number is listed, whatever order the folder gives.
void addFolderPort(const char* name, std::vector<PortEntry>& found) {
    const long number = comNumber(name);
    char target[PATH_MAX];
    if (number < 0 || !reaches(name, target)) return;
    PortEntry* entry = findDevice(found, target);
    if (entry == nullptr) {
        PortEntry added{};
        if (!copyText(added.device, target)) return;
        copyText(added.description, folderDescription);
        found.push_back(added);
        entry = &found.back();
    } else if (entry->name[0] != '\0' && comNumber(entry->name) < number) {
        return;
    }
    copyText(entry->name, name);
}

void addFolderPorts(std::vector<PortEntry>& found) {
    char folder[portPathCapacity];
    if (!portsFolder(folder, sizeof folder)) return;
    DIR* dir = opendir(folder);
    if (dir == nullptr) return;
    while (const dirent* item = readdir(dir)) addFolderPort(item->d_name, found);
    closedir(dir);
}

// The fixed map's name counts only when it still leads here: an entry in the ports folder
// under that name takes it elsewhere (or nowhere), and the device is then left unnamed.
void nameByMap(PortEntry& entry) {
    const long number = defaultComNumber(entry.device);
    if (entry.name[0] != '\0' || number < 0) return;
    char name[32];
    char target[PATH_MAX];
    std::snprintf(name, sizeof name, "COM%ld", number);
    if (reaches(name, target) && std::strcmp(target, entry.device) == 0) copyText(entry.name, name);
}

}  // namespace

size_t listPorts(PortEntry* entries, size_t capacity) {
    std::vector<PortEntry> found;
    addUdevPorts(found);
    addFolderPorts(found);
    for (PortEntry& entry : found) nameByMap(entry);
    return keepFirstPorts(found.data(), found.size(), entries, capacity);
}

}  // namespace tarnwick
