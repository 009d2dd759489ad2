// The serial ports on Windows: the COMn devices defined now, each described by the driver's
// device that the registry's SERIALCOMM map puts behind it. Both come from KERNEL32 and
// ADVAPI32, which every Windows has, so tarnwick.exe still needs nothing installed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "serial/port_list.h"

namespace tarnwick {

namespace {

const char plainDescription[] = "serial port";

// The names Windows opens as COM ports: "COM" and a number without leading zeros. Other
// drivers' devices ("CNCA0", "COMMON") share the list.
bool isComName(const char* name) {
    if (std::strncmp(name, "COM", 3) != 0 || name[3] < '1' || name[3] > '9') return false;
    for (const char* digit = name + 4; *digit != '\0'; ++digit)
        if (*digit < '0' || *digit > '9') return false;
    return std::strlen(name) < sizeof PortEntry::name;
}

PortEntry* findName(std::vector<PortEntry>& found, const char* name) {
    for (PortEntry& entry : found)
        if (std::strcmp(entry.name, name) == 0) return &entry;
    return nullptr;
}

// Every DOS device name, NUL-separated. With many volumes and drivers the list outgrows any
// fixed buffer, so it grows until it fits; the zeroed last byte ends it in every case.
std::vector<char> dosDeviceNames() {
    for (size_t size = 16 * 1024; size <= 16 * 1024 * 1024; size *= 2) {
        std::vector<char> names(size, '\0');
        if (QueryDosDeviceA(nullptr, names.data(), static_cast<DWORD>(size - 1)) != 0)
            return names;
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER && error != ERROR_MORE_DATA) break;
    }
    return std::vector<char>(2, '\0');
}

void addPort(const char* name, std::vector<PortEntry>& found) {
    if (!isComName(name) || findName(found, name) != nullptr) return;
    PortEntry entry{};
    std::snprintf(entry.name, sizeof entry.name, "%s", name);
    std::snprintf(entry.device, sizeof entry.device, "\\\\.\\%s", name);
    std::snprintf(entry.description, sizeof entry.description, "%s", plainDescription);
    found.push_back(entry);
}

// SERIALCOMM holds one value a port: its name is the driver's device ("\Device\Serial0",
// "\Device\VCP0"), its data the COM name. Kernel device names are ASCII, so the ANSI call
// gives UTF-8 as it is.
void describeFromRegistry(std::vector<PortEntry>& found) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        char device[sizeof PortEntry::description];
        BYTE name[sizeof PortEntry::name];
        DWORD deviceLength = sizeof device;
        DWORD nameSize = sizeof name - 1;
        DWORD type = 0;
        const LONG result =
            RegEnumValueA(key, index, device, &deviceLength, nullptr, &type, name, &nameSize);
        // A value too long for the fields names no port this program opens.
        if (result == ERROR_MORE_DATA) continue;
        if (result != ERROR_SUCCESS) break;
        name[nameSize] = '\0';
        PortEntry* entry = type == REG_SZ ? findName(found, reinterpret_cast<char*>(name)) : nullptr;
        if (entry != nullptr)
            std::snprintf(entry->description, sizeof entry->description, "%s", device);
    }
    RegCloseKey(key);
}

}  // namespace

size_t listPorts(PortEntry* entries, size_t capacity) {
    std::vector<PortEntry> found;
    const std::vector<char> names = dosDeviceNames();
    for (const char* name = names.data(); *name != '\0'; name += std::strlen(name) + 1)
        addPort(name, found);
    describeFromRegistry(found);
    return keepFirstPorts(found.data(), found.size(), entries, capacity);
}

}  // namespace tarnwick
