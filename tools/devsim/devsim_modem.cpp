// What the simulated unit and modem answer: the unit's parameter reads and writes, and the
// modem's AT commands with its connection and service profiles.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "devsim.h"

namespace devsim {

namespace {

const char okAnswer[] = "\r\nOK\r\n";
// The internet-service commands answer with an empty line in front of OK.
const char blankOkAnswer[] = "\r\n\r\nOK\r\n";
const char errorAnswer[] = "\r\nERROR\r\n";

const char* const connectionKeys[] = {"conType", "alphabet", "user", "passwd", "apn", "inactTO",
                                      "calledNum", "dataType", "authMode"};
const char* const serviceKeys[] = {"srvType", "conId", "alphabet", "address", "tcpMR", "tcpOT"};

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The canonical spelling of a parameter name, matched without regard to case; empty if unknown.
template <size_t N>
std::string canonicalKey(const std::string& key, const char* const (&keys)[N]) {
    for (const char* known : keys)
        if (upper(key) == upper(known)) return known;
    return {};
}

// A profile number of one or two digits below `limit`; -1 otherwise.
int profileNumber(const std::string& text, int limit) {
    if (text.empty() || text.size() > 2) return -1;
    for (char c : text)
        if (c < '0' || c > '9') return -1;
    const int n = std::atoi(text.c_str());
    return n < limit ? n : -1;
}

// n,"key","value" with the value running to the line's last double quote, so that a value
// holding double quotes of its own is kept whole.
bool parseSetting(const std::string& args, int limit, int& profile, std::string& key,
                  std::string& value) {
    const size_t comma = args.find(',');
    if (comma == std::string::npos) return false;
    profile = profileNumber(args.substr(0, comma), limit);
    if (profile < 0 || args.size() < comma + 2 || args[comma + 1] != '"') return false;
    const size_t keyEnd = args.find('"', comma + 2);
    if (keyEnd == std::string::npos || args.compare(keyEnd, 3, "\",\"") != 0) return false;
    if (args.size() < keyEnd + 4 || args.back() != '"') return false;
    key = args.substr(comma + 2, keyEnd - comma - 2);
    value = args.substr(keyEnd + 3, args.size() - keyEnd - 4);
    return true;
}

// What a service profile in use lists for a parameter that was never set.
std::string serviceDefault(const char* key) {
    if (!std::strcmp(key, "alphabet")) return "0";
    if (!std::strcmp(key, "tcpMR")) return "10";
    if (!std::strcmp(key, "tcpOT")) return "6000";
    return {};
}

std::string listLine(const char* command, int profile, const std::string& key,
                     const std::string& value) {
    return std::string(command) + ": " + std::to_string(profile) + ",\"" + key + "\",\"" + value +
           "\"\r\n";
}

}  // namespace

std::string Device::unitRead(uint8_t selector) {
    std::string reply("\x0A\x21\xAA", 3);
    reply.push_back(static_cast<char>(selector));
    if (selector == 0x41 || selector == 0x40) {
        const int value = selector == 0x41 ? unit_.period : unit_.address;
        reply.push_back(static_cast<char>(value & 0xFF));
        reply += "TN\r\n";
        return reply;
    }
    if (selector < '0' || selector > '2') return {};
    // Bytes 4 to 6 stand in for what the real unit puts there; none of them may be CR, LF or
    // zero, which would end the number text before it begins.
    reply += "PTN";
    reply += unit_.phone[selector - '0'];
    reply += "\r\n";
    return reply;
}

void Device::unitWrite(const std::string& frame) {
    const int slot = frame[3] - '0';
    const size_t size = frame.size();
    if (size >= 10 && frame[size - 2] == '\r' && frame[size - 1] == '\n') {
        unit_.phone[slot] = frame.substr(8, size - 10);
        return;
    }
    const int value = std::atoi(frame.substr(9, 3).c_str());
    (frame[8] == '2' ? unit_.period : unit_.address) = value;
}

namespace {

// Connection profile 0 is always listed with its conType, user, passwd and apn lines; the
// others only once something is set in them. The password is never shown.
std::string listConnections(const ModemState& modem) {
    std::string reply = "\r\n";
    for (int n = 0; n < connectionProfiles; ++n) {
        const Profile& profile = modem.connection[n];
        if (n > 0 && profile.values.empty()) continue;
        for (const char* key : connectionKeys) {
            std::string value = profile.get(key);
            const bool always = !std::strcmp(key, "conType") || !std::strcmp(key, "user") ||
                                !std::strcmp(key, "passwd") || !std::strcmp(key, "apn");
            if (!always && value.empty()) continue;
            if (!std::strcmp(key, "passwd") && !value.empty()) value = "*****";
            reply += listLine("^SICS", n, key, value);
        }
    }
    return reply + okAnswer;
}

// The full listing a modem gives: every parameter of each profile that has a service type,
// with the modem's defaults where nothing was set, and a lone empty srvType line for each
// unused one.
std::string listServices(const ModemState& modem) {
    std::string reply = "\r\n";
    for (int n = 0; n < serviceProfiles; ++n) {
        const Profile& profile = modem.service[n];
        const bool inUse = !profile.get("srvType").empty() || !profile.get("address").empty();
        if (!inUse) {
            reply += listLine("^SISS", n, "srvType", "");
            continue;
        }
        for (const char* key : serviceKeys) {
            std::string value = profile.get(key);
            if (value.empty()) value = serviceDefault(key);
            reply += listLine("^SISS", n, key, value);
        }
    }
    return reply + okAnswer;
}

// AT^SIPS=service|connection|all,save|load|reset,n. "all" works on the profiles of either kind
// that have the number n. Loading a profile that was never saved is an error and loads nothing.
std::string storeProfiles(ModemState& modem, const std::string& arguments) {
    const std::string args = upper(arguments);
    const size_t first = args.find(',');
    const size_t second = first == std::string::npos ? first : args.find(',', first + 1);
    if (second == std::string::npos) return errorAnswer;
    const std::string kind = args.substr(0, first);
    const std::string action = args.substr(first + 1, second - first - 1);
    const int n = profileNumber(args.substr(second + 1), serviceProfiles);
    const bool service = (kind == "SERVICE" || kind == "ALL") && n >= 0;
    const bool connection = (kind == "CONNECTION" || kind == "ALL") && n >= 0 &&
                            n < connectionProfiles;
    if (!service && !connection) return errorAnswer;
    if (action == "SAVE") {
        if (service) {
            modem.storedService[n] = modem.service[n];
            modem.serviceStored[n] = true;
        }
        if (connection) {
            modem.storedConnection[n] = modem.connection[n];
            modem.connectionStored[n] = true;
        }
    } else if (action == "LOAD") {
        // A refusal of the equipment, not of the command line: numeric errors name it.
        if ((service && !modem.serviceStored[n]) || (connection && !modem.connectionStored[n]))
            return equipmentError(modem, 3);
        if (service) modem.service[n] = modem.storedService[n];
        if (connection) modem.connection[n] = modem.storedConnection[n];
    } else if (action == "RESET") {
        if (service) modem.service[n] = Profile();
        if (connection) modem.connection[n] = Profile();
    } else {
        return errorAnswer;
    }
    return blankOkAnswer;
}

std::string internetServiceCommand(ModemState& modem, const std::string& line) {
    const std::string name = upper(line.substr(0, 7));
    const std::string rest = line.substr(7);
    if (rest == "?") {
        if (name == "AT^SICS") return listConnections(modem);
        if (name == "AT^SISS") return listServices(modem);
        return errorAnswer;
    }
    if (rest.empty() || rest[0] != '=') return errorAnswer;
    const std::string args = rest.substr(1);
    if (name == "AT^SIPS") return storeProfiles(modem, args);
    const bool connection = name == "AT^SICS";
    int profile;
    std::string key, value;
    if (!parseSetting(args, connection ? connectionProfiles : serviceProfiles, profile, key, value))
        return errorAnswer;
    key = connection ? canonicalKey(key, connectionKeys) : canonicalKey(key, serviceKeys);
    if (key.empty()) return errorAnswer;
    (connection ? modem.connection : modem.service)[profile].set(key, value);
    return blankOkAnswer;
}

}  // namespace

std::string answerModemLine(ModemState& modem, const std::string& line) {
    const std::string command = upper(line);
    if (!startsWith(command, "AT")) return {};  // not a command line: ignored, as a modem does
    if (command == "AT") return okAnswer;
    if (command == "ATE0" || command == "ATE") {
        modem.echo = false;
        return okAnswer;
    }
    if (command == "ATE1") {
        modem.echo = true;
        return okAnswer;
    }
    if (command == "AT&W") {
        modem.written = true;
        return okAnswer;
    }
    if (command == "AT&D0" || command == "AT&D1" || command == "AT&D2") {
        modem.dtrMode = command[4] - '0';
        return okAnswer;
    }
    if (command == "AT+CMGF=0" || command == "AT+CMGF=1") {
        modem.messageFormat = command[8] - '0';
        return okAnswer;
    }
    if (command == "AT+CGSN")
        return modem.imei.empty() ? errorAnswer : "\r\n" + modem.imei + "\r\n" + okAnswer;
    if (command == "AT+CMGF?")
        return "\r\n+CMGF: " + std::to_string(modem.messageFormat) + "\r\n" + okAnswer;
    if (startsWith(command, "AT^SICS") || startsWith(command, "AT^SISS") ||
        startsWith(command, "AT^SIPS"))
        return internetServiceCommand(modem, line);
    const std::string status = answerStatusCommand(modem, command);
    return status.empty() ? errorAnswer : status;
}

namespace {

bool number(const char* text, int low, int high, int& value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < low || parsed > high) return false;
    value = static_cast<int>(parsed);
    return true;
}

// Working and stored alike, as the modem is left after a completed internet set-up.
void preset(ModemState& modem, bool service, int n, const char* key, const std::string& value) {
    Profile* working = service ? modem.service : modem.connection;
    Profile* stored = service ? modem.storedService : modem.storedConnection;
    working[n].set(key, value);
    stored[n].set(key, value);
    (service ? modem.serviceStored : modem.connectionStored)[n] = true;
}

}  // namespace

