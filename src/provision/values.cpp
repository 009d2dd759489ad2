#include "provision/values.h"

#include "modem/modem_jobs.h"
#include "provision/boxes.h"
#include "unit/unit_frame.h"

namespace tarnwick::provision {

namespace {

bool allDigits(const std::string& text) {
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The unit answers a number with one byte.
constexpr int largestAddress = 255;

}  // namespace

const char* valueName(Value value) {
    static const char* const names[valueCount] = {"period", "address", "phone1", "phone2", "sms-phone",
                                                  "ip",     "apn",     "user",   "password"};
    return names[static_cast<size_t>(value)];
}

bool Wanted::touchesModem() const {
    if (noInternet) return true;
    for (Value value : setUpValues)
        if ((*this)[value]) return true;
    return false;
}

std::string checkWanted(const Wanted& wanted, bool passwordNeeded) {
    for (Value value : {Value::period, Value::address}) {
        const std::optional<std::string>& text = wanted[value];
        if (!text) continue;
        if (text->size() != 3 || !allDigits(*text))
            return std::string(valueName(value)) + ": \"" + *text + "\" is not three digits (000..999)";
        if (value == Value::address && std::stoi(*text) > largestAddress)
            return "address: " + *text + " is above 255; the unit answers one byte";
    }
    for (Value value : {Value::phone1, Value::phone2, Value::smsPhone}) {
        const std::optional<std::string>& text = wanted[value];
        if (text && text->size() > maxPhoneLength)
            return std::string(valueName(value)) + ": more than " + std::to_string(maxPhoneLength) +
                   " characters";
    }
    if (!wanted.touchesModem()) return {};
    if (wanted.noInternet) {
        for (Value value : setUpValues)
            if (wanted[value])
                return std::string(valueName(value)) + ": no modem values go with --no-internet";
        return {};
    }
    // The set-up sends all four together; a value left out would be whatever the panel held.
    for (Value value : setUpValues)
        if (!wanted[value] && (value != Value::password || passwordNeeded))
            return std::string(valueName(value)) +
                   ": the modem is set up as a whole; give --ip, --apn, --user and the password";
    // The set-up's own check, on the panel's boxes that it sends from.
    for (Value value : setUpValues) putBoxText(boxOf(value), wanted[value].value_or(""));
    if (!modemValuesSendable())
        return "modem: a value is too long or holds a double quote or a control character";
    return {};
}

}  // namespace tarnwick::provision
