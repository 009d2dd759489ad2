// What the simulated modem answers to the standard status commands (3GPP TS 27.007), as a
// modem of its kind does: the SIM, the signal, the registrations, the operator, the packet
// attach, the IMSI, the ICCID from the SIM's file, and the error mode that decides how an
// error reads.
#include <cstdlib>
#include <cstring>

#include "devsim.h"

namespace devsim {

namespace {

const char okAnswer[] = "\r\nOK\r\n";
const char errorAnswer[] = "\r\nERROR\r\n";

std::string info(const std::string& line) { return "\r\n" + line + "\r\n" + okAnswer; }

const char* errorWords(int code) {
    switch (code) {
    case 3: return "operation not allowed";
    case 10: return "SIM not inserted";
    case 11: return "SIM PIN required";
    case 12: return "SIM PUK required";
    default: return "unknown";
    }
}

// The SIM error that keeps a command from the SIM's contents, 0 when the SIM is ready.
int simError(const ModemState& modem) {
    switch (modem.sim) {
    case Sim::ready: return 0;
    case Sim::absent: return 10;
    case Sim::pin: return 11;
    case Sim::puk: return 12;
    }
    return 10;
}

bool registered(const ModemState& modem) {
    return modem.sim == Sim::ready &&
           (modem.registration == Registration::home || modem.registration == Registration::roaming);
}

int circuitStat(const ModemState& modem) {
    return modem.sim == Sim::ready ? static_cast<int>(modem.registration) : 0;
}

bool attached(const ModemState& modem) { return registered(modem) && modem.attach; }

// A registered modem that is not attached is not registered for packet data either.
int packetStat(const ModemState& modem) {
    if (registered(modem)) return attached(modem) ? static_cast<int>(modem.registration) : 0;
    return circuitStat(modem);
}

std::string registrationLine(const char* name, int mode, int stat) {
    std::string line = std::string(name) + ": " + std::to_string(mode) + "," + std::to_string(stat);
    if (mode == 2 && (stat == 1 || stat == 5)) line += ",\"1A2B\",\"00C3D4E5\"";
    return info(line);
}

bool allDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// EF ICCID as READ BINARY gives it: ten bytes, each byte's two digits swapped, F padding.
std::string iccidFile(const std::string& digits) {
    std::string padded = digits;
    padded.resize(20, 'F');
    std::string hex;
    for (size_t i = 0; i < padded.size(); i += 2) {
        hex.push_back(padded[i + 1]);
        hex.push_back(padded[i]);
    }
    return hex;
}

// AT+<NAME>=<one digit 0..high>: the digit, or -1.
int setting(const std::string& command, const char* name, int high) {
    const size_t length = std::strlen(name);
    if (command.size() != length + 2 || command.compare(0, length, name) != 0 || command[length] != '=') return -1;
    const int n = command[length + 1] - '0';
    return n >= 0 && n <= high ? n : -1;
}

}  // namespace

std::string equipmentError(const ModemState& modem, int code) {
    if (modem.errorMode == 1) return "\r\n+CME ERROR: " + std::to_string(code) + "\r\n";
    if (modem.errorMode == 2) return std::string("\r\n+CME ERROR: ") + errorWords(code) + "\r\n";
    return errorAnswer;
}

std::string answerStatusCommand(ModemState& modem, const std::string& command) {
    if (command == "AT+CMEE?") return info("+CMEE: " + std::to_string(modem.errorMode));
    if (command == "AT+CMEE=?") return info("+CMEE: (0-2)");
    const struct {
        const char* name;
        int* slot;
    } settings[] = {{"AT+CMEE", &modem.errorMode}, {"AT+CREG", &modem.cregMode}, {"AT+CGREG", &modem.cgregMode}};
    for (const auto& s : settings) {
        const size_t length = std::strlen(s.name);
        if (command.size() <= length || command.compare(0, length, s.name) != 0 || command[length] != '=') continue;
        const int n = setting(command, s.name, 2);
        if (n < 0) return errorAnswer;
        *s.slot = n;
        return okAnswer;
    }
    if (command == "AT+CPIN?") {
        if (modem.sim == Sim::absent) return equipmentError(modem, 10);
        return info(modem.sim == Sim::ready ? "+CPIN: READY" : modem.sim == Sim::pin ? "+CPIN: SIM PIN" : "+CPIN: SIM PUK");
    }
    if (command == "AT+CSQ") return info("+CSQ: " + std::to_string(modem.rssi) + "," + std::to_string(modem.ber));
    if (command == "AT+CREG?") return registrationLine("+CREG", modem.cregMode, circuitStat(modem));
    if (command == "AT+CGREG?") return registrationLine("+CGREG", modem.cgregMode, packetStat(modem));
    if (command == "AT+COPS?") {
        if (!registered(modem)) return info("+COPS: 0");
        const bool numeric = allDigits(modem.operatorName);
        return info(std::string("+COPS: 0,") + (numeric ? "2" : "0") + ",\"" + modem.operatorName + "\",0");
    }
    if (command == "AT+CGATT?") return info(std::string("+CGATT: ") + (attached(modem) ? "1" : "0"));
    if (command == "AT+CIMI") {
        if (simError(modem) != 0) return equipmentError(modem, simError(modem));
        return info(modem.imsi);
    }
    // The ICCID is readable before the PIN is given; other files are not simulated.
    if (command == "AT+CRSM=176,12258,0,0,10") {
        if (modem.sim == Sim::absent) return equipmentError(modem, 10);
        return info("+CRSM: 144,0,\"" + iccidFile(modem.iccid) + "\"");
    }
    if (command.compare(0, 7, "AT+CRSM") == 0) return info("+CRSM: 106,130");
    return {};
}

int parseStatusOption(const std::string& option, const char* value, ModemState& modem) {
    const std::string text = value;
    if (option == "--sim") {
        const Sim sims[] = {Sim::ready, Sim::absent, Sim::pin, Sim::puk};
        const char* const names[] = {"ready", "absent", "pin", "puk"};
        for (size_t k = 0; k < 4; ++k)
            if (text == names[k]) {
                modem.sim = sims[k];
                return 2;
            }
        return -1;
    }
    if (option == "--registration") {
        const Registration kinds[] = {Registration::home, Registration::roaming, Registration::searching,
                                      Registration::denied, Registration::none};
        const char* const names[] = {"home", "roaming", "searching", "denied", "none"};
        for (size_t k = 0; k < 5; ++k)
            if (text == names[k]) {
                modem.registration = kinds[k];
                return 2;
            }
        return -1;
    }
    if (option == "--signal" || option == "--attached" || option == "--cmee") {
        if (text.empty() || !allDigits(text)) return -1;
        const int n = std::atoi(value);
        if (option == "--signal" && (n <= 31 || n == 99) && text.size() <= 2) modem.rssi = n;
        else if (option == "--attached" && (text == "0" || text == "1")) modem.attach = n == 1;
        else if (option == "--cmee" && n <= 2 && text.size() == 1) modem.errorMode = n;
        else return -1;
        return 2;
    }
    if (option == "--operator") {
        if (text.empty() || text.find('"') != std::string::npos || text.size() > 60) return -1;
        modem.operatorName = text;
        return 2;
    }
    if (option == "--imsi" || option == "--iccid") {
        if (!allDigits(text) || text.size() > (option == "--imsi" ? 15u : 20u)) return -1;
        (option == "--imsi" ? modem.imsi : modem.iccid) = text;
        return 2;
    }
    return 0;
}

}  // namespace devsim