int parseDeviceOption(int argc, char** argv, int i, Faults& faults, UnitValues& unit,
                      ModemState& modem) {
    const std::string option = argv[i];
    if (option == "--silent" || option == "--error" || option == "--no-echo") {
        if (option == "--silent") faults.silent = true;
        if (option == "--error") faults.errorToAll = true;
        if (option == "--no-echo") modem.echo = false;
        return 1;
    }
    for (const char* name : {"--sim", "--signal", "--registration", "--attached", "--operator", "--imsi", "--iccid", "--cmee"})
        if (option == name) return i + 1 < argc ? parseStatusOption(option, argv[i + 1], modem) : -1;
    const char* const valueOptions[] = {"--error-to", "--delay",  "--chunks",   "--chunk-gap", "--flood",
                                        "--garbage", "--cut",     "--period",   "--address",
                                        "--phone1",  "--phone2",  "--sms-phone", "--ip",
                                        "--apn",     "--user",    "--password", "--imei"};
    bool known = false;
    for (const char* name : valueOptions) known = known || option == name;
    if (!known) return 0;
    if (i + 1 >= argc) return -1;
    const char* value = argv[i + 1];
    int n = 0;
    if (option == "--error-to") {
        faults.errorTo = value;
        return 2;
    }
    if (option == "--delay") return number(value, 0, 600000, faults.delayMs) ? 2 : -1;
    if (option == "--chunks") return number(value, 1, 1000, faults.chunks) ? 2 : -1;
    if (option == "--chunk-gap") return number(value, 0, 60000, faults.chunkGapMs) ? 2 : -1;
    if (option == "--imei") {
        modem.imei = value;
        return 2;
    }
    if (option == "--period") return number(value, 0, 999, unit.period) ? 2 : -1;
    if (option == "--address") return number(value, 0, 999, unit.address) ? 2 : -1;
    if (option == "--flood" || option == "--garbage" || option == "--cut") {
        if (!number(value, 0, 100000, n)) return -1;
        if (option == "--flood") faults.floodTo = static_cast<size_t>(n);
        if (option == "--cut") faults.cutAfter = static_cast<size_t>(n);
        // Bytes no answer begins with, the flow-control characters among them.
        for (int k = 0; option == "--garbage" && k < n; ++k)
            faults.garbage.push_back("#\x11\xFE\x13~"[k % 5]);
        return 2;
    }
    const char* const phoneOptions[] = {"--phone1", "--phone2", "--sms-phone"};
    for (int slot = 0; slot < 3; ++slot)
        if (option == phoneOptions[slot]) {
            unit.phone[slot] = value;
            return 2;
        }
    if (option == "--ip") {
        preset(modem, true, 0, "srvType", "Socket");
        preset(modem, true, 0, "address", "socktcp://listener:65534");
        preset(modem, true, 9, "srvType", "Socket");
        preset(modem, true, 9, "address", std::string("socktcp://") + value + ":65534");
        return 2;
    }
    preset(modem, false, 0, "conType", "GPRS0");
    const char* key = option == "--apn" ? "apn" : option == "--user" ? "user" : "passwd";
    preset(modem, false, 0, key, value);
    return 2;
}

