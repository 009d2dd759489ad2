// The ten unit jobs against the fake link: frames byte for byte, the tick on which each thing
// happens, the answer decoding, and the rules that keep two jobs off the line at once.
#include <cstring>

#include "job_link.h"
#include "unit/parameter_jobs.h"

using namespace tarnwick;
using jobs::bytes;
using jobs::unitAnswer;

namespace {

constexpr int periodRow = 0, addressRow = 1, phone1Row = 2, phone2Row = 3, smsRow = 4;

int valueId(int row) { return idFirstValue + row; }
int readId(int row) { return idFirstRead + row; }
int writeId(int row) { return idFirstWrite + row; }
Job& readJob(int row) { return *allJobs[periodReadIndex + 2 * row]; }
Job& writeJob(int row) { return *allJobs[periodWriteIndex + 2 * row]; }

const int readSelectors[5] = {0x41, 0x40, '0', '1', '2'};

std::string readRequest(int selector) {
    return bytes({0x0A, 0x21, 0xAA, 'N', selector, 0, 0, 0, 0, 0, 0, 0});
}

class ParameterJobsTest : public jobs::LinkTest {
protected:
    // Presses the button and runs the accepting tick and the send tick; returns T, the tick of
    // the send.
    uint32_t start(int buttonId) {
        press(buttonId);
        tick();
        tick();
        return tickCount - 1;
    }
    bool idle() {
        for (Job* job : allJobs)
            if (job->trigger != 0 || job->state != 0) return false;
        return true;
    }
    void runUntilIdle() {
        for (int guard = 0; guard < 200 && !idle(); ++guard) tick();
        ASSERT_TRUE(idle());
    }
    // One read of `row` answered with `answerBytes` once it has been sent.
    std::string readWith(int row, const std::string& answerBytes) {
        start(readId(row));
        answer(answerBytes);
        tick();
        EXPECT_EQ(readJob(row).state, 3) << "answer taken on the tick after it arrived";
        tick();
        EXPECT_EQ(readJob(row).trigger, 0);
        return shown(valueId(row));
    }
};

TEST_F(ParameterJobsTest, ReadRequestsGoOutAsTwelveBytesPaddedWithZeros) {
    for (int row = 0; row < 5; ++row) {
        sent.clear();
        std::memset(txBuffer, 0xEE, sizeof txBuffer);  // bytes of an earlier, longer send
        const uint32_t accepted = tickCount;
        press(readId(row));
        tick();
        EXPECT_TRUE(sent.empty()) << "nothing goes out on the tick that accepts the trigger";
        tick();
        ASSERT_EQ(sent.size(), 1u) << row;
        EXPECT_EQ(sent[0].tick, accepted + 1);
        EXPECT_EQ(sent[0].bytes, readRequest(readSelectors[row])) << row;
        runUntilIdle();
    }
}

TEST_F(ParameterJobsTest, ReadTakesAnAnswerUpToItsSixtiethTickAndEndsOneTickLater) {
    const uint32_t t = start(readId(addressRow));
    Job& job = readJob(addressRow);
    EXPECT_EQ(job.state, 2);
    EXPECT_EQ(job.deadline, static_cast<int32_t>(t + 60));
    EXPECT_EQ(responseStatus & frameBit, 0);
    tickUntil(t + 60);
    EXPECT_EQ(job.state, 2);
    EXPECT_EQ(shown(valueId(addressRow)), "");
    answer(unitAnswer(bytes({0x00, 42})));
    tick();  // T+60, the last tick that looks
    EXPECT_EQ(shown(valueId(addressRow)), "042");
    EXPECT_EQ(job.state, 3);
    EXPECT_EQ(job.trigger, 1);
    tick();  // T+61
    EXPECT_EQ(job.state, 0);
    EXPECT_EQ(job.trigger, 0);
    EXPECT_TRUE(addressField.rawSelected());
}

TEST_F(ParameterJobsTest, ReadTimesOutOnT61AndAnAnswerOnThatTickIsTooLate) {
    type(valueId(periodRow), "old");
    const uint32_t t = start(readId(periodRow));
    Job& job = readJob(periodRow);
    tickUntil(t + 61);
    EXPECT_EQ(job.state, 2);
    answer(unitAnswer(bytes({0x00, 9})));
    tick();  // T+61: the deadline is tested before the frame bit
    EXPECT_EQ(job.state, 3);
    EXPECT_EQ(job.trigger, 1);
    tick();  // T+62
    EXPECT_EQ(job.trigger, 0);
    ticks(10);
    EXPECT_EQ(shown(valueId(periodRow)), "old") << "a late answer never reaches the field";
    EXPECT_NE(responseStatus & frameBit, 0) << "the bit stays until the next read sends";

    // The next read must not take the stale answer for its own.
    const uint32_t t2 = start(readId(periodRow));
    EXPECT_EQ(responseStatus & frameBit, 0);
    tickUntil(t2 + 63);
    EXPECT_EQ(shown(valueId(periodRow)), "old");
    EXPECT_TRUE(idle());
}

TEST_F(ParameterJobsTest, NumberReadsShowAnswerByte4AsThreeDigits) {
    const struct {
        int value;
        const char* digits;
    } cases[] = {{0, "000"}, {7, "007"}, {42, "042"}, {100, "100"}, {255, "255"}};
    for (int row : {periodRow, addressRow}) {
        for (const auto& c : cases) {
            // Byte 3 is not interpreted; what follows byte 4 does not matter either.
            EXPECT_EQ(readWith(row, unitAnswer(bytes({0x37, c.value, 0x0D, 0x0A, 0x99}))),
                      c.digits)
                << "row " << row << " value " << c.value;
        }
    }
}

// An answer cut short before byte 4 carries no value; the byte left there by an earlier
// answer must not be shown as one.
TEST_F(ParameterJobsTest, ANumberAnswerShorterThanFiveBytesLeavesTheField) {
    ASSERT_EQ(readWith(addressRow, unitAnswer(bytes({0x40, 45, 0x0D, 0x0A}))), "045");
    for (const std::string& cut : {unitAnswer(""), unitAnswer(bytes({0x40}))}) {
        type(valueId(addressRow), "old");
        EXPECT_EQ(readWith(addressRow, cut), "old") << cut.size() << " bytes";
    }
}

TEST_F(ParameterJobsTest, NumberWritesSendTheThreeDigitsAndHoldTheirTriggerToT22) {
    type(valueId(periodRow), "123");
    responseStatus = frameBit;  // a write neither clears nor waits for the frame bit
    const uint32_t t = start(writeId(periodRow));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].tick, t);
    EXPECT_EQ(sent[0].bytes, bytes({0x0A, 0x21, 0xAA, 0x30, 0x41, 0x54, 0x44, 0x50, 0x32, 0x31,
                                    0x32, 0x33}));
    EXPECT_EQ(responseStatus, frameBit);
    Job& job = writeJob(periodRow);
    EXPECT_EQ(job.deadline, static_cast<int32_t>(t + 20));
    answer(unitAnswer(bytes({0, 200})));
    tickUntil(t + 21);
    EXPECT_EQ(job.state, 2);
    EXPECT_EQ(shown(valueId(periodRow)), "123") << "a write never shows an answer";
    tick();  // T+21
    EXPECT_EQ(job.state, 3);
    EXPECT_EQ(job.trigger, 1);
    tick();  // T+22
    EXPECT_EQ(job.trigger, 0);
    EXPECT_EQ(job.state, 0);

    // No range check: 999 goes out for the own address although the unit takes 000..255.
    sent.clear();
    type(valueId(addressRow), "999");
    start(writeId(addressRow));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes, bytes({0x0A, 0x21, 0xAA, '0', 'A', 'T', 'D', 'P', '1', '9', '9', '9'}));
    EXPECT_TRUE(addressField.rawSelected());
}

