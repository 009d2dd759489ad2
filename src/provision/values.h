#pragma once
// The values provisioning knows: the unit's five parameters and the modem panel's four, as
// options, profiles and reports name them, and what a run is asked to write.
#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "base/ids.h"

namespace tarnwick::provision {

// The unit's values first, in the rows' order of the window, then the modem panel's.
enum class Value { period, address, phone1, phone2, smsPhone, ip, apn, user, password };
constexpr size_t valueCount = 9;
static_assert(static_cast<int>(Value::smsPhone) + 1 == parameterRowCount && static_cast<size_t>(Value::password) + 1 == valueCount,
              "the unit's values are the window's rows, in their order");

constexpr Value unitValues[] = {Value::period, Value::address, Value::phone1, Value::phone2, Value::smsPhone};
// What the modem query reads back; the password is never read.
constexpr Value modemValues[] = {Value::ip, Value::apn, Value::user};
// What the set-up sends, all four together.
constexpr Value setUpValues[] = {Value::ip, Value::apn, Value::user, Value::password};

constexpr bool isModemValue(Value value) { return value >= Value::ip; }
// The row of a unit value.
constexpr int rowOf(Value value) { return static_cast<int>(value); }

// The name of a value as options, profiles and reports spell it: "period", "sms-phone".
const char* valueName(Value value);

// What to write; a value not given is left as the unit and the modem have it.
struct Wanted {
    std::array<std::optional<std::string>, valueCount> values;
    bool noInternet = false;  // reset the modem for a unit without internet

    const std::optional<std::string>& operator[](Value v) const { return values[size_t(v)]; }
    std::optional<std::string>& operator[](Value v) { return values[size_t(v)]; }
    bool touchesModem() const;
};

// Checks the values with the window's rules before anything is sent: period and address are
// three digits (the address at most 255, the unit answers one byte), telephone texts at most
// 18 characters, the modem values such as the set-up can send. Returns the failure line, or
// an empty text. Without `passwordNeeded` the modem's ip, apn and user may come without the
// password: `diff` never writes, and `apply` sets the modem up only when a value differs.
std::string checkWanted(const Wanted& wanted, bool passwordNeeded = true);

}  // namespace tarnwick::provision
