// Nothing on the serial path allocates: 10,000 ticks with every kind of job running, each send
// answered and each answer classified, under a global operator new that counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "base/job_report.h"
#include "fakes.h"
#include "modem/settings_file.h"
#include "modem/status_job.h"
#include "serial/buffers.h"
#include "serial/burst.h"
#include "serial/send_queue.h"

#include "counting_new.h"

using namespace tarnwick;

namespace {

// What the simulated line answers, chosen without allocating.
struct Answer {
    const char* bytes;
    std::size_t length;
};

#define ANSWER(text) Answer{text, sizeof text - 1}
const Answer okAnswer = ANSWER("\r\nOK\r\n");
const Answer blankOkAnswer = ANSWER("\r\n\r\nOK\r\n");
const Answer numberAnswer = ANSWER("\x0A\x21\xAA\x41\x2A" "TN\r\n");
const Answer phoneAnswer = ANSWER("\x0A\x21\xAA" "0PTN89161234567\r\n");
const Answer serviceAnswer = ANSWER("\r\n^SISS: 9,\"address\",\"socktcp://10.9.8.7:65534\"\r\n"
                                    "\r\nOK\r\n");
const Answer connectionAnswer = ANSWER("\r\n^SICS: 0,\"apn\",\"inet\"\r\n"
                                       "^SICS: 0,\"user\",\"bob\"\r\n\r\nOK\r\n");
const Answer errorModeAnswer = ANSWER("\r\n+CMEE: 0\r\n\r\nOK\r\n");
const Answer signalAnswer = ANSWER("AT+CSQ\r\r\n+CSQ: 13,99\r\n\r\nOK\r\n");
const Answer registrationAnswer = ANSWER("\r\n+CREG: 0,1\r\n\r\nOK\r\n");
const Answer operatorAnswer = ANSWER("\r\n+COPS: 0,0,\"MegaFon\",0\r\n\r\nOK\r\n");
const Answer imsiAnswer = ANSWER("\r\n250017012345678\r\n\r\nOK\r\n");
const Answer iccidAnswer = ANSWER("\r\n+CRSM: 144,0,\"98070121436587092143\"\r\n\r\nOK\r\n");
const Answer noSimAnswer = ANSWER("\r\n+CME ERROR: 10\r\n");
#undef ANSWER

bool is(const uint8_t* bytes, int length, const char* text) {
    const std::size_t n = std::strlen(text);
    return static_cast<std::size_t>(length) == n && std::memcmp(bytes, text, n) == 0;
}

// Null when the send gets no answer (the unit does not answer writes).
const Answer* answerTo(const uint8_t* bytes, int length) {
    if (length >= 5 && bytes[0] == 0x0A && bytes[1] == 0x21 && bytes[2] == 0xAA) {
        if (bytes[3] != 'N') return nullptr;
        return bytes[4] == 0x41 || bytes[4] == 0x40 ? &numberAnswer : &phoneAnswer;
    }
    // The status check's commands, a missing SIM among them.
    if (is(bytes, length, "AT+CMEE?\r\n")) return &errorModeAnswer;
    if (is(bytes, length, "AT+CSQ\r\n")) return &signalAnswer;
    if (is(bytes, length, "AT+CREG?\r\n") || is(bytes, length, "AT+CGREG?\r\n")) return &registrationAnswer;
    if (is(bytes, length, "AT+COPS?\r\n")) return &operatorAnswer;
    if (is(bytes, length, "AT+CGSN\r\n") || is(bytes, length, "AT+CIMI\r\n")) return &imsiAnswer;
    if (is(bytes, length, "AT+CRSM=176,12258,0,0,10\r\n")) return &iccidAnswer;
    if (is(bytes, length, "AT+CPIN?\r\n") || is(bytes, length, "AT+CGATT?\r\n")) return &noSimAnswer;
    if (is(bytes, length, "AT^SISS?\r\n")) return &serviceAnswer;
    if (is(bytes, length, "AT^SICS?\r\n")) return &connectionAnswer;
    if (is(bytes, length, "+++\r\n") || is(bytes, length, "ATE0\r\n") ||
        is(bytes, length, "AT+CMGF=1\r\n") || is(bytes, length, "AT&D0\r\n") ||
        is(bytes, length, "AT&W\r\n"))
        return &okAnswer;
    return &blankOkAnswer;
}

class AllocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::startWithOpenLink();
        fake::controlById(idIpAddress)->text = "10.0.0.1";
        fake::controlById(idApn)->text = "internet";
        fake::controlById(idUser)->text = "gdata";
        fake::controlById(idPassword)->text = "pw";
        fake::controlById(idFirstValue)->text = "123";
        fake::controlById(idFirstValue + 1)->text = "045";
        fake::controlById(idFirstValue + 2)->text = "89160000001";
        // The fake controls keep their text in std::string: room made now keeps the stand-in
        // for the window system out of the count.
        for (fake::Control* control : fake::controls()) control->text.reserve(1024);
    }
    void TearDown() override { std::remove(settingsFileName); }
};