TEST_F(ParameterJobsTest, NumberWritesRefuseAnythingButThreeDigits) {
    for (const char* text : {"12", "1234", " 12", "12 ", "1a2", "", "12\t", "-12", "1.5", "/00",
                             ":00"}) {
        for (int row : {periodRow, addressRow}) {
            sent.clear();
            type(valueId(row), text);
            start(writeId(row));
            EXPECT_TRUE(sent.empty()) << '"' << text << '"';
            EXPECT_EQ(writeJob(row).state, 3);
            EXPECT_EQ(writeJob(row).trigger, 1);
            tick();  // the trigger goes on the tick after the send step
            EXPECT_EQ(writeJob(row).trigger, 0);
            EXPECT_EQ(writeJob(row).state, 0);
            EXPECT_EQ(shown(valueId(row)), text) << "the field keeps its text";
        }
    }
}

TEST_F(ParameterJobsTest, TelephoneWritesCarryTheTextAsTypedThenCrLf) {
    const int slots[3] = {'0', '1', '2'};
    for (int i = 0; i < 3; ++i) {
        const int row = phone1Row + i;
        sent.clear();
        type(valueId(row), "+7 (916) 123-45-67");  // 18 characters, the most that is sent
        const uint32_t t = start(writeId(row));
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].bytes, bytes({0x0A, 0x21, 0xAA, slots[i], 'A', 'T', 'D', 'P'}) +
                                     "+7 (916) 123-45-67\r\n");
        EXPECT_EQ(sent[0].bytes.size(), 28u);
        EXPECT_EQ(writeJob(row).deadline, static_cast<int32_t>(t + 20));
        tickUntil(t + 22);
        EXPECT_EQ(writeJob(row).trigger, 1);
        tick();
        EXPECT_EQ(writeJob(row).trigger, 0);
    }

    // An empty field is sent as an empty number.
    sent.clear();
    type(valueId(phone1Row), "");
    start(writeId(phone1Row));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].bytes, bytes({0x0A, 0x21, 0xAA, '0', 'A', 'T', 'D', 'P', 0x0D, 0x0A}));
    runUntilIdle();
}

