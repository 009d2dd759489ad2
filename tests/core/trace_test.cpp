// The trace: every frame and answer form decoded to its line, the password masked wherever it
// passes, and the ring that overwrites its oldest records.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/trace_decode.h"
#include "base/trace.h"
#include "fakes.h"
#include "serial/buffers.h"
#include "test_files.h"

using namespace tarnwick;

namespace {

const std::string mark("\x0A\x21\xAA", 3);

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        fake::resetQuietTimer();
        resetTrace();
        fake::nowMs = 1000;
    }

    // The newest record's line without its time column: "TX  unit: read period".
    static std::string newest() {
        char line[traceLineCapacity];
        const TraceRecord* record = traceRecord(traceNewest());
        if (record == nullptr) return "<none>";
        decodeTrace(*record, line, sizeof line);
        return std::string(line).substr(13);
    }
    static std::string sent(const std::string& bytes) {
        traceSent(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        return newest();
    }
    static std::string received(const std::string& bytes, uint8_t bit = 0) {
        traceBurst(fake::nowMs, fake::nowMs, reinterpret_cast<const uint8_t*>(bytes.data()),
                   bytes.size(), bit);
        return newest();
    }
};

TEST_F(TraceTest, UnitFramesAreDecodedByMeaning) {
    const std::string zeros(7, '\0');
    EXPECT_EQ(sent(mark + "NA" + zeros), "TX  unit: read period");
    EXPECT_EQ(sent(mark + "N@" + zeros), "TX  unit: read own address");
    EXPECT_EQ(sent(mark + "N0" + zeros), "TX  unit: read phone 1");
    EXPECT_EQ(sent(mark + "N1" + zeros), "TX  unit: read phone 2");
    EXPECT_EQ(sent(mark + "N2" + zeros), "TX  unit: read SMS phone");
    EXPECT_EQ(sent(mark + "0ATDP2012"), "TX  unit: write period = 012");
    EXPECT_EQ(sent(mark + "0ATDP1255"), "TX  unit: write own address = 255");
    EXPECT_EQ(sent(mark + "0ATDP89161234567\r\n"), "TX  unit: write phone 1 = 89161234567");
    EXPECT_EQ(sent(mark + "1ATDP\r\n"), "TX  unit: write phone 2 = ");
    EXPECT_EQ(sent(mark + "2ATDP112\r\n"), "TX  unit: write SMS phone = 112");
    EXPECT_EQ(sent(mark + "Z"), "TX  unit: frame [0A 21 AA 5A]");

    // An answer is named after the read waiting for it.
    const std::string answer = mark + std::string("@\x2DTN\r\n", 6);
    EXPECT_EQ(received(answer), "RX  unit answer (no read waiting) [0A 21 AA 40 2D 54 4E 0D 0A]");
    addressReadJob.state = 2;
    EXPECT_EQ(received(answer, frameBit),
              "RX  unit answer: own address = 045  [0A 21 AA 40 2D 54 4E 0D 0A]");
    EXPECT_EQ(received(mark + "@"), "RX  unit answer: own address = (too short)  [0A 21 AA 40]");
    addressReadJob.state = 0;
    phone2ReadJob.state = 2;
    EXPECT_EQ(received(mark + "1PTN8900\r\n"),
              "RX  unit answer: phone 2 = 8900  [0A 21 AA 31 50 54 4E 38 39 30 30 0D 0A]");
}

TEST_F(TraceTest, ModemTextIsShownWithItsLineEndsAndTheClassifiersVerdict) {
    EXPECT_EQ(sent("AT^SIPS=service,load,0\r\n"), "TX  AT^SIPS=service,load,0\\r\\n");
    EXPECT_EQ(received("\r\nOK\r\n"), "RX  \\r\\nOK\\r\\n  = OK");
    EXPECT_EQ(received("\r\n\r\nOK\r\n"), "RX  \\r\\n\\r\\nOK\\r\\n  = blank-line OK");
    EXPECT_EQ(received("\r\nERROR\r\n"), "RX  \\r\\nERROR\\r\\n  = ERROR");
    EXPECT_EQ(received("ATE0\r\r\nOK\r\n"), "RX  ATE0\\r\\r\\nOK\\r\\n  = OK (behind the echo)");
    EXPECT_EQ(received("#\x13~"), "RX  #\\x13~  = not recognised");
    EXPECT_EQ(received("\r\n^SISS: 9,\"address\",\"socktcp://10.0.0.5:65534\"\r\n"),
              "RX  \\r\\n^SISS: 9,\"address\",\"socktcp://10.0.0.5:65534\"\\r\\n  = ^SISS listing: IP 10.0.0.5");
    EXPECT_EQ(received("\r\n^SICS: 0,\"apn\",\"inet\"\r\n^SICS: 0,\"user\",\"bob\"\r\n"),
              "RX  \\r\\n^SICS: 0,\"apn\",\"inet\"\\r\\n^SICS: 0,\"user\",\"bob\"\\r\\n"
              "  = ^SICS listing: user bob, APN inet");
}

