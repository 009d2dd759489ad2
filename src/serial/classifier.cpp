#include "serial/classifier.h"

#include <cstring>

#include "base/app_state.h"
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

// What the status check's answers begin with. No prefix above begins "\r\n+", so none of
// these can stand for one of their bits.
const char* const statusPrefixes[] = {
    "\r\n+CPIN:", "\r\n+CSQ:",  "\r\n+CREG:", "\r\n+CGREG:",     "\r\n+COPS:",
    "\r\n+CGATT:", "\r\n+CRSM:", "\r\n+CMEE:", "\r\n+CME ERROR:",
};

constexpr char userPattern[] = "^SICS: 0,\"user\",\"";
constexpr char apnPattern[] = "^SICS: 0,\"apn\",\"";
constexpr char addressPattern[] = "^SISS: 9,\"address\",\"";

// "socktcp://" in front of the client address and ":65534" behind it.
constexpr size_t addressSchemeLength = 10;
constexpr size_t addressFrameLength = 16;

// A modem whose echo is on, as it is at power-up, sends each command line back in front of
// its answer: "AT..." or "+++" up to and including its CR, and the LF behind it if the modem
// echoes that too. Returns where the answer itself begins: 0 when the burst begins with no
// such echo, or when the echo's CR was not received.
size_t echoLength(const uint8_t* bytes, size_t received) {
    const bool command = (received >= 2 && std::memcmp(bytes, "AT", 2) == 0) ||
                         (received >= 3 && std::memcmp(bytes, "+++", 3) == 0);
    if (!command) return 0;
    const void* cr = std::memchr(bytes, '\r', received);
    if (cr == nullptr) return 0;
    size_t end = static_cast<const uint8_t*>(cr) - bytes + 1;
    if (end < received && bytes[end] == '\n') ++end;
    return end;
}

// The quoted value behind the first occurrence of `pattern` from `from` on. Not found when
// the pattern is absent, the value is empty, or its closing quote was not received: the
// field then stays as it was.
ByteRun findValue(const uint8_t* bytes, const char* pattern, size_t from, size_t received) {
    ByteRun value;
    const size_t patternLength = std::strlen(pattern);
    for (size_t i = from; i + patternLength <= received; ++i) {
        if (std::memcmp(bytes + i, pattern, patternLength) != 0) continue;
        const size_t start = i + patternLength;
        if (start >= received || bytes[start] == '"') return value;
        const void* quote = std::memchr(bytes + start, '"', received - start);
        if (quote == nullptr) return value;
        value.start = start;
        value.length = static_cast<const uint8_t*>(quote) - (bytes + start);
        value.found = true;
        return value;
    }
    return value;
}

ByteRun clientAddress(const uint8_t* bytes, size_t from, size_t received) {
    ByteRun value = findValue(bytes, addressPattern, from, received);
    if (!value.found) return value;
    // A value ending in '0' has always been read 16 bytes shorter; the value that the set-up
    // stores ends in ":65534" and is not affected.
    const size_t cut = bytes[value.start + value.length - 1] == '0' ? 2 * addressFrameLength
                                                                     : addressFrameLength;
    if (value.length < cut) return ByteRun{};
    value.start += addressSchemeLength;
    value.length -= cut;
    return value;
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// "\r\n" and a digit begins no other answer, so the serial number needs no prefix of its own
// in the table above; the digits run to the first byte that is none.
ByteRun serialNumber(const uint8_t* bytes, size_t start, size_t received) {
    ByteRun digits;
    if (received - start < 3 || bytes[start] != '\r' || bytes[start + 1] != '\n' || !isDigit(bytes[start + 2]))
        return digits;
    digits.start = start + 2;
    while (digits.start + digits.length < received && isDigit(bytes[digits.start + digits.length])) ++digits.length;
    digits.found = true;
    return digits;
}

bool statusAnswer(const uint8_t* bytes, size_t start, size_t received) {
    for (const char* prefix : statusPrefixes) {
        const size_t length = std::strlen(prefix);
        if (received - start >= length && std::memcmp(bytes + start, prefix, length) == 0) return true;
    }
    return false;
}

void putRaw(TextField& field, const uint8_t* bytes, size_t length) {
    field.useRaw();
    field.assign(bytes, static_cast<uint32_t>(length));
    field.show();
}

void putFound(TextField& field, const ByteRun& value) {
    if (value.found) putRaw(field, rxBuffer + value.start, value.length);
}

}  // namespace

BurstMeaning interpretBurst(const uint8_t* bytes, size_t received) {
    BurstMeaning meaning;
    const size_t start = echoLength(bytes, received);
    for (const Prefix& prefix : prefixes) {
        if (received - start < prefix.length) continue;
        if (std::memcmp(bytes + start, prefix.bytes, prefix.length) != 0) continue;
        meaning.bit = prefix.bit;
        meaning.answerStart = start;
        if (prefix.bit == sicsBit) {
            meaning.user = findValue(bytes, userPattern, start, received);
            meaning.apn = findValue(bytes, apnPattern, start, received);
        }
        if (prefix.bit == sissBit) meaning.address = clientAddress(bytes, start, received);
        return meaning;
    }
    meaning.identity = serialNumber(bytes, start, received);
    if (meaning.identity.found) {
        meaning.bit = identityBit;
        meaning.answerStart = start;
    } else if (statusAnswer(bytes, start, received)) {
        meaning.bit = statusBit;
        meaning.answerStart = start;
    }
    return meaning;
}

uint8_t classifyBurst() {
    // Only this burst's bytes count: what lies beyond rxCount is left over from an earlier one.
    const BurstMeaning meaning = interpretBurst(rxBuffer, rxCount);
    putFound(userField, meaning.user);
    putFound(apnField, meaning.apn);
    putFound(ipAddressField, meaning.address);
    responseStatus |= meaning.bit;
    rxCount = 0;
    return meaning.bit;
}

}  // namespace tarnwick
