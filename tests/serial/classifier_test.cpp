#include "serial/classifier.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/app_state.h"
#include "fakes.h"
#include "serial/buffers.h"

using namespace tarnwick;

namespace {

class ClassifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::reset();
        fake::resetLink();
        ipAddressField.createMultiLineEdit(0, 0, 200, 22, fake::window(), 3021);
        apnField.createEdit(0, 0, 200, 20, fake::window(), 3022);
        userField.createEdit(0, 0, 200, 20, fake::window(), 3023);
        for (int id : {3021, 3022, 3023}) fake::controlById(id)->text = "before";
    }

    // Puts a burst into the buffer as the reader leaves it and classifies it.
    uint8_t classify(const std::string& burst) {
        std::memcpy(rxBuffer, burst.data(), burst.size());
        rxCount = static_cast<uint32_t>(burst.size());
        responseStatus = 0;
        classifyBurst();
        return responseStatus;
    }

    std::string shown(int id) { return fake::controlById(id)->text; }
};

TEST_F(ClassifierTest, EachPrefixSetsItsOwnBit) {
    EXPECT_EQ(classify("\r\nOK\r\n"), okBit);
    EXPECT_EQ(classify("\r\nOK\r\nmore text after the prefix"), okBit);
    EXPECT_EQ(classify("ATE0\r\r\nOK\r\n"), okBit);
    EXPECT_EQ(classify("\r\n\r\nOK\r\n"), blankOkBit) << "the blank-line form is not the plain OK";
    EXPECT_EQ(classify("\r\nERROR\r\n"), errorBit);
    EXPECT_EQ(classify("\r\n^SICS: 0,\"conType\",\"GPRS0\"\r\n"), sicsBit);
    EXPECT_EQ(classify("\r\n^SISS: 0,\"srvType\",\"Socket\"\r\n"), sissBit);
    EXPECT_EQ(classify(std::string("\x0A\x21\xAA\x40\x07", 5)), frameBit);
    EXPECT_EQ(classify(std::string("\x0A\x21\xAA", 3) + std::string(590, 'x')), frameBit);
}

// AT+CGSN's answer, which only the identity query asks for: its own bit, behind an echo too,
// and the digits alone; an empty line followed by anything but a digit is no serial number.
TEST_F(ClassifierTest, ASerialNumberSetsTheIdentityBitAndNothingElse) {
    EXPECT_EQ(classify("\r\n352099001761481\r\n\r\nOK\r\n"), identityBit);
    EXPECT_EQ(classify("AT+CGSN\r\r\n352099001761481\r\n\r\nOK\r\n"), identityBit);
    EXPECT_EQ(shown(3021), "before") << "no field takes it";
    const std::string echoed = "AT+CGSN\r\r\n35209900\r\n";
    const BurstMeaning meaning = interpretBurst(reinterpret_cast<const uint8_t*>(echoed.data()), echoed.size());
    EXPECT_EQ(echoed.substr(meaning.identity.start, meaning.identity.length), "35209900");
    EXPECT_EQ(classify("\r\n\r\nOK\r\n"), blankOkBit);
    EXPECT_EQ(classify("\r\n+CGSN: 352099001761481\r\n"), 0);
}

// The status check's answers: their own bit, behind an echo too, and never one of the bits the
// twelve jobs and the identity query wait for. An IMSI is bare digits like a serial number, and
// takes the identity bit as a serial number does.
TEST_F(ClassifierTest, StatusAnswersSetTheStatusBitAndNoneOfTheOthers) {
    const struct {
        std::string burst;
        uint8_t bit;
    } cases[] = {
        {"\r\n+CPIN: READY\r\n\r\nOK\r\n", statusBit},
        {"AT+CSQ\r\r\n+CSQ: 13,99\r\n\r\nOK\r\n", statusBit},
        {"\r\n+CREG: 0,1\r\n\r\nOK\r\n", statusBit},
        {"\r\n+CGREG: 2,5,\"1A2B\",\"00C3D4E5\"\r\n\r\nOK\r\n", statusBit},
        {"\r\n+COPS: 0,0,\"MegaFon\",0\r\n\r\nOK\r\n", statusBit},
        {"\r\n+CGATT: 1\r\n\r\nOK\r\n", statusBit},
        {"\r\n+CRSM: 144,0,\"98070121436587092143\"\r\n\r\nOK\r\n", statusBit},
        {"\r\n+CMEE: 0\r\n\r\nOK\r\n", statusBit},
        {"\r\n+CME ERROR: 10\r\n", statusBit},
        {"AT+CIMI\r\r\n+CME ERROR: SIM PIN required\r\n", statusBit},
        {"\r\n250017012345678\r\n\r\nOK\r\n", identityBit},
        {"\r\n+CSQ", 0},                 // cut before its colon
        {"\r\n+CGSN: 352099001761481\r\n", 0},
        {"\r\n+CMTI: \"SM\",3\r\n", 0},  // an unsolicited message, no status answer
        {"+CSQ: 13,99\r\n", 0},           // without the line end in front
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classify(c.burst), c.bit) << c.burst;
        EXPECT_EQ(shown(3021), "before");
    }
}

