#include "serial/burst.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "app/tick.h"
#include "base/app_state.h"
#include "fakes.h"
#include "serial/buffers.h"
#include "serial/quiet_timer.h"
#include "serial/send_queue.h"

using namespace tarnwick;

namespace {

void append(const std::string& bytes) {
    appendReceived(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

class BurstTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        fake::resetQuietTimer();
        fake::resetLink();
        fake::resetPort();
        userField.createEdit(0, 0, 200, 20, fake::window(), 3023);
        fake::nowMs = 1000;
    }

    // What the window thread does when the fake timer's due time comes.
    void expireAt(uint32_t ms) {
        fake::nowMs = ms;
        quietTimerExpired();
    }
};

TEST_F(BurstTest, FirstChunkStartsTheBurstFromZeroAndArmsTheTimerOnce) {
    rxCount = 17;  // left over from a burst that was never classified
    append("\r\nO");
    EXPECT_EQ(rxCount, 3u);
    EXPECT_TRUE(fake::quietArmed);
    EXPECT_EQ(fake::quietDueMs, 1200u);
    fake::nowMs = 1100;
    append("K\r\n");
    EXPECT_EQ(rxCount, 6u);
    EXPECT_EQ(fake::quietRequests, 1);
    EXPECT_TRUE(burstInProgress());
}

TEST_F(BurstTest, BurstEndsOnlyAfter200msWithoutAByte) {
    append("\r\nOK");
    fake::nowMs = 1150;
    append("\r\n");
    expireAt(1200);  // the first arming comes due, but the line was busy 50 ms ago
    EXPECT_EQ(responseStatus, 0);
    EXPECT_TRUE(burstInProgress());
    EXPECT_TRUE(fake::quietArmed);
    EXPECT_EQ(fake::quietDueMs, 1350u) << "re-armed for the 150 ms still missing";

    expireAt(1349);
    EXPECT_EQ(responseStatus, 0);
    expireAt(fake::quietDueMs);
    EXPECT_EQ(responseStatus, okBit);
    EXPECT_FALSE(burstInProgress());
    EXPECT_FALSE(fake::quietArmed);
    EXPECT_EQ(rxCount, 0u);
}

TEST_F(BurstTest, TwoAnswersCloseTogetherAreOneBurstClassifiedByTheFirst) {
    append("\r\nERROR\r\n");
    fake::nowMs = 1199;
    append("\r\nOK\r\n");
    expireAt(1399);
    EXPECT_EQ(responseStatus, errorBit) << "only the start of the burst counts";
}

// A timer request lost on its way to the window thread must not stop classification for
// good: the tick asks again once the line has been quiet for twice the quiet time.
TEST_F(BurstTest, TheTickRearmsATimerWhoseRequestWasLost) {
    append("\r\nOK\r\n");
    stopQuietTimer();  // the request never arrived
    fake::nowMs = 1399;
    rearmStalledBurst();
    EXPECT_FALSE(fake::quietArmed) << "within twice the quiet time a timer may still come";
    fake::nowMs = 1400;
    mainTick();
    ASSERT_TRUE(fake::quietArmed);
    expireAt(fake::quietDueMs);
    EXPECT_EQ(responseStatus, okBit);
    EXPECT_FALSE(burstInProgress());
    mainTick();
    EXPECT_EQ(fake::quietRequests, 2) << "nothing to ask for once the burst is classified";
}

TEST_F(BurstTest, StaleExpiryDoesNothing) {
    expireAt(5000);
    EXPECT_EQ(responseStatus, 0);
    fake::deliverBurst("\r\nOK\r\n");
    responseStatus = 0;
    expireAt(9000);  // a second expiry for the same burst
    EXPECT_EQ(responseStatus, 0);
}

TEST_F(BurstTest, OverflowKeepsTheFirst600BytesAndStillExtendsTheBurst) {
    const std::string first(450, 'a');
    const std::string second(300, 'b');
    append(first);
    fake::nowMs = 1100;
    append(second);
    EXPECT_EQ(rxCount, 600u);
    fake::nowMs = 1250;
    append("ccc");  // dropped, but the line is still busy
    EXPECT_EQ(rxCount, 600u);
    expireAt(1300);
    EXPECT_TRUE(burstInProgress());

    uint8_t copy[rxBufferSize];
    expireAt(1450);
    EXPECT_FALSE(burstInProgress());
    EXPECT_EQ(copyLastBurst(copy), 600u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(copy), 600), first + second.substr(0, 150));
}