bool allIdle() { return jobsAtRest(); }

// Stands in the button list for a program raising the status check.
constexpr int statusCheck = 0;

TEST_F(AllocationTest, TheCounterSeesAllocations) {
    counting::on = true;
    void* p = ::operator new(16);
    counting::on = false;
    ::operator delete(p);
    EXPECT_EQ(counting::allocations.exchange(0), 1);
}

TEST_F(AllocationTest, TenThousandTicksOfJobsAndBurstsAllocateNothing) {
    // The jobs in turn: the query, the set-up in each variant, the ten unit jobs, the status
    // check; now and then two buttons at once, so that the refusal path runs too.
    const int commands[] = {idModemRead, idModemWrite, idModemWrite, 3144, 3149, 3145, 3150, 3146,
                            3151,        3147,         3152,         3148, 3153, statusCheck};
    const int commandCount = sizeof commands / sizeof *commands;
    int next = 0;
    long sends = 0, bursts = 0, starts = 0;
    uint8_t bytes[255];
    int length;

    counting::allocations = 0;
    counting::on = true;
    for (int i = 0; i < 10000; ++i) {
        if (allIdle()) {
            const int id = commands[next % commandCount];
            if (id == idModemWrite)
                setCheckBoxChecked(fake::window(), idNoInternet, next % commandCount == 2);
            if (id == statusCheck) modemStatusJob.trigger = 1;
            else handleCommand(id, notifyClick);
            if (next % 7 == 3) handleCommand(commands[(next + 4) % commandCount], notifyClick);
            ++next;
            ++starts;
        }
        mainTick();
        while ((length = takePendingSend(bytes)) >= 0) {
            ++sends;
            if (const Answer* answer = answerTo(bytes, length)) {
                appendReceived(reinterpret_cast<const uint8_t*>(answer->bytes), answer->length);
                fake::nowMs += quietMs;
                quietTimerExpired();
                ++bursts;
            }
        }
    }
    counting::on = false;

    EXPECT_EQ(counting::allocations.load(), 0);
    // The window really held the work it is meant to measure.
    EXPECT_GT(starts, 150);
    EXPECT_GT(sends, 1000);
    EXPECT_GT(bursts, 1000);
    EXPECT_EQ(fake::controlById(idQueryStatus)->text.substr(0, 2), "Ok");
    EXPECT_EQ(fake::controlById(idFirstValue + 4)->text, "89161234567");
    // The status check ran among them (its last run is ended here, outside the count).
    for (int guard = 0; guard < 200 && !jobsAtRest(); ++guard) {
        mainTick();
        while ((length = takePendingSend(bytes)) >= 0)
            if (const Answer* answer = answerTo(bytes, length)) fake::deliverBurst(std::string(answer->bytes, answer->length));
    }
    EXPECT_EQ(jobReport(modemStatusJob).ending, JobEnding::ok);
    EXPECT_EQ(modemStatus().sim, SimState::absent);
}

}  // namespace
