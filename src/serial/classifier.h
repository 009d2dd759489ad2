#pragma once
#include <cstddef>
#include <cstdint>

namespace tarnwick {

// A burst that begins with an empty line and a digit: the serial number a modem gives to
// AT+CGSN. The twelve jobs never send that command and never look at this bit.
constexpr uint8_t identityBit = 0x40;

// A burst that begins with the information line of a standard status command (+CPIN:, +CSQ:,
// +CREG:, +CGREG:, +COPS:, +CGATT:, +CRSM:, +CMEE:) or with a +CME ERROR. Only the status
// check sends those commands and looks at this bit; the twelve jobs never do.
constexpr uint8_t statusBit = 0x80;

// A run of bytes within a burst: where it starts and how long it is.
struct ByteRun {
    size_t start = 0;
    size_t length = 0;
    bool found = false;
};

// What a burst means, read from its bytes alone: the response bit its start stands for (0 for
// none), where the answer begins behind the echo of a command line, and the values a listing
// carries for the modem panel.
struct BurstMeaning {
    uint8_t bit = 0;
    size_t answerStart = 0;
    ByteRun user;     // a ^SICS listing's user of connection profile 0
    ByteRun apn;      // ... and its APN
    ByteRun address;  // a ^SISS listing's client address of service profile 9, scheme and port cut
    ByteRun identity; // a serial number's digits
};

// Looks only at the `received` bytes; nothing beyond them is read.
BurstMeaning interpretBurst(const uint8_t* bytes, size_t received);

// Looks at how the burst in the receive buffer begins, sets its response bit, copies the user,
// APN and client address values of modem answers into the modem panel and resets rxCount,
// leaving the bytes in place. Returns the bit it set, 0 for none. Called with the receive lock
// held, on the window thread.
uint8_t classifyBurst();

}  // namespace tarnwick