TEST_F(ClassifierTest, NearMissesSetNothing) {
    for (const std::string& burst :
         {std::string("OK\r\n"), std::string("AT&W\r"), std::string("ATE0\r\nOK\r\n"),
          std::string("AT\nOK\r\n"), std::string("at\r\r\nOK\r\n"), std::string("\r\nERROR: 3\r\n"), std::string("\r\n+CMEE ERROR: 4\r\n"),
          std::string("ERROR\r\n"), std::string("\x00\x0A\x21\xAA\x40", 5),
          std::string("\x0A\x21\xAB", 3), std::string("\r\n^SISS 9\r\n"), std::string("")}) {
        EXPECT_EQ(classify(burst), 0) << burst;
        EXPECT_EQ(rxCount, 0u);
    }
}

// A modem whose echo is on sends the command line back first; the answer behind it counts.
TEST_F(ClassifierTest, AnAnswerBehindTheEchoOfItsCommandLineIsRecognised) {
    EXPECT_EQ(classify("AT^SIPS=all,reset,0\r\r\n\r\nOK\r\n"), blankOkBit);
    EXPECT_EQ(classify("AT&W\r\r\nOK\r\n"), okBit);
    EXPECT_EQ(classify("AT+CMGF=1\r\r\nERROR\r\n"), errorBit);
    EXPECT_EQ(classify("+++\r\r\nOK\r\n"), okBit);
    EXPECT_EQ(classify("ATE0\r\n\r\nOK\r\n"), okBit) << "with the LF echoed as well";
    const std::string query = "AT^SISS?\r\r\n^SISS: 9,\"address\",\"socktcp://10.0.0.5:65534\"\r\n";
    EXPECT_EQ(classify(query), sissBit);
    EXPECT_EQ(shown(3021), "10.0.0.5");
}

TEST_F(ClassifierTest, BitsAccumulateAcrossBursts) {
    classify("\r\nOK\r\n");
    std::memcpy(rxBuffer, "\r\nERROR\r\n", 9);
    rxCount = 9;
    classifyBurst();
    EXPECT_EQ(responseStatus, okBit | errorBit);
}

TEST_F(ClassifierTest, CountIsResetAndBytesStay) {
    const std::string burst("\x0A\x21\xAA\x41\x2A\x00\x00", 7);
    classify(burst);
    EXPECT_EQ(rxCount, 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rxBuffer), 7), burst);
}

TEST_F(ClassifierTest, LeftoverBytesNeverCompleteAPrefix) {
    classify("\r\nOK\r\n");
    // A two-byte burst "\r\n" over the leftover "OK\r\n" must not read as OK again.
    EXPECT_EQ(classify("\r\n"), 0);
    classify("\r\n^SICS: 0,\"user\",\"olduser\"\r\n");
    EXPECT_EQ(classify("\r\n^SI"), 0);
    EXPECT_EQ(shown(3023), "olduser");
}

TEST_F(ClassifierTest, ConnectionListingFillsUserAndApnInEitherOrder) {
    const std::string listing =
        "\r\n^SICS: 0,\"conType\",\"GPRS0\"\r\n"
        "^SICS: 0,\"apn\",\"internet.op\"\r\n"
        "^SICS: 0,\"user\",\"gprs\"\r\n"
        "^SICS: 1,\"user\",\"other\"\r\n"
        "^SICS: 0,\"user\",\"second\"\r\n\r\nOK\r\n";
    EXPECT_EQ(classify(listing), sicsBit);
    EXPECT_EQ(shown(3023), "gprs") << "the first match wins";
    EXPECT_EQ(shown(3022), "internet.op");
    EXPECT_TRUE(userField.rawSelected());
}