TEST_F(ParameterJobsTest, TelephoneWriteRefusesMoreThanEighteenCharacters) {
    for (const char* text : {"8916123456789012345", "12345678901234567890123456789012345"}) {
        sent.clear();
        type(valueId(smsRow), text);
        start(writeId(smsRow));
        EXPECT_TRUE(sent.empty()) << text;
        tick();
        EXPECT_EQ(writeJob(smsRow).trigger, 0);
        EXPECT_EQ(shown(valueId(smsRow)), text);
    }
}

TEST_F(ParameterJobsTest, TelephoneReadsTakeTheTextFromByte7ToTheFirstStop) {
    const std::string head = "\x31\x32\x33\x34";  // bytes 3 to 6, not interpreted
    const struct {
        std::string answer;
        std::string shown;
    } cases[] = {
        {unitAnswer(head + "89161234567\r\n"), "89161234567"},
        {unitAnswer(head + "89161234567\n77"), "89161234567"},
        {unitAnswer(head + std::string("8916\0" "777", 8)), "8916"},
        {unitAnswer(head + "\r\n"), ""},                  // byte 7 already a stop
        {unitAnswer("\x31\x0D\x33\x34" "8916\r\n"), ""},  // a stop among bytes 3 to 6
        {unitAnswer("\x31\x32"), ""},                     // shorter than 7 bytes
        {unitAnswer(head + "89\x01" "16"), std::string("89\x95" "16")},  // shown as a bullet
    };
    type(valueId(phone1Row), "old");
    for (const auto& c : cases) {
        type(valueId(phone1Row), "old");
        EXPECT_EQ(readWith(phone1Row, c.answer), c.shown);
    }
}