TEST_F(BurstTest, LastBurstSurvivesTheNextOne) {
    const std::string answer("\x0A\x21\xAA\x40\x2A\x00\x00", 7);
    fake::deliverBurst(answer);
    EXPECT_EQ(responseStatus, frameBit);
    append("\r\nOK\r\n");  // the next burst starts before the job reads its answer
    uint8_t copy[rxBufferSize];
    EXPECT_EQ(copyLastBurst(copy), 7u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(copy), 7), answer);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rxBuffer), 6), "\r\nOK\r\n");
}

TEST_F(BurstTest, EmptyChunkIsIgnored) {
    appendReceived(nullptr, 0);
    EXPECT_FALSE(burstInProgress());
    EXPECT_EQ(fake::quietRequests, 0);
}

TEST_F(BurstTest, ChunkArrivingDuringClassificationOpensTheNextBurst) {
    // The classifier shows the user value; at that moment the reader delivers a new chunk.
    std::thread reader;
    fake::onSetText = [&](fake::Control*) {
        if (!reader.joinable()) reader = std::thread([] { append("\r\nOK\r\n"); });
    };
    fake::deliverBurst("\r\n^SICS: 0,\"user\",\"u1\"\r\n");
    reader.join();
    EXPECT_EQ(responseStatus, sicsBit) << "the chunk did not join the classified burst";
    EXPECT_EQ(fake::controlById(3023)->text, "u1");
    EXPECT_TRUE(burstInProgress());
    EXPECT_EQ(rxCount, 6u);
    fake::nowMs += quietMs;
    quietTimerExpired();
    EXPECT_EQ(responseStatus, sicsBit | okBit);
}

class SendQueueTest : public BurstTest {};

std::string take() {
    uint8_t bytes[255];
    const int n = takePendingSend(bytes);
    return n < 0 ? std::string("<none>") : std::string(reinterpret_cast<char*>(bytes), n);
}

void fill(const std::string& bytes) {
    txBuffer[0] = static_cast<uint8_t>(bytes.size());
    std::memcpy(txBuffer + 1, bytes.data(), bytes.size());
}

TEST_F(SendQueueTest, EachCallIsOneWholeSendEvenWhenTheBufferIsRefilledAtOnce) {
    writerRunning = 1;
    fill("AT&W\r\n");
    sendTxBuffer();
    fill("ATE0\r\n");
    sendTxBuffer();
    fill("AB");
    EXPECT_EQ(fake::wakeCount, 2);
    EXPECT_EQ(take(), "AT&W\r\n");
    EXPECT_EQ(take(), "ATE0\r\n");
    EXPECT_EQ(take(), "<none>");
}

TEST_F(SendQueueTest, ExactlyNBytesWhateverFollowsThem) {
    writerRunning = 1;
    std::memset(txBuffer, 'z', sizeof txBuffer);
    txBuffer[0] = 3;
    sendTxBuffer();
    EXPECT_EQ(take(), "zzz");
    txBuffer[0] = 255;
    sendTxBuffer();
    EXPECT_EQ(take(), std::string(255, 'z'));
}

TEST_F(SendQueueTest, NothingIsQueuedWithoutAWriterOrForZeroBytes) {
    fill("ATE0\r\n");
    sendTxBuffer();
    EXPECT_EQ(take(), "<none>");
    EXPECT_EQ(fake::wakeCount, 0);
    writerRunning = 1;
    txBuffer[0] = 0;
    sendTxBuffer();
    EXPECT_EQ(take(), "<none>");
}

TEST_F(SendQueueTest, StuckLineDropsTheOldestSendFirst) {
    writerRunning = 1;
    for (int i = 0; i < 20; ++i) {
        fill(std::string(1, static_cast<char>('a' + i)));
        sendTxBuffer();
    }
    EXPECT_EQ(take(), "e") << "the four oldest gave way";
    for (int i = 5; i < 20; ++i) EXPECT_EQ(take(), std::string(1, static_cast<char>('a' + i)));
    EXPECT_EQ(take(), "<none>");
    fill("x");
    sendTxBuffer();
    clearPendingSends();
    EXPECT_EQ(take(), "<none>");
}

}  // namespace
