// The whole serial link in real time: the POSIX port with its reader and writer threads, the
// burst assembly and the classifier on a headless window thread, and the simulated device on
// the other end of a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <thread>

#include "app/layout.h"
#include "base/app_state.h"
#include "devsim.h"
#include "fakes.h"
#include "headless_loop.h"
#include "line_helpers.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/port.h"
#include "serial/send_queue.h"

using namespace tarnwick;

namespace {

// The link's shared state as at program start: no burst, no queued send, zero buffers.
void resetLink() {
    tarnwick::resetBursts();
    tarnwick::clearPendingSends();
    std::memset(tarnwick::txBuffer, 0, tarnwick::txBufferSize);
    std::memset(tarnwick::rxBuffer, 0, tarnwick::rxBufferSize);
    tarnwick::rxCount = 0;
    tarnwick::responseStatus = 0;
}

// Puts `bytes` into the TxBuffer as a sender does: length byte, then the bytes.
void fillTx(const std::string& bytes) {
    tarnwick::txBuffer[0] = static_cast<uint8_t>(bytes.size());
    std::memcpy(tarnwick::txBuffer + 1, bytes.data(), bytes.size());
}

// Generous: the sanitizer builds run these on a busy machine.
constexpr int answerMs = 5000;

class LinkTest : public ::testing::Test {
protected:
    std::unique_ptr<devsim::Device> device = std::make_unique<devsim::Device>();

    void SetUp() override {
        fake::reset();
        resetLink();
        headless::reset();
        ipAddressField.createEdit(0, 0, 200, 22, fake::window(), idIpAddress);
        ASSERT_TRUE(device->ok());
        ASSERT_EQ(openPort(device->slavePath().c_str(), 9600, portHandle), 0);
        startPortThreads();
    }

    void TearDown() override { closeLink(); }

    // What "Close the Port" does.
    void closeLink() {
        stopPortThreads();
        if (portHandle != invalidPort) closePort(portHandle);
        portHandle = invalidPort;
    }

    void setEcho(bool on) {
        devsim::ModemState modem = device->modem();
        modem.echo = on;
        device->setModem(modem);
    }

    void send(const std::string& bytes) {
        fillTx(bytes);
        sendTxBuffer();
    }

    // Runs the window thread until a burst has been classified and none is being collected.
    bool classified(int expiriesBefore = 0) {
        return headless::runLoop(
            [&] { return headless::quietExpiries() > expiriesBefore && !burstInProgress(); },
            answerMs);
    }

