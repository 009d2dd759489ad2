// The parameter jobs' answer decoding: a read job of every kind is answered with arbitrary
// bytes behind the unit's start mark, over arbitrary bytes an earlier answer left. Checks that
// a number read shows three digits of 0..255 or leaves its field, and a telephone read shows
// no more than the answer held from byte 7 on.
#include <cstdint>
#include <string>

#include "app/commands.h"
#include "app/layout.h"
#include "app/tick.h"
#include "base/app_state.h"
#include "fakes.h"
#include "fuzz_check.h"
#include "serial/buffers.h"
#include "serial/send_queue.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    fake::startWithOpenLink();
    const int row = data[0] % 5;
    // An earlier, longer burst leaves its bytes behind.
    const std::string earlier(reinterpret_cast<const char*>(data + 1), size - 1);
    fake::deliverBurst(earlier);
    const int valueId = idFirstValue + row;
    fake::controlById(valueId)->text = "old";
    handleCommand(idFirstRead + row, notifyClick);
    mainTick();
    mainTick();  // the request goes out
    uint8_t sent[255];
    while (takePendingSend(sent) >= 0) {
    }
    const size_t cut = data[1] % (size - 1);
    fake::deliverBurst(std::string("\x0A\x21\xAA", 3) + earlier.substr(0, cut));
    for (int i = 0; i < 4; ++i) mainTick();
    const std::string shown = fake::controlById(valueId)->text;
    const size_t received = 3 + cut;
    if (row < 2) {
        FUZZ_CHECK(shown == "old" || (shown.size() == 3 && shown <= "255" &&
                                      shown.find_first_not_of("0123456789") == std::string::npos));
        FUZZ_CHECK(shown != "old" || received <= 4);
    } else {
        FUZZ_CHECK(shown.size() <= (received > 7 ? received - 7 : 0));
    }
    return 0;
}
