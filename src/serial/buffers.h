#pragma once
// The buffers that the window thread shares with the reader and writer threads.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

// Byte 0 is the number n of bytes to send, bytes 1..n the bytes. Filled by the jobs on the
// window thread; sendTxBuffer hands a copy to the writer, so a job may refill it at once.
constexpr size_t txBufferSize = 256;
extern uint8_t txBuffer[txBufferSize];

// Received bytes of the current burst from position 0. The bytes stay when the count is reset:
// the unit jobs read an answer in place after the classifier has seen it.
constexpr size_t rxBufferSize = 600;
extern uint8_t rxBuffer[rxBufferSize];
extern uint32_t rxCount;

// Response bits: set by the classifier, tested and cleared by the jobs.
extern uint8_t responseStatus;
// Each is looked for at the start of the burst, or right behind the echo of a command line.
constexpr uint8_t okBit = 0x01;       // "\r\nOK\r\n"
constexpr uint8_t blankOkBit = 0x02;  // "\r\n\r\nOK\r\n"
constexpr uint8_t sicsBit = 0x04;     // "\r\n^SICS:"
constexpr uint8_t sissBit = 0x08;     // "\r\n^SISS:"
constexpr uint8_t errorBit = 0x10;    // "\r\nERROR\r\n"
constexpr uint8_t frameBit = 0x20;    // 0x0A 0x21 0xAA, a unit answer

}  // namespace tarnwick
