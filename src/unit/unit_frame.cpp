#include "unit/unit_frame.h"

#include <cstring>

namespace tarnwick {

namespace {

constexpr uint8_t writeHead[4] = {'A', 'T', 'D', 'P'};

// Start mark at frame[1..3]; returns where the body begins.
uint8_t* startFrame(uint8_t* frame) {
    std::memcpy(frame + 1, unitStartMark, sizeof unitStartMark);
    return frame + 1 + sizeof unitStartMark;
}

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

}  // namespace

void buildReadRequest(uint8_t selector, uint8_t* frame) {
    std::memset(frame, 0, 1u + readRequestLength);
    frame[0] = readRequestLength;
    uint8_t* body = startFrame(frame);
    body[0] = 'N';
    body[1] = selector;
}

bool buildNumberWrite(uint8_t parameterDigit, const uint8_t* text, size_t count, uint8_t* frame) {
    if (count != 3 || !isDigit(text[0]) || !isDigit(text[1]) || !isDigit(text[2])) return false;
    uint8_t* body = startFrame(frame);
    body[0] = '0';
    std::memcpy(body + 1, writeHead, sizeof writeHead);
    body[5] = parameterDigit;
    std::memcpy(body + 6, text, 3);
    frame[0] = 12;
    return true;
}

bool buildPhoneWrite(uint8_t slotDigit, const uint8_t* text, size_t count, uint8_t* frame) {
    if (count > maxPhoneLength) return false;
    uint8_t* body = startFrame(frame);
    body[0] = slotDigit;
    std::memcpy(body + 1, writeHead, sizeof writeHead);
    if (count > 0) std::memcpy(body + 5, text, count);
    body[5 + count] = 0x0D;
    body[6 + count] = 0x0A;
    frame[0] = static_cast<uint8_t>(10 + count);
    return true;
}

void numberAnswerDigits(const uint8_t* answer, uint8_t* digits) {
    const uint8_t value = answer[numberAnswerByte];
    digits[0] = static_cast<uint8_t>('0' + value / 100);
    digits[1] = static_cast<uint8_t>('0' + value / 10 % 10);
    digits[2] = static_cast<uint8_t>('0' + value % 10);
}

size_t phoneAnswerLength(const uint8_t* answer, size_t received) {
    size_t stop = sizeof unitStartMark;
    while (stop < received && answer[stop] != 0x0D && answer[stop] != 0x0A && answer[stop] != 0)
        ++stop;
    return stop > phoneAnswerStart ? stop - phoneAnswerStart : 0;
}

}  // namespace tarnwick
