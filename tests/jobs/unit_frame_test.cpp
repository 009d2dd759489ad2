// A read request built over a frame buffer full of old bytes: every byte it sends is set.
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

}  // namespace
