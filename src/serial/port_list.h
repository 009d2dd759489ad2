#pragma once
// The serial ports present now, for the engineer who has to find which name the adapter just
// plugged in got. Plain fixed-size records, so that the Qt menu, the Win32 menu and the
// command line can all hold a listing in an array without sharing any container type.
#include <cstddef>

namespace tarnwick {

struct PortEntry {
    // The name the program opens the port by ("COM5"); empty when no COMn name reaches the
    // device, which is then still listed so that the engineer sees it exists.
    char name[16];
    // Where the name leads: "/dev/ttyUSB0", "/dev/pts/3" or "\\.\COM5".
    char device[256];
    // UTF-8, what the system knows of the hardware: "FTDI FT232R USB UART".
    char description[160];
};

// Enough for any machine a service engineer takes to the field.
constexpr size_t maxPorts = 64;

// Room for any formatted entry: both texts, the name and the longest decoration.
constexpr size_t portLineCapacity = 512;

// Fills at most `capacity` entries and returns how many. Named ports come first by number,
// then the unnamed ones by device; with more ports than room, the first ones in that order
// are kept. Looks at the system each time: a listing is not remembered.
size_t listPorts(PortEntry* entries, size_t capacity);

// One line as the menu and the command line show it, in UTF-8:
//   "COM5 — FTDI FT232R USB UART (/dev/ttyUSB0)"
//   "/dev/ttyAMA0 — serial port (no COMn name: name it in the ports folder)"
// Returns its length, or 0 with an empty line when it does not fit; portLineCapacity always
// suffices.
size_t formatPortEntry(const PortEntry& entry, char* line, size_t capacity);

// The ports present as every program shows them (the menus Tools > Ports, --list-ports,
// tarnwick-cli ports): each entry with its line. A port without a COMn name is listed but
// cannot be chosen.
struct PortListing {
    size_t count;
    PortEntry entries[maxPorts];
    char lines[maxPorts][portLineCapacity];
};
void listPortLines(PortListing* listing);
inline bool portChoosable(const PortEntry& entry) { return entry.name[0] != '\0'; }

// What a listing says when it has no port; a menu shows it greyed, in parentheses.
constexpr char noPortFoundText[] = "no serial port found";

// For the implementations of listPorts(): sorts the `count` ports found into its order and
// copies as many as `capacity` allows to `entries`; returns how many.
size_t keepFirstPorts(PortEntry* found, size_t count, PortEntry* entries, size_t capacity);

}  // namespace tarnwick
