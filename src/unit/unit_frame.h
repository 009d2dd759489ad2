#pragma once
// The unit's own frames. Every command and every answer begins on the line with the start
// mark 0x0A '!' 0xAA; the frames carry no checksum. A frame is built counted: frame[0] is
// the number L of bytes that go on the line, frame[1..L] the bytes.
#include <cstddef>
#include <cstdint>

namespace tarnwick {

constexpr uint8_t unitStartMark[3] = {0x0A, 0x21, 0xAA};

// Room for a counted frame, length byte included.
constexpr size_t unitFrameCapacity = 256;

// A read request carries five meaningful bytes but goes out as twelve: the unit has always
// received twelve, and the seven after the selector are zero, never bytes of an earlier send.
constexpr uint8_t readRequestLength = 12;

// Read selectors and write digits.
constexpr uint8_t periodSelector = 0x41;   // 'A'
constexpr uint8_t addressSelector = 0x40;
constexpr uint8_t periodDigit = '2';
constexpr uint8_t addressDigit = '1';
constexpr uint8_t phone1Slot = '0';
constexpr uint8_t phone2Slot = '1';
constexpr uint8_t smsPhoneSlot = '2';

// The read selector of each parameter row, in the rows' order; a telephone's is its slot digit.
constexpr uint8_t rowSelectors[] = {periodSelector, addressSelector, phone1Slot, phone2Slot, smsPhoneSlot};

// Longest telephone text a write accepts, so that a telephone frame stays within 29 bytes with
// its length byte.
constexpr size_t maxPhoneLength = 18;

// Answer positions, counted from the start mark.
constexpr size_t numberAnswerByte = 4;
constexpr size_t phoneAnswerStart = 7;

// Start mark, 'N', the selector, then zero bytes up to readRequestLength.
void buildReadRequest(uint8_t selector, uint8_t* frame);

// '0' 'A' 'T' 'D' 'P', the parameter digit, then the three digits as typed (L = 12). False,
// and nothing built, unless the text is exactly three characters '0'..'9'.
bool buildNumberWrite(uint8_t parameterDigit, const uint8_t* text, size_t count, uint8_t* frame);

// The slot digit, 'A' 'T' 'D' 'P', the text as typed, CR LF (L = 10 + count). False, and
// nothing built, when the text is longer than maxPhoneLength.
bool buildPhoneWrite(uint8_t slotDigit, const uint8_t* text, size_t count, uint8_t* frame);

// The unsigned value at the answer's byte 4 as three decimal digits, most significant first.
void numberAnswerDigits(const uint8_t* answer, uint8_t* digits);

// Length of the telephone text that starts at the answer's byte 7: it ends at the first CR,
// LF or zero byte after the start mark, or with the received bytes. A stop before byte 7
// leaves no text.
size_t phoneAnswerLength(const uint8_t* answer, size_t received);

}  // namespace tarnwick
