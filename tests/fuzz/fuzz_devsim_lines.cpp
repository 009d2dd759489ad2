// The simulated modem's AT line parser on arbitrary command lines, one after the other on the
// same modem. Checks that every answer has one of the forms a modem gives (nothing, OK, the
// blank-line OK, ERROR, or a listing that ends in OK), and that a listing never shows a
// password.
#include <cstdint>
#include <string>

#include "devsim.h"
#include "fuzz_check.h"

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    devsim::ModemState modem;
    modem.connection[0].set("passwd", "topsecret");
    std::string input(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\r', start);
        if (end == std::string::npos) end = input.size();
        const std::string answer = devsim::answerModemLine(modem, input.substr(start, end - start));
        FUZZ_CHECK(answer.empty() || answer == "\r\nOK\r\n" || answer == "\r\n\r\nOK\r\n" ||
                   answer == "\r\nERROR\r\n" || (answer.compare(0, 2, "\r\n") == 0 && endsWith(answer, "OK\r\n")));
        FUZZ_CHECK(answer.find("topsecret") == std::string::npos);
        start = end + 1;
    }
    return 0;
}