TEST_F(ParameterJobsTest, TelephoneTextWithoutStopEndsWithTheReceivedBytes) {
    // A long earlier burst leaves its bytes in the buffer behind a shorter answer.
    answer(std::string(300, 'X'));
    EXPECT_EQ(readWith(phone2Row, unitAnswer("abcd89161234567")), "89161234567");
    EXPECT_EQ(readWith(smsRow, unitAnswer("abcd" + std::string(400, '7'))), std::string(255, '7'))
        << "the field keeps the first 255 bytes";
}

TEST_F(ParameterJobsTest, EachReadFillsOnlyItsOwnField) {
    for (int row = 0; row < 5; ++row) type(valueId(row), "old");
    const std::string answerBytes = unitAnswer(bytes({0x01, 65, 'x', 'y'}) + "5551234\r\n");
    EXPECT_EQ(readWith(phone2Row, answerBytes), "5551234");
    EXPECT_EQ(readWith(periodRow, answerBytes), "065");
    for (int row : {addressRow, phone1Row, smsRow}) EXPECT_EQ(shown(valueId(row)), "old");
}

TEST_F(ParameterJobsTest, WithoutAnOpenPortNothingGoesOutAndTheReadTimesOut) {
    writerRunning = 0;
    const uint32_t t = start(readId(addressRow));
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(readJob(addressRow).state, 2);
    tickUntil(t + 61);
    EXPECT_EQ(readJob(addressRow).state, 2);
    tick();
    EXPECT_EQ(readJob(addressRow).state, 3);
    tick();
    EXPECT_TRUE(idle());
}

TEST_F(ParameterJobsTest, DeadlinesHoldAcrossTheSignedWrapOfTheTickCount) {
    tickCount = 2147483647u - 30;
    const uint32_t t = start(readId(addressRow));
    EXPECT_LT(readJob(addressRow).deadline, 0) << "the deadline itself lies past the wrap";
    tickUntil(t + 61);  // passes 2147483647 -> 2147483648 while the job waits
    EXPECT_EQ(readJob(addressRow).state, 2);
    tick();
    EXPECT_EQ(readJob(addressRow).state, 3);
    tick();
    EXPECT_EQ(readJob(addressRow).trigger, 0);

    // An answer after the wrap is taken.
    tickCount = 2147483647u - 5;
    const uint32_t t2 = start(readId(periodRow));
    tickUntil(t2 + 20);
    answer(unitAnswer(bytes({0x00, 201})));
    tick();
    EXPECT_EQ(shown(valueId(periodRow)), "201");

    // And the unsigned wrap to 0 for a write.
    tickCount = 0xFFFFFFFFu - 10;
    type(valueId(addressRow), "017");
    const uint32_t t3 = start(writeId(addressRow));
    tickUntil(t3 + 21);
    EXPECT_EQ(writeJob(addressRow).state, 2);
    tick();
    EXPECT_EQ(writeJob(addressRow).state, 3);
    EXPECT_LT(tickCount, 100u);
}

// Exclusion: the rules that keep the line to one unit exchange at a time.

TEST_F(ParameterJobsTest, OfTwoButtonsInOneTickTheLaterInStepOrderStarts) {
    type(valueId(periodRow), "123");
    type(valueId(addressRow), "045");
    for (int first = periodReadIndex; first < jobCount; ++first) {
        for (int second = first + 1; second < jobCount; ++second) {
            sent.clear();
            allJobs[first]->trigger = 1;
            allJobs[second]->trigger = 1;
            tick();
            EXPECT_EQ(allJobs[first]->trigger, 0) << first << " with " << second;
            EXPECT_EQ(allJobs[first]->state, 0);
            EXPECT_EQ(allJobs[second]->state, 1);
            tick();
            EXPECT_EQ(sent.size(), 1u) << "only the later job sends";
            runUntilIdle();
            EXPECT_EQ(sent.size(), 1u);
        }
    }
}

