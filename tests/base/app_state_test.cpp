#include "base/app_state.h"

#include <gtest/gtest.h>

#include "base/cp1251.h"

using namespace tarnwick;

namespace {

TEST(Deadline, PassesOnlyAfterItsTick) {
    const int32_t deadline = deadlineAfter(100, 60);
    EXPECT_FALSE(deadlinePassed(deadline, 100));
    EXPECT_FALSE(deadlinePassed(deadline, 160));
    EXPECT_TRUE(deadlinePassed(deadline, 161));
}

TEST(Deadline, SurvivesTheSignedAndTheUnsignedWrap) {
    // Set just before tickCount passes 2147483647 -> 2147483648 (negative as a signed tick).
    const uint32_t nearSignedEdge = 2147483647u - 10;
    const int32_t d1 = deadlineAfter(nearSignedEdge, 60);
    EXPECT_FALSE(deadlinePassed(d1, nearSignedEdge + 59));
    EXPECT_FALSE(deadlinePassed(d1, nearSignedEdge + 60));
    EXPECT_TRUE(deadlinePassed(d1, nearSignedEdge + 61));

    // Set just before tickCount wraps from 4294967295 to 0.
    const uint32_t nearWrap = 4294967295u - 5;
    const int32_t d2 = deadlineAfter(nearWrap, 20);
    EXPECT_FALSE(deadlinePassed(d2, nearWrap + 20));  // wrapped to 14
    EXPECT_TRUE(deadlinePassed(d2, nearWrap + 21));
}

TEST(AppState, ResetReturnsEverythingToItsStartValues) {
    tickCount = 55;
    smsPhoneWriteJob.trigger = 1;
    modemSetupJob.state = 7;
    portHandle = 3;
    writerRunning = 1;
    apnField.useDisplay();
    apnField.assign("x");
    resetAppState();
    EXPECT_EQ(tickCount, 0u);
    for (Job* job : allJobs) {
        EXPECT_EQ(job->trigger, 0);
        EXPECT_EQ(job->state, 0);
    }
    EXPECT_EQ(portHandle, invalidPort);
    EXPECT_EQ(writerRunning, 0);
    EXPECT_TRUE(apnField.rawSelected());
    apnField.useDisplay();
    EXPECT_EQ(apnField.size(), 0u);
}

TEST(AppState, JobTableFollowsTheStepOrder) {
    EXPECT_EQ(allJobs[modemQueryIndex], &modemQueryJob);
    EXPECT_EQ(allJobs[modemSetupIndex], &modemSetupJob);
    EXPECT_EQ(allJobs[periodReadIndex], &periodReadJob);
    EXPECT_EQ(allJobs[addressWriteIndex], &addressWriteJob);
    EXPECT_EQ(allJobs[phone2ReadIndex], &phone2ReadJob);
    EXPECT_EQ(allJobs[smsPhoneWriteIndex], &smsPhoneWriteJob);
}

TEST(Cp1251, CyrillicAndPunctuationMapBothWays) {
    EXPECT_EQ(cp1251ToUnicode(0xC0), 0x0410);  // А
    EXPECT_EQ(cp1251ToUnicode(0xFF), 0x044F);  // я
    EXPECT_EQ(cp1251ToUnicode(0xA8), 0x0401);  // Ё
    EXPECT_EQ(cp1251ToUnicode(0xB8), 0x0451);  // ё
    EXPECT_EQ(cp1251ToUnicode(0x95), 0x2022);  // the bullet shown for control bytes
    EXPECT_EQ(cp1251ToUnicode(0xB9), 0x2116);  // №
    EXPECT_EQ(cp1251ToUnicode('A'), 'A');
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue;  // no character there
        EXPECT_EQ(unicodeToCp1251(cp1251ToUnicode(static_cast<uint8_t>(b))), b) << b;
    }
    EXPECT_EQ(unicodeToCp1251(0x00E9), -1);  // é is not in the code page
}

TEST(Cp1251, Utf8ConversionStopsBeforeACharacterThatDoesNotFit) {
    const uint8_t text[] = {0xCA, 'x', 0x95};  // К x •
    char out[8];
    EXPECT_EQ(cp1251ToUtf8(text, 3, out, sizeof out), 6u);
    EXPECT_EQ(std::string(out, 6), "\xD0\x9A" "x" "\xE2\x80\xA2");
    EXPECT_EQ(cp1251ToUtf8(text, 3, out, 5), 3u);
}

}  // namespace
