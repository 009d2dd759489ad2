// The parts of the port list that both operating systems share: its order and its lines.
#include "serial/port_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarnwick {

namespace {

const char emDash[] = "\xE2\x80\x94";

// Names are "COMn" by construction; compared by number, COM10 comes after COM9.
long portNumber(const PortEntry& entry) { return std::strtol(entry.name + 3, nullptr, 10); }

bool listedBefore(const PortEntry& a, const PortEntry& b) {
    const bool aNamed = a.name[0] != '\0';
    const bool bNamed = b.name[0] != '\0';
    if (aNamed != bNamed) return aNamed;
    if (aNamed && portNumber(a) != portNumber(b)) return portNumber(a) < portNumber(b);
    return std::strcmp(a.device, b.device) < 0;
}

}  // namespace

size_t keepFirstPorts(PortEntry* found, size_t count, PortEntry* entries, size_t capacity) {
    std::sort(found, found + count, listedBefore);
    const size_t kept = std::min(count, capacity);
    std::copy_n(found, kept, entries);
    return kept;
}

size_t formatPortEntry(const PortEntry& entry, char* line, size_t capacity) {
    if (capacity == 0) return 0;
    // The unnamed device cannot be opened as it is: the line says how to change that.
    const int n = entry.name[0] != '\0'
                      ? std::snprintf(line, capacity, "%s %s %s (%s)", entry.name, emDash,
                                      entry.description, entry.device)
                      : std::snprintf(line, capacity,
                                      "%s %s %s (no COMn name: name it in the ports folder)",
                                      entry.device, emDash, entry.description);
    // A cut line could end inside a UTF-8 sequence and name a device that is not there.
    if (n < 0 || static_cast<size_t>(n) >= capacity) {
        line[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n);
}

void listPortLines(PortListing* listing) {
    listing->count = listPorts(listing->entries, maxPorts);
    for (size_t i = 0; i < listing->count; ++i)
        formatPortEntry(listing->entries[i], listing->lines[i], portLineCapacity);
}

}  // namespace tarnwick
