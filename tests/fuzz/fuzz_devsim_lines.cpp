// The simulated modem's AT line parser on arbitrary command lines, one after the other on the
// same modem. Checks that every answer has one of the forms a modem gives (nothing, OK, the
// blank-line OK, ERROR, +CME ERROR, or a listing or a value that ends in OK), and that a listing
// shows a password only as stars.
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
        // After AT+CMEE=1 or =2 an equipment error reads +CME ERROR: <n> or its words.
        const bool equipmentError = answer.compare(0, 14, "\r\n+CME ERROR: ") == 0 && endsWith(answer, "\r\n") &&
                                    answer.find('\r', 2) == answer.size() - 2;
        FUZZ_CHECK(answer.empty() || answer == "\r\nOK\r\n" || answer == "\r\n\r\nOK\r\n" ||
                   answer == "\r\nERROR\r\n" || equipmentError ||
                   (answer.compare(0, 2, "\r\n") == 0 && endsWith(answer, "OK\r\n")));
        // Each connection profile's password line: "^SICS: n,"passwd","*****"" or empty.
        for (size_t at = answer.find("\r\n^SICS: "); at != std::string::npos;
             at = answer.find("\r\n^SICS: ", at + 1)) {
            const size_t key = answer.find(',', at + 9);
            if (key == std::string::npos || answer.compare(key, 11, ",\"passwd\",\"") != 0) continue;
            FUZZ_CHECK(answer.compare(key + 11, 7, "*****\"\r") == 0 ||
                       answer.compare(key + 11, 2, "\"\r") == 0);
        }
        start = end + 1;
    }
    return 0;
}
