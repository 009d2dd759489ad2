// Frame building on its own, where a frame buffer full of old bytes shows what is not set.
#include "unit/unit_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace tarnwick;

namespace {

std::string counted(const uint8_t* frame) {
    return std::string(reinterpret_cast<const char*>(frame + 1), frame[0]);
}

TEST(UnitFrameTest, AReadRequestSetsAllTwelveBytes) {
    uint8_t frame[unitFrameCapacity];
    std::memset(frame, 0xEE, sizeof frame);
    buildReadRequest(addressSelector, frame);
    EXPECT_EQ(counted(frame), std::string("\x0A\x21\xAA" "N\x40", 5) + std::string(7, '\0'));
}

TEST(UnitFrameTest, RefusedWritesLeaveTheFrameAlone) {
    uint8_t frame[unitFrameCapacity];
    std::memset(frame, 0xEE, sizeof frame);
    const uint8_t* twoDigits = reinterpret_cast<const uint8_t*>("12");
    const uint8_t* phone19 = reinterpret_cast<const uint8_t*>("1234567890123456789");
    EXPECT_FALSE(buildNumberWrite(periodDigit, twoDigits, 2, frame));
    EXPECT_FALSE(buildPhoneWrite(phone1Slot, phone19, 19, frame));
    for (uint8_t b : frame) ASSERT_EQ(b, 0xEE);
    EXPECT_TRUE(buildPhoneWrite(phone1Slot, phone19, 18, frame));
    EXPECT_EQ(frame[0], 28);
}

TEST(UnitFrameTest, TelephoneTextStopsAtTheReceivedCount) {
    uint8_t answer[32];
    std::memset(answer, '5', sizeof answer);
    std::memcpy(answer, "\x0A\x21\xAA" "abcd", 7);
    EXPECT_EQ(phoneAnswerLength(answer, 12), 5u);
    EXPECT_EQ(phoneAnswerLength(answer, 7), 0u);
    EXPECT_EQ(phoneAnswerLength(answer, 3), 0u);
    answer[9] = 0;
    EXPECT_EQ(phoneAnswerLength(answer, 32), 2u);
}

}  // namespace
