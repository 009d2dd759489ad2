#include "serial/classifier.h"

#include <cstring>

#include "app/app_state.h"
#include "serial/buffers.h"

namespace tarnwick {

namespace {

struct Prefix {
    const char* bytes;
    size_t length;
    uint8_t bit;
};

// At most one of these can begin a burst, so their order does not matter.
const Prefix prefixes[] = {
    {"\x0A\x21\xAA", 3, frameBit},
    {"\r\n\r\nOK\r\n", 8, blankOkBit},
    {"\r\nOK\r\n", 6, okBit},
    {"\r\nERROR\r\n", 9, errorBit},
    {"\r\n^SICS:", 8, sicsBit},
    {"\r\n^SISS:", 8, sissBit},
};

constexpr char userPattern[] = "^SICS: 0,\"user\",\"";
constexpr char apnPattern[] = "^SICS: 0,\"apn\",\"";
constexpr char addressPattern[] = "^SISS: 9,\"address\",\"";

// "socktcp://" in front of the client address and ":65534" behind it.
constexpr size_t addressSchemeLength = 10;
constexpr size_t addressFrameLength = 16;

struct Value {
    size_t start;
    size_t length;
};

// A modem whose echo is on, as it is at power-up, sends each command line back in front of
// its answer: "AT..." or "+++" up to and including its CR, and the LF behind it if the modem
// echoes that too. Returns where the answer itself begins: 0 when the burst begins with no
// such echo, or when the echo's CR was not received.
size_t echoLength(size_t received) {
    const bool command = (received >= 2 && std::memcmp(rxBuffer, "AT", 2) == 0) ||
                         (received >= 3 && std::memcmp(rxBuffer, "+++", 3) == 0);
    if (!command) return 0;
    const void* cr = std::memchr(rxBuffer, '\r', received);
    if (cr == nullptr) return 0;
    size_t end = static_cast<const uint8_t*>(cr) - rxBuffer + 1;
    if (end < received && rxBuffer[end] == '\n') ++end;
    return end;
}

// Finds the first occurrence of `pattern` within the received bytes from `from` on and the
// quoted value behind it. False when the pattern is absent, the value is empty, or its
// closing quote was not received: the caller then leaves its field as it was.
bool findValue(const char* pattern, size_t from, size_t received, Value* value) {
    const size_t patternLength = std::strlen(pattern);
    for (size_t i = from; i + patternLength <= received; ++i) {
        if (std::memcmp(rxBuffer + i, pattern, patternLength) != 0) continue;
        const size_t start = i + patternLength;
        if (start >= received || rxBuffer[start] == '"') return false;
        const void* quote = std::memchr(rxBuffer + start, '"', received - start);
        if (quote == nullptr) return false;
        value->start = start;
        value->length = static_cast<const uint8_t*>(quote) - (rxBuffer + start);
        return true;
    }
    return false;
}

void putRaw(TextField& field, const uint8_t* bytes, size_t length) {
    field.useRaw();
    field.assign(bytes, static_cast<uint32_t>(length));
    field.show();
}

void copyConnectionValues(size_t from, size_t received) {
    Value value;
    if (findValue(userPattern, from, received, &value))
        putRaw(userField, rxBuffer + value.start, value.length);
    if (findValue(apnPattern, from, received, &value))
        putRaw(apnField, rxBuffer + value.start, value.length);
}

void copyClientAddress(size_t from, size_t received) {
    Value value;
    if (!findValue(addressPattern, from, received, &value)) return;
    // A value ending in '0' has always been read 16 bytes shorter; the value that the set-up
    // stores ends in ":65534" and is not affected.
    const size_t cut = rxBuffer[value.start + value.length - 1] == '0' ? 2 * addressFrameLength
                                                                        : addressFrameLength;
    if (value.length < cut) return;
    putRaw(ipAddressField, rxBuffer + value.start + addressSchemeLength, value.length - cut);
}

}  // namespace

void classifyBurst() {
    // Only this burst's bytes count: what lies beyond rxCount is left over from an earlier one.
    const size_t received = rxCount;
    const size_t start = echoLength(received);
    for (const Prefix& prefix : prefixes) {
        if (received - start < prefix.length) continue;
        if (std::memcmp(rxBuffer + start, prefix.bytes, prefix.length) != 0) continue;
        if (prefix.bit == sicsBit) copyConnectionValues(start, received);
        if (prefix.bit == sissBit) copyClientAddress(start, received);
        responseStatus |= prefix.bit;
        break;
    }
    rxCount = 0;
}

}  // namespace tarnwick