    std::string lastBurst() {
        uint8_t bytes[rxBufferSize];
        const size_t count = copyLastBurst(bytes);
        return std::string(reinterpret_cast<char*>(bytes), count);
    }
};

// --- sending ------------------------------------------------------------------------------

// Each send is a copy taken when it is made, so a sender may refill the TxBuffer at once;
// none is lost, doubled, torn or cut short by the purge in front of the next one.
TEST_F(LinkTest, SendsMadeBackToBackArriveWholeAndInOrder) {
    devsim::Faults faults;
    faults.silent = true;
    device->setFaults(faults);
    std::string expected;
    for (int i = 0; i < 12; ++i) {
        std::string command = "AT+N" + std::to_string(i) + "=";
        command.append(static_cast<size_t>(i * 20), static_cast<char>('a' + i));
        command += "\r\n";
        expected += command;
        send(command);
    }
    ASSERT_TRUE(device->waitForBytes(expected.size(), answerMs));
    EXPECT_FALSE(device->waitForBytes(expected.size() + 1, 200));
    EXPECT_EQ(device->received(), expected);
}

TEST_F(LinkTest, AnEmptyTxBufferSendsNothing) {
    send("");
    EXPECT_FALSE(device->waitForBytes(1, 300));
    send("AT\r");
    ASSERT_TRUE(device->waitForBytes(3, answerMs));
    EXPECT_FALSE(device->waitForBytes(4, 200));
    EXPECT_EQ(device->received(), "AT\r");
}

TEST_F(LinkTest, AFullLengthSendGoesOutExactly) {
    std::string frame("\x0A\x21\xAA" "0ATDP", 8);
    frame.append(245, '7');
    frame += "\r\n";
    ASSERT_EQ(frame.size(), 255u);
    send(frame);
    ASSERT_TRUE(device->waitForBytes(255, answerMs));
    EXPECT_EQ(device->received(), frame);
    EXPECT_EQ(device->unit().phone[0], std::string(245, '7'));
}

// --- receiving ----------------------------------------------------------------------------

TEST_F(LinkTest, AnswersLessThan200msApartAreOneBurstClassifiedByItsStart) {
    device->sendRaw("\r\nOK\r\n");
    headless::runFor(80);
    device->sendRaw("\r\nERROR\r\n");
    ASSERT_TRUE(classified());
    EXPECT_EQ(responseStatus, okBit);
    EXPECT_EQ(lastBurst(), "\r\nOK\r\n\r\nERROR\r\n");
}

TEST_F(LinkTest, AnswersFurtherApartAreTwoBursts) {
    device->sendRaw("\r\nOK\r\n");
    ASSERT_TRUE(classified());
    EXPECT_EQ(lastBurst(), "\r\nOK\r\n");
    device->sendRaw("\r\nERROR\r\n");
    ASSERT_TRUE(classified(headless::quietExpiries()));
    EXPECT_EQ(responseStatus, okBit | errorBit);
    EXPECT_EQ(lastBurst(), "\r\nERROR\r\n");
}

TEST_F(LinkTest, AChunkedAnswerIsOneBurst) {
    setEcho(false);
    devsim::Faults faults;
    faults.chunks = 3;
    faults.chunkGapMs = 80;
    device->setFaults(faults);
    send("AT^SIPS=service,save,9\r\n");
    ASSERT_TRUE(classified());
    EXPECT_EQ(responseStatus, blankOkBit);
    EXPECT_EQ(lastBurst(), "\r\n\r\nOK\r\n");
    EXPECT_EQ(device->sentChunks().size(), 3u);
}

TEST_F(LinkTest, ABurstOfMoreThan600BytesKeepsExactlyTheFirst600) {
    setEcho(false);
    devsim::Faults faults;
    faults.floodTo = 1500;
    device->setFaults(faults);
    send("AT\r\n");
    ASSERT_TRUE(device->waitForSent(1500, answerMs));
    ASSERT_TRUE(classified());
    const std::string burst = lastBurst();
    EXPECT_EQ(burst.size(), 600u);
    EXPECT_EQ(burst, device->sent().substr(0, 600));
    EXPECT_EQ(responseStatus, okBit);
}

// The classifier runs with the receive lock held; a chunk that arrives meanwhile waits for it
// and then opens the next burst. The chunk is sent from inside the classifier (when it writes
// the IP address into its field) and given time to reach the reader before the classifier
// returns.
TEST_F(LinkTest, AChunkArrivingWhileTheClassifierRunsOpensTheNextBurst) {
    int fieldWrites = 0;
    fake::onSetText = [&](fake::Control* control) {
        if (control->id != idIpAddress || fieldWrites++ > 0) return;
        const size_t before = device->sent().size();
        device->sendRaw("\r\nOK\r\n");
        device->waitForSent(before + 6, answerMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    };
    const std::string listing = "\r\n^SISS: 9,\"address\",\"socktcp://10.1.2.3:65534\"\r\n\r\nOK\r\n";
    device->sendRaw(listing);
    ASSERT_TRUE(headless::runLoop([] { return (responseStatus & okBit) != 0; }, answerMs));
    EXPECT_EQ(fieldWrites, 1);
    EXPECT_EQ(responseStatus, sissBit | okBit);
    EXPECT_EQ(fake::controlById(idIpAddress)->text, "10.1.2.3");
    EXPECT_EQ(lastBurst(), "\r\nOK\r\n");
}

TEST_F(LinkTest, AShortModemDialogueReachesTheClassifier) {
    send("ATE0\r\n");
    ASSERT_TRUE(classified());
    EXPECT_EQ(responseStatus, okBit);  // the answer carried the echo of ATE0 in front
    responseStatus = 0;
    send("AT^SISS=9,\"address\",\"socktcp://192.168.7.8:65534\"\r\n");
    ASSERT_TRUE(classified(headless::quietExpiries()));
    EXPECT_EQ(responseStatus, blankOkBit);
    send("AT^SISS?\r\n");
    ASSERT_TRUE(classified(headless::quietExpiries()));
    EXPECT_EQ(responseStatus, blankOkBit | sissBit);
    EXPECT_EQ(fake::controlById(idIpAddress)->text, "192.168.7.8");
}

// --- device gone, threads stopped and started ---------------------------------------------

TEST_F(LinkTest, ADeviceThatVanishesMidBurstEndsTheReaderWithoutSpinning) {
    device->sendRaw("\r\n^SI");
    ASSERT_TRUE(headless::runLoop([] { return burstInProgress(); }, answerMs));
    device->vanish();
    const long cpuBefore = testline::processCpuMs();
    headless::runFor(1000);
    const long cpuUsed = testline::processCpuMs() - cpuBefore;
    EXPECT_LT(cpuUsed, 300) << "CPU milliseconds used over one second after the hang-up";
    EXPECT_FALSE(burstInProgress());  // the partial burst still ended the usual way
    EXPECT_EQ(lastBurst(), "\r\n^SI");

    closeLink();
    device = std::make_unique<devsim::Device>();
    ASSERT_EQ(openPort(device->slavePath().c_str(), 9600, portHandle), 0);
    startPortThreads();
    send("ATE0\r\n");
    ASSERT_TRUE(classified(headless::quietExpiries()));
    EXPECT_EQ(responseStatus, okBit);
}

TEST_F(LinkTest, ThreadsStartAndStopFiftyTimesAndTheBuffersKeepTheirBytes) {
    device->sendRaw("\r\nOK\r\n");
    ASSERT_TRUE(classified());
    devsim::Faults faults;
    faults.silent = true;
    device->setFaults(faults);
    for (int i = 0; i < 50; ++i) {
        stopPortThreads();
        EXPECT_EQ(writerRunning, 0);
        EXPECT_EQ(readerRunning, 0);
        stopPortThreads();  // stopping what is stopped does nothing
        startPortThreads();
        startPortThreads();  // running threads are left alone
        EXPECT_EQ(writerRunning, 1);
        EXPECT_EQ(readerRunning, 1);
        send("AT+S" + std::to_string(i) + "\r");
    }
    stopPortThreads();
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rxBuffer), 6), "\r\nOK\r\n");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(txBuffer + 1), txBuffer[0]), "AT+S49\r");
    // A send is made at most once, however the stop cut the queue.
    const std::string got = device->received();
    for (int i = 0; i < 50; ++i) {
        const std::string command = "AT+S" + std::to_string(i) + "\r";
        const size_t first = got.find(command);
        if (first != std::string::npos) {
            EXPECT_EQ(got.find(command, first + 1), std::string::npos) << command;
        }
    }

    // Everything sent before is in once this has come; only then may the modem answer again.
    startPortThreads();
    send("AT+END\r");
    ASSERT_TRUE(device->waitForText("AT+END\r", answerMs));
    device->setFaults(devsim::Faults());
    send("ATE0\r\n");
    ASSERT_TRUE(classified(headless::quietExpiries()));
    EXPECT_EQ(lastBurst(), "ATE0\r\r\nOK\r\n");
}

TEST_F(LinkTest, SendingWithoutRunningThreadsQueuesNothing) {
    stopPortThreads();
    send("AT\r");
    startPortThreads();
    EXPECT_FALSE(device->waitForBytes(1, 300));
}

}  // namespace