TEST_F(TraceTest, ThePasswordNeverEntersTheTrace) {
    EXPECT_EQ(sent("AT^SICS=0,\"passwd\",\"s3cret\"\r\n"), "TX  AT^SICS=0,\"passwd\",\"***\"\\r\\n");
    EXPECT_EQ(sent("AT^SICS=0,\"passwd\",\"\"\r\n"), "TX  AT^SICS=0,\"passwd\",\"***\"\\r\\n")
        << "nor whether one is set";
    const std::string listing = received(
        "\r\n^SICS: 0,\"passwd\",\"topsecret\"\r\n^SICS: 1,\"passwd\",\"x\"\r\n^SICS: 0,\"user\",\"u\"\r\n");
    EXPECT_EQ(listing.find("secret"), std::string::npos) << listing;
    EXPECT_NE(listing.find("^SICS: 1,\"passwd\",\"***\"\\r\\n"), std::string::npos) << listing;
    // Cut off inside the value: masked to the end.
    EXPECT_EQ(sent("AT^SICS=0,\"passwd\",\"abcd"), "TX  AT^SICS=0,\"passwd\",\"***");
}

TEST_F(TraceTest, EventsNameTheirJobAndStep) {
    tracePort(TraceKind::portOpened, "COM5");
    EXPECT_EQ(newest(), "--  port COM5 opened");
    tracePort(TraceKind::portNotOpened, "COM5x", -1);
    EXPECT_EQ(newest(), "--  port COM5x did not open (result -1)");
    tracePort(TraceKind::portLost, "COM5");
    EXPECT_EQ(newest(), "--  port COM5 lost: the device has gone");
    traceJob(TraceKind::jobStarted, modemSetupJob, 0, true);
    EXPECT_EQ(newest(), "--  set-up: started (without internet)");
    traceJob(TraceKind::jobStepSent, modemSetupJob, 6);
    EXPECT_EQ(newest(), "--  set-up step 6 (APN) sent");
    traceJob(TraceKind::jobStepSent, modemSetupJob, 21, true);
    EXPECT_EQ(newest(), "--  set-up step 21 (SMS text mode) sent");
    traceJob(TraceKind::jobDeadline, modemQueryJob, 2);
    EXPECT_EQ(newest(), "--  query step 2 (load profile 0): deadline passed, no answer");
    traceJob(TraceKind::jobRefused, phone1WriteJob);
    EXPECT_EQ(newest(), "--  phone 1 write: refused, another job's trigger is raised");
    traceJobResult(modemQueryJob, reinterpret_cast<const uint8_t*>("Empty9"), 6);
    EXPECT_EQ(newest(), "--  query: Empty9");
}

TEST_F(TraceTest, TimesCountFromTheOpeningOfThePort) {
    tracePort(TraceKind::portOpened, "COM1");
    fake::nowMs = 1250;
    traceBurst(1100, 1240, reinterpret_cast<const uint8_t*>("\r\nOK\r\n"), 6, okBit);
    char line[traceLineCapacity];
    decodeTrace(*traceRecord(traceNewest()), line, sizeof line);
    EXPECT_EQ(std::string(line), "     240 ms  RX  \\r\\nOK\\r\\n  = OK  (first byte at 100 ms)");
}

TEST_F(TraceTest, TheRingKeepsTheNewestAndAReaderLearnsWhatItLost) {
    TraceCursor cursor = traceCursorAtOldest();
    for (size_t i = 0; i < traceCapacity + 10; ++i) traceJob(TraceKind::jobStarted, periodReadJob);
    EXPECT_EQ(traceNewest(), traceCapacity + 10);
    EXPECT_EQ(traceRecord(10), nullptr) << "overwritten";
    ASSERT_NE(traceRecord(11), nullptr);
    EXPECT_EQ(traceRecord(11)->sequence, 11u);
    EXPECT_EQ(traceRecord(traceNewest() + 1), nullptr);

    char line[traceLineCapacity];
    TraceDirection direction;
    ASSERT_TRUE(nextTraceLine(cursor, line, sizeof line, &direction));
    EXPECT_EQ(std::string(line).substr(0, 26), "... 10 trace lines lost: t");
    size_t lines = 0;
    while (nextTraceLine(cursor, line, sizeof line, &direction)) ++lines;
    EXPECT_EQ(lines, traceCapacity);
    EXPECT_EQ(traceCursorAtOldest().next, 11u);
}

TEST_F(TraceTest, TheTraceFileGetsEveryLineAsItIsMade) {
    std::remove("trace-test.txt");
    ASSERT_FALSE(openTraceFile("/nonexistent-folder/trace.txt"));
    ASSERT_TRUE(openTraceFile("trace-test.txt"));
    tracePort(TraceKind::portOpened, "COM2");
    writeTraceFile();
    EXPECT_EQ(fake::fileText("trace-test.txt"), "       0 ms  --  port COM2 opened\n");
    traceSent(reinterpret_cast<const uint8_t*>("AT\r\n"), 4);
    closeTraceFile();
    EXPECT_EQ(fake::fileText("trace-test.txt"),
              "       0 ms  --  port COM2 opened\n       0 ms  TX  AT\\r\\n\n");
    std::remove("trace-test.txt");
}

}  // namespace