TEST_F(ParameterJobsTest, AButtonPressedWhileAnotherJobRunsIsDropped) {
    const uint32_t t = start(readId(addressRow));
    const int32_t deadline = readJob(addressRow).deadline;
    press(writeId(phone1Row));
    press(readId(periodRow));
    tick();
    EXPECT_EQ(writeJob(phone1Row).trigger, 0);
    EXPECT_EQ(readJob(periodRow).trigger, 0);
    EXPECT_EQ(readJob(addressRow).state, 2);
    EXPECT_EQ(readJob(addressRow).deadline, deadline) << "the running job is not disturbed";
    answer(unitAnswer(bytes({0x00, 12})));
    tick();
    EXPECT_EQ(shown(valueId(addressRow)), "012");
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_LT(tickCount, t + 10);
}

TEST_F(ParameterJobsTest, AJobEndingInATickFreesTheLineForJobsSteppedAfterIt) {
    type(valueId(addressRow), "100");
    const uint32_t t = start(writeId(addressRow));
    tickUntil(t + 22);
    press(readId(periodRow));
    press(readId(smsRow));
    tick();  // T+22: the write drops its trigger between the two reads' steps
    EXPECT_EQ(writeJob(addressRow).trigger, 0);
    EXPECT_EQ(readJob(periodRow).trigger, 0) << "stepped before the write ended";
    EXPECT_EQ(readJob(smsRow).state, 1) << "stepped after it, in the same tick";
}

TEST_F(ParameterJobsTest, TheSameButtonTwiceWhileItsJobRunsChangesNothing) {
    press(readId(phone1Row));
    press(readId(phone1Row));
    tick();
    tick();
    const uint32_t t = tickCount - 1;
    ticks(5);
    press(readId(phone1Row));
    tickUntil(t + 62);
    EXPECT_EQ(readJob(phone1Row).trigger, 1);
    tick();
    EXPECT_EQ(readJob(phone1Row).trigger, 0);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(ParameterJobsTest, AModemButtonStartsWhileAParameterJobWaits) {
    const uint32_t t = start(readId(addressRow));
    press(idModemWrite);
    tick();
    EXPECT_NE(modemSetupJob.state, 0) << "the modem jobs look only at each other";
    tick();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].bytes, "+++\r\n");
    tickUntil(t + 61);
    EXPECT_EQ(readJob(addressRow).state, 2) << "the parameter job carries on to its deadline";
    tick();
    EXPECT_EQ(readJob(addressRow).state, 3);

    // The query button too.
    runUntilIdle();
    start(readId(addressRow));
    press(idModemRead);
    tick();
    EXPECT_NE(modemQueryJob.state, 0);
    EXPECT_EQ(readJob(addressRow).state, 2);
}

TEST_F(ParameterJobsTest, AParameterButtonDuringOrWithAModemButtonIsDropped) {
    press(idModemWrite);
    tick();
    tick();
    press(readId(periodRow));
    press(writeId(smsRow));
    const uint8_t setupState = modemSetupJob.state;
    tick();
    EXPECT_EQ(readJob(periodRow).trigger, 0);
    EXPECT_EQ(writeJob(smsRow).trigger, 0);
    EXPECT_EQ(modemSetupJob.state, setupState);
    EXPECT_EQ(sent.size(), 1u) << "only the escape went out";

    // In the same tick as the modem button.
    fake::reset();
    createMainControls(fake::window());
    writerRunning = 1;
    sent.clear();
    press(readId(addressRow));
    press(idModemRead);
    tick();
    EXPECT_EQ(readJob(addressRow).trigger, 0);
    EXPECT_EQ(readJob(addressRow).state, 0);
    EXPECT_EQ(shown(idQueryStatus), "|");
}

TEST_F(ParameterJobsTest, AnIdleTickChangesNothingButTheCount) {
    responseStatus = okBit | frameBit;
    std::memset(txBuffer, 0x5A, sizeof txBuffer);
    ticks(100);
    EXPECT_EQ(tickCount, 100u);
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(idle());
    EXPECT_EQ(responseStatus, okBit | frameBit);
    EXPECT_EQ(txBuffer[0], 0x5A);
}

}  // namespace