TEST_F(ClassifierTest, EmptyOrUnterminatedValuesLeaveTheFields) {
    EXPECT_EQ(classify("\r\n^SICS: 0,\"user\",\"\"\r\n^SICS: 0,\"apn\",\"half"), sicsBit);
    EXPECT_EQ(shown(3023), "before");
    EXPECT_EQ(shown(3022), "before");

    // A closing quote among leftover bytes beyond this burst does not close the value.
    const std::string old = "\r\n^SICS: 0,\"apn\",\"abcdefghij\"\r\n";
    classify(old);
    EXPECT_EQ(shown(3022), "abcdefghij");
    fake::controlById(3022)->text = "before";
    EXPECT_EQ(classify("\r\n^SICS: 0,\"apn\",\"xy"), sicsBit);
    EXPECT_EQ(shown(3022), "before");

    EXPECT_EQ(classify("\r\n^SICS: 0,\"conType\",\"GPRS0\"\r\n"), sicsBit) << "nothing found";
}

TEST_F(ClassifierTest, ValueRunningToTheEndOfAFullBufferIsNotReadPastIt) {
    std::string burst = "\r\n^SICS: 0,\"user\",\"";
    burst += std::string(rxBufferSize - burst.size(), 'u');
    rxBuffer[rxBufferSize - 1] = 'u';
    EXPECT_EQ(classify(burst), sicsBit);
    EXPECT_EQ(shown(3023), "before");
}

TEST_F(ClassifierTest, LongValueIsCutByTheField) {
    const std::string burst = "\r\n^SICS: 0,\"apn\",\"" + std::string(300, 'a') + "\"\r\n";
    classify(burst);
    EXPECT_EQ(shown(3022), std::string(255, 'a'));
}

TEST_F(ClassifierTest, ServiceListingYieldsTheBareClientAddress) {
    const std::string listing =
        "\r\n^SISS: 0,\"srvType\",\"Socket\"\r\n"
        "^SISS: 0,\"address\",\"socktcp://listener:65534\"\r\n"
        "^SISS: 9,\"srvType\",\"Socket\"\r\n"
        "^SISS: 9,\"address\",\"socktcp://192.168.10.7:65534\"\r\n\r\nOK\r\n";
    EXPECT_EQ(classify(listing), sissBit);
    EXPECT_EQ(shown(3021), "192.168.10.7");
    EXPECT_TRUE(ipAddressField.rawSelected());
}

TEST_F(ClassifierTest, AddressArithmeticAtItsEdges) {
    // Ending in '0': 32 bytes are dropped in all, 10 in front and 22 behind.
    classify("\r\n^SISS: 9,\"address\",\"socktcp://telemetry.example.net:65530\"\r\n");
    EXPECT_EQ(shown(3021), "telem");

    // Exactly the frame: an empty address.
    classify("\r\n^SISS: 9,\"address\",\"socktcp://:65534\"\r\n");
    EXPECT_EQ(shown(3021), "");

    // Too short for the arithmetic: unchanged.
    fake::controlById(3021)->text = "before";
    EXPECT_EQ(classify("\r\n^SISS: 9,\"address\",\"tcp://a:1\"\r\n"), sissBit);
    EXPECT_EQ(shown(3021), "before");
    EXPECT_EQ(classify("\r\n^SISS: 9,\"address\",\"socktcp://1.2.3.4:0\"\r\n"), sissBit);
    EXPECT_EQ(shown(3021), "before") << "19 bytes ending in '0' are short of 32";

    // Profile 0's address is never taken for the client address.
    EXPECT_EQ(classify("\r\n^SISS: 0,\"address\",\"socktcp://listener:65534\"\r\n"), sissBit);
    EXPECT_EQ(shown(3021), "before");
}

TEST_F(ClassifierTest, ScansRunOnlyForTheirOwnListing) {
    classify("\r\nOK\r\n^SICS: 0,\"user\",\"sneaky\"\r\n^SISS: 9,\"address\",\"socktcp://1.1.1.1:65534\"");
    EXPECT_EQ(shown(3023), "before");
    EXPECT_EQ(shown(3021), "before");
    classify("\r\n^SISS: 0,\"srvType\",\"Socket\"\r\n^SICS: 0,\"user\",\"sneaky\"\r\n");
    EXPECT_EQ(shown(3023), "before");
}

}  // namespace