const char* deviceOptionsHelp() {
    return "  --silent            answer nothing\n"
           "  --error             answer every command with ERROR\n"
           "  --error-to TEXT     answer ERROR to the command lines that begin with TEXT\n"
           "  --delay MS          start each answer MS milliseconds late\n"
           "  --chunks N          send each answer in N pieces ...\n"
           "  --chunk-gap MS      ... MS milliseconds apart (default 80)\n"
           "  --flood N           pad each answer with filler up to N bytes\n"
           "  --garbage N         send N garbage bytes in front of each answer\n"
           "  --cut N             end each answer after N bytes; the rest never comes\n"
           "  --no-echo           start with the modem's echo off\n"
           "  --period N, --address N            the unit's numbers (0..999)\n"
           "  --phone1 T, --phone2 T, --sms-phone T   the unit's telephone numbers\n"
           "  --ip A, --apn T, --user T, --password T  stored modem profiles as after a set-up\n"
           "  --imei DIGITS       what AT+CGSN answers (default 352099001761481); \"\" for ERROR\n"
           "  --sim ready|absent|pin|puk          the SIM (default ready)\n"
           "  --signal RSSI       what AT+CSQ gives, 0..31 or 99 (default 13, -87 dBm)\n"
           "  --registration home|roaming|searching|denied|none   AT+CREG? and AT+CGREG?\n"
           "  --attached 0|1      attach for packet data once registered (default 1)\n"
           "  --operator NAME     what AT+COPS? names; digits for a numeric code (default MegaFon)\n"
           "  --imsi DIGITS, --iccid DIGITS      the SIM's numbers\n"
           "  --cmee 0|1|2        the error mode it starts in (default 0, plain ERROR)\n";
}

}  // namespace devsim
