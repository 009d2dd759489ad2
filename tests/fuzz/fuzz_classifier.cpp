// The classifier on an arbitrary burst over arbitrary leftover buffer contents. The first two
// bytes give the burst's length; the next bytes fill the buffer as an earlier burst left it,
// then the burst is laid over it. Checks beyond "no crash": the bytes stay, the count is reset,
// only known bits are set, and every value found lies within the received bytes.
#include <cstdint>
#include <cstring>

#include "base/app_state.h"
#include "fakes.h"
#include "fuzz_check.h"
#include "serial/buffers.h"
#include "serial/classifier.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        fake::reset();
        ipAddressField.createMultiLineEdit(0, 0, 200, 22, fake::window(), idIpAddress);
        apnField.createEdit(0, 0, 200, 20, fake::window(), idApn);
        userField.createEdit(0, 0, 200, 20, fake::window(), idUser);
        return true;
    }();
    (void)ready;
    if (size < 2) return 0;
    const size_t burst = (data[0] | data[1] << 8) % (rxBufferSize + 1);
    data += 2;
    size -= 2;
    std::memset(rxBuffer, 0, rxBufferSize);
    const size_t leftover = size < rxBufferSize ? size : rxBufferSize;
    std::memcpy(rxBuffer, data, leftover);
    rxCount = static_cast<uint32_t>(burst);
    uint8_t before[rxBufferSize];
    std::memcpy(before, rxBuffer, rxBufferSize);

    const BurstMeaning meaning = interpretBurst(rxBuffer, rxCount);
    for (const ByteRun* run : {&meaning.user, &meaning.apn, &meaning.address, &meaning.identity})
        FUZZ_CHECK(!run->found || run->start + run->length <= burst);
    FUZZ_CHECK(meaning.answerStart <= burst);
    responseStatus = 0;
    const uint8_t bit = classifyBurst();
    FUZZ_CHECK(bit == meaning.bit);
    FUZZ_CHECK(bit == 0 || bit == okBit || bit == blankOkBit || bit == sicsBit || bit == sissBit || bit == errorBit ||
               bit == frameBit || bit == identityBit || bit == statusBit);
    FUZZ_CHECK(bit == 0 || (bit & (bit - 1)) == 0);
    FUZZ_CHECK(rxCount == 0);
    FUZZ_CHECK(std::memcmp(before, rxBuffer, rxBufferSize) == 0);
    for (TextField* field : {&ipAddressField, &apnField, &userField}) FUZZ_CHECK(field->size() <= 255);
    return 0;
}
