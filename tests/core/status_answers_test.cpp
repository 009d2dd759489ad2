// The status check's answers read from their bytes, as modems give them: behind an echo, with
// extra fields, with an unsolicited line in front, split over two bursts, late for the command
// before, and the ICCID's swapped digits with their padding.
#include "modem/status_answers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tarnwick;

namespace {

const unsigned sim = stepOfItem(StatusItem::sim);
const unsigned signal = stepOfItem(StatusItem::signal);
const unsigned registration = stepOfItem(StatusItem::registration);
const unsigned packet = stepOfItem(StatusItem::packetRegistration);
const unsigned operatorStep = stepOfItem(StatusItem::operatorName);
const unsigned attached = stepOfItem(StatusItem::attached);
const unsigned imei = stepOfItem(StatusItem::imei);
const unsigned imsi = stepOfItem(StatusItem::imsi);
const unsigned iccid = stepOfItem(StatusItem::iccid);

// The bursts read in turn into one answer, described as the trace names it; "(left out)" when
// the last burst was not taken.
std::string read(unsigned step, const std::vector<std::string>& bursts, StatusAnswer* out = nullptr) {
    StatusAnswer answer;
    bool taken = true;
    for (const std::string& burst : bursts)
        taken = readStatusAnswer(step, reinterpret_cast<const uint8_t*>(burst.data()), burst.size(), answer);
    if (out != nullptr) *out = answer;
    char text[160];
    describeStatusAnswer(step, answer, text, sizeof text);
    return std::string(text) + (taken ? "" : " (left out)");
}

TEST(StatusAnswersTest, EachCommandsAnswerByMeaning) {
    const struct {
        unsigned step;
        std::string burst;
        const char* meaning;
    } cases[] = {
        {readErrorModeStep, "\r\n+CMEE: 2\r\n\r\nOK\r\n", "error mode 2"},
        {numericErrorsStep, "\r\nOK\r\n", "numeric errors on"},
        {numericErrorsStep, "\r\nERROR\r\n", "ERROR"},
        {restoreErrorModeStep, "AT+CMEE=0\r\r\nOK\r\n", "error mode put back"},
        {sim, "\r\n+CPIN: READY\r\n\r\nOK\r\n", "SIM ready"},
        {sim, "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n", "SIM PIN wanted"},
        {sim, "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n", "SIM PUK wanted"},
        {sim, "\r\n+CPIN: PH-SIM PIN\r\n\r\nOK\r\n", "PH-SIM PIN wanted"},
        {sim, "\r\n+CME ERROR: 10\r\n", "+CME ERROR: 10 (SIM not inserted)"},
        {sim, "\r\n+CME ERROR: SIM not inserted\r\n", "+CME ERROR: 10 (SIM not inserted)"},
        {sim, "\r\n+CME ERROR: no such thing\r\n", "+CME ERROR (not a known error)"},
        {sim, "\r\n+CME ERROR: 77\r\n", "+CME ERROR: 77"},
        {sim, "\r\nERROR\r\n", "ERROR"},
        {signal, "\r\n+CSQ: 15,99\r\n\r\nOK\r\n", "signal 15 = -83 dBm (good)"},
        {signal, "\r\n+CSQ: 99,99\r\n\r\nOK\r\n", "signal 99 = unknown"},
        {signal, "\r\n+CSQ: 15\r\n\r\nOK\r\n", "OK"},  // no ber: not the line's form
        {registration, "\r\n+CREG: 0,5\r\n\r\nOK\r\n", "registration roaming"},
        {registration, "\r\n+CREG: 2,1,\"1A2B\",\"00C3D4E5\",0\r\n\r\nOK\r\n", "registration home"},
        {registration, "\r\n+CREG: 2\r\n\r\n+CREG: 1,3\r\n\r\nOK\r\n", "registration denied"},  // a URC first
        {packet, "\r\n+CGREG: 0,10\r\n\r\nOK\r\n", "packet registration CSFB not preferred (roaming)"},
        {packet, "\r\n+CGREG: 0,12\r\n\r\nOK\r\n", "packet registration code 12"},
        {operatorStep, "\r\n+COPS: 0,0,\"MegaFon\",0\r\n\r\nOK\r\n", "operator MegaFon"},
        {operatorStep, "\r\n+COPS: 0,2,\"25002\"\r\n\r\nOK\r\n", "operator 25002"},
        {operatorStep, "\r\n+COPS: 0\r\n\r\nOK\r\n", "operator none"},
        {operatorStep, "\r\n+COPS: 0,0,\"Tele, 2\",2\r\n\r\nOK\r\n", "operator Tele, 2"},
        {attached, "\r\n+CGATT: 0\r\n\r\nOK\r\n", "attached no"},
        {attached, "AT+CGATT?\r\r\n+CGATT: 1\r\n\r\nOK\r\n", "attached yes"},
        {imei, "\r\n352099001761481\r\n\r\nOK\r\n", "IMEI 352099001761481"},
        {imsi, "AT+CIMI\r\n\r\n250017012345678\r\n\r\nOK\r\n", "IMSI 250017012345678"},
        {imsi, "\r\n+CME ERROR: 11\r\n", "+CME ERROR: 11 (SIM PIN required)"},
        {iccid, "\r\n+CRSM: 144,0,\"98070121436587092143\"\r\n\r\nOK\r\n", "ICCID 89701012345678901234"},
        {iccid, "\r\n+CRSM: 144,0,\"980701214365870921F3\"\r\n\r\nOK\r\n", "ICCID 8970101234567890123"},
        {iccid, "\r\n+CRSM: 148,4\r\n\r\nOK\r\n", "ICCID not read (SIM answered 148,4)"},
        {imsi, "\r\n\r\nOK\r\n", "OK"},
        {sim, "\r\n+CME ERROR: 12345678901234567890\r\n", "+CME ERROR: 123456"},  // found by fuzz_trace: it hung
        {signal, "\r\n+CSQ: 99999999,99\r\n\r\nOK\r\n", "signal 999999 = unknown"},
        // Nothing final yet: the rest is still to come.
        {signal, "\r\n+CSQ: 15,99\r\n", "signal 15 = -83 dBm (good), OK still to come"},
        {signal, "AT+CSQ\r", "the echo, the answer still to come"},
        {signal, "\r\n+CSQ: 15,9", "not recognised"},  // cut inside the line
        {signal, "#\x13~", "not recognised"},
        {registration, "\r\n+CREG: 1\r\n", "not recognised"},  // an unsolicited one alone
    };
    for (const auto& c : cases) {
        StatusAnswer answer;
        const std::string meaning = read(c.step, {c.burst}, &answer);
        const bool echoed = c.burst.compare(0, 2, "AT") == 0;
        EXPECT_EQ(meaning, c.meaning) << statusStepName(c.step) << ": " << c.burst;
        EXPECT_EQ(answer.echo, echoed) << c.burst;
    }
}

TEST(StatusAnswersTest, TheValuesThemselves) {
    StatusAnswer answer;
    read(signal, {"AT+CSQ\r\r\n+CSQ: 3,7\r\n\r\nOK\r\n"}, &answer);
    EXPECT_TRUE(answer.echo);
    EXPECT_EQ(answer.first, 3);
    EXPECT_EQ(answer.second, 7);
    EXPECT_EQ(answer.final, FinalResult::ok);
    read(sim, {"\r\n+CPIN: SIM PUK2 \r\n\r\nOK\r\n"}, &answer);
    EXPECT_EQ(answer.sim, SimState::otherPin);
    EXPECT_STREQ(answer.text, "SIM PUK2");
    read(sim, {"\r\n+CME ERROR: 14\r\n"}, &answer);
    EXPECT_EQ(answer.final, FinalResult::cmeError);
    EXPECT_EQ(answer.cme, 14);
    read(operatorStep, {"\r\n+COPS: 1,2,\"25099\",7\r\n\r\nOK\r\n"}, &answer);
    EXPECT_EQ(answer.first, 1);
    EXPECT_EQ(answer.second, 2);
    EXPECT_STREQ(answer.text, "25099");
    read(iccid, {"\r\n+CRSM: 144,0,\"9807\"\r\n\r\nOK\r\n"}, &answer);
    EXPECT_STREQ(answer.text, "8970");
}

// Answers from a modem slower than a step's time land during the next step: its echo or its
// information line, with nothing of this step's own, says whose they are.
TEST(StatusAnswersTest, ALateAnswerToAnotherCommandIsLeftOut) {
    EXPECT_EQ(read(signal, {"\r\n+CPIN: READY\r\n\r\nOK\r\n"}), "not recognised (left out)");
    EXPECT_EQ(read(signal, {"AT+CPIN?\r\r\n+CPIN: READY\r\n\r\nOK\r\n"}), "not recognised (left out)");
    EXPECT_EQ(read(imsi, {"AT+CGSN\r\r\n352099001761481\r\n\r\nOK\r\n"}), "not recognised (left out)");
    EXPECT_EQ(read(imei, {"\r\n+CGATT: 1\r\n\r\nOK\r\n"}), "not recognised (left out)");
    // ... but an unsolicited line in front of this step's own answer is no reason to.
    EXPECT_EQ(read(signal, {"\r\n+CREG: 0,2\r\n\r\n+CSQ: 20,99\r\n\r\nOK\r\n"}), "signal 20 = -73 dBm (excellent)");
    // A late answer left out keeps what came before it.
    EXPECT_EQ(read(signal, {"\r\n+CSQ: 20,99\r\n", "\r\n+CPIN: READY\r\n\r\nOK\r\n"}),
              "signal 20 = -73 dBm (excellent), OK still to come (left out)");
}

TEST(StatusAnswersTest, AnAnswerSplitOverBurstsIsPutTogether) {
    EXPECT_EQ(read(signal, {"AT+CSQ\r", "\r\n+CSQ: 20,99\r\n", "\r\nOK\r\n"}), "signal 20 = -73 dBm (excellent)");
    // A line torn between two bursts: its tail opens the next one and is not taken for a value.
    EXPECT_EQ(read(imsi, {"\r\n2500170", "12345678\r\n\r\nOK\r\n"}), "OK");
    // Once final, later bursts and later lines change nothing.
    EXPECT_EQ(read(signal, {"\r\nOK\r\n\r\n+CSQ: 5,99\r\n"}), "OK");
    EXPECT_EQ(read(signal, {"\r\nERROR\r\n", "\r\n+CSQ: 5,99\r\n\r\nOK\r\n"}), "ERROR (left out)");
}

TEST(StatusAnswersTest, IccidDigitsComeInSwappedPairsWithPadding) {
    const struct {
        const char* hex;
        const char* digits;  // "" for refused
    } cases[] = {
        {"98070121436587092143", "89701012345678901234"},
        {"980701214365870921F3", "8970101234567890123"},
        {"980701214365870921ff", "897010123456789012"},
        {"9807012143658709214", ""},   // odd
        {"98070121436587092A43", ""},  // a hex digit standing for no decimal one
        {"FFFF", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        char out[32];
        const std::string hex = c.hex;
        const bool ok = iccidDigits(reinterpret_cast<const uint8_t*>(hex.data()), hex.size(), out, sizeof out);
        EXPECT_EQ(ok, *c.digits != '\0') << c.hex;
        EXPECT_STREQ(out, c.digits) << c.hex;
    }
    char small[6];
    const std::string hex = "98070121";
    EXPECT_FALSE(iccidDigits(reinterpret_cast<const uint8_t*>(hex.data()), hex.size(), small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST(StatusAnswersTest, TheCommandsAreStandardReadsOnly) {
    const std::vector<std::string> expected = {
        "AT+CMEE?\r\n", "AT+CMEE=1\r\n", "AT+CPIN?\r\n", "AT+CSQ\r\n",  "AT+CREG?\r\n", "AT+CGREG?\r\n",
        "AT+COPS?\r\n", "AT+CGATT?\r\n", "AT+CGSN\r\n",  "AT+CIMI\r\n", "AT+CRSM=176,12258,0,0,10\r\n",
    };
    ASSERT_EQ(size_t(restoreErrorModeStep), expected.size());
    for (unsigned step = 0; step < restoreErrorModeStep; ++step) {
        const uint8_t* counted = statusCommand(step);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(counted + 1), counted[0]), expected[step]) << step;
    }
    for (int mode : {0, 2, 17}) {
        uint8_t counted[statusCommandCapacity];
        composeRestoreCommand(mode, counted);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(counted + 1), counted[0]), "AT+CMEE=" + std::to_string(mode) + "\r\n");
    }
    EXPECT_STREQ(statusStepName(signal), "signal");
    EXPECT_STREQ(statusStepName(restoreErrorModeStep), "error mode back");
}

}  // namespace
