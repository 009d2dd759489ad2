#include "modem/status_meaning.h"

#include "base/fixed_text.h"

namespace tarnwick {

namespace {


const char* const registrationTexts[] = {
    "not registered", "home", "searching", "denied", "unknown", "roaming", "SMS only (home)",
    "SMS only (roaming)", "emergency only", "CSFB not preferred (home)", "CSFB not preferred (roaming)",
};

struct CmeError {
    int code;
    const char* text;
};

// 27.007's own words, which a modem in verbose mode (AT+CMEE=2) sends as they are.
const CmeError cmeErrors[] = {
    {0, "phone failure"},
    {3, "operation not allowed"},
    {4, "operation not supported"},
    {10, "SIM not inserted"},
    {11, "SIM PIN required"},
    {12, "SIM PUK required"},
    {13, "SIM failure"},
    {14, "SIM busy"},
    {15, "SIM wrong"},
    {16, "incorrect password"},
    {17, "SIM PIN2 required"},
    {18, "SIM PUK2 required"},
    {30, "no network service"},
    {31, "network timeout"},
    {32, "network not allowed - emergency calls only"},
    {100, "unknown"},
};

const VerdictText verdictTexts[verdictCount] = {
    {"ready", "nothing to do: the modem is on the network and attached for packet data"},
    {"not checked", "run the status check"},
    {"the modem does not answer", "check that the unit has power, the cable, and that the port is the unit's"},
    {"no SIM", "switch the unit off and insert a SIM card"},
    {"the SIM does not work", "clean and reseat the SIM card, or try another one"},
    {"the SIM is busy", "the SIM is still starting: check again in a few seconds"},
    {"the SIM's state is not known", "check again; if it stays so, check the SIM card"},
    {"the SIM wants its PIN", "remove the PIN lock in a phone, or use a SIM without one: Tarnwick never sends a PIN"},
    {"the SIM wants its PUK", "the SIM is blocked: unblock it with its PUK in a phone, or use another SIM"},
    {"the modem wants an unlock code", "the modem or the SIM is locked to another network or card: have it unlocked"},
    {"searching for a network", "check the antenna and the coverage"},
    {"registration denied", "the network refuses this SIM: ask the operator to enable it (and roaming, abroad)"},
    {"not registered", "the modem is not trying to register: switch the unit off and on; if it stays so, ask the operator about the SIM"},
    {"registration not known", "the modem did not say whether it is on a network: check again"},
    {"no signal", "the modem hears no network: check the antenna and its cable"},
    {"not attached for packet data", "the network is there but packet data is not: ask the operator whether the SIM has data service"},
    {"packet attach not known", "the modem did not say whether packet data is attached: check again"},
};
static_assert(sizeof verdictTexts / sizeof *verdictTexts == size_t(Verdict::attachUnknown) + 1,
              "a verdict without its texts");

const char* const itemNames[statusItemCount] = {
    "SIM", "signal", "registration", "packet registration", "operator", "attached", "IMEI", "IMSI", "ICCID",
};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool answered(const ModemStatus& status, StatusItem item) {
    return status.states[size_t(item)] == ItemState::answered;
}

void putNotAvailable(FixedText& line, const ModemStatus& status, StatusItem item) {
    const int code = status.cmeErrors[size_t(item)];
    if (item == StatusItem::iccid && status.iccidWords[0] >= 0)
        line.put("not available (SIM answered %d,%d)", status.iccidWords[0], status.iccidWords[1]);
    else if (code == cmeNoValue) line.put("not available (no value)");
    else if (code < 0) line.put("not available (ERROR)");
    else if (cmeErrorText(code) != nullptr) line.put("not available (+CME ERROR: %d, %s)", code, cmeErrorText(code));
    else line.put("not available (+CME ERROR: %d)", code);
}

void putRegistration(FixedText& line, int stat) {
    if (registrationText(stat) != nullptr) line.put("%s", registrationText(stat));
    else line.put("code %d", stat);
}

void putValue(FixedText& line, const ModemStatus& status, StatusItem item) {
    char signal[48];
    switch (item) {
    case StatusItem::sim:
        if (status.sim == SimState::ready) line.put("ready");
        else if (status.sim == SimState::pin) line.put("PIN wanted");
        else if (status.sim == SimState::puk) line.put("PUK wanted");
        else {
            line.value(status.simCode);
            line.put(" wanted");
        }
        return;
    case StatusItem::signal:
        signalText(status.rssi, signal, sizeof signal);
        line.put("%s", signal);
        return;
    case StatusItem::registration: putRegistration(line, status.registration); return;
    case StatusItem::packetRegistration: putRegistration(line, status.packetRegistration); return;
    case StatusItem::operatorName:
        if (status.operatorName[0] == '\0') line.put("none");
        else line.value(status.operatorName);
        return;
    case StatusItem::attached:
        if (status.attached == 1 || status.attached == 0) line.put(status.attached == 1 ? "yes" : "no");
        else line.put("code %d", status.attached);
        return;
    case StatusItem::imei: line.value(status.imei); return;
    case StatusItem::imsi: line.value(status.imsi); return;
    case StatusItem::iccid: line.value(status.iccid); return;
    }
}

Verdict simVerdict(SimState sim) {
    switch (sim) {
    case SimState::ready: return Verdict::ready;
    case SimState::pin: return Verdict::simPin;
    case SimState::puk: return Verdict::simPuk;
    case SimState::otherPin: return Verdict::simLocked;
    case SimState::absent: return Verdict::noSim;
    case SimState::failure: return Verdict::simFailure;
    case SimState::busy: return Verdict::simBusy;
    case SimState::unknown: break;
    }
    return Verdict::simUnknown;
}

}  // namespace

const SignalBand signalBands[signalBandCount] = {
    {-73, SignalWord::excellent},
    {-83, SignalWord::good},
    {-93, SignalWord::fair},
};

bool rssiKnown(int rssi) { return rssi >= 0 && rssi <= 31; }

int rssiDbm(int rssi) { return -113 + 2 * rssi; }

SignalWord signalWordOfDbm(int dbm) {
    for (const SignalBand& band : signalBands)
        if (dbm >= band.lowestDbm) return band.word;
    return SignalWord::poor;
}

SignalWord signalWord(int rssi) { return rssiKnown(rssi) ? signalWordOfDbm(rssiDbm(rssi)) : SignalWord::unknown; }

const char* signalWordText(SignalWord word) {
    switch (word) {
    case SignalWord::excellent: return "excellent";
    case SignalWord::good: return "good";
    case SignalWord::fair: return "fair";
    case SignalWord::poor: return "poor";
    case SignalWord::unknown: break;
    }
    return "unknown";
}

size_t signalText(int rssi, char* out, size_t capacity) {
    FixedText text(out, capacity);
    if (!rssiKnown(rssi)) {
        text.put("%d = unknown", rssi);
        return text.length();
    }
    const char* edge = rssi == 0 ? " or less" : rssi == 31 ? " or more" : "";
    text.put("%d = %d dBm%s (%s)", rssi, rssiDbm(rssi), edge, signalWordText(signalWord(rssi)));
    return text.length();
}

const char* registrationText(int stat) {
    const int count = static_cast<int>(sizeof registrationTexts / sizeof *registrationTexts);
    return stat >= 0 && stat < count ? registrationTexts[stat] : nullptr;
}

bool registrationHolds(int stat) { return stat == 1 || stat == 5 || stat == 6 || stat == 7 || stat == 9 || stat == 10; }

const char* cmeErrorText(int n) {
    for (const CmeError& error : cmeErrors)
        if (error.code == n) return error.text;
    return nullptr;
}

int cmeErrorOfText(const uint8_t* text, size_t length) {
    for (const CmeError& error : cmeErrors) {
        size_t i = 0;
        while (i < length && error.text[i] != '\0' && lower(static_cast<char>(text[i])) == lower(error.text[i])) ++i;
        if (i == length && error.text[i] == '\0') return error.code;
    }
    return -1;
}

Verdict statusVerdict(const ModemStatus& status) {
    bool asked = false;
    for (ItemState state : status.states) asked = asked || state != ItemState::notAsked;
    if (!asked) return Verdict::notChecked;
    if (!status.modemAnswered) return Verdict::noAnswer;
    const Verdict sim = simVerdict(status.sim);
    if (sim != Verdict::ready) return sim;

    const bool packetTold = answered(status, StatusItem::packetRegistration) && status.packetRegistration >= 0;
    const bool circuitTold = answered(status, StatusItem::registration) && status.registration >= 0;
    const int stat = packetTold ? status.packetRegistration : circuitTold ? status.registration : -1;
    const bool attachProblem = packetTold && circuitTold && registrationHolds(status.registration) &&
                               (stat == 0 || stat == 2 || stat == 4) && status.attached == 0;
    if (!registrationHolds(stat) && !attachProblem) {
        if (stat < 0) return Verdict::registrationUnknown;
        if (stat == 2) return Verdict::searching;
        if (stat == 3) return Verdict::denied;
        return Verdict::notRegistered;
    }
    const bool attached = answered(status, StatusItem::attached) && status.attached == 1;
    if (!attached && answered(status, StatusItem::signal) && !rssiKnown(status.rssi)) return Verdict::noSignal;
    if (attached) return Verdict::ready;
    return answered(status, StatusItem::attached) && status.attached == 0 ? Verdict::notAttached : Verdict::attachUnknown;
}

const VerdictText& verdictText(Verdict verdict) {
    const size_t index = size_t(verdict);
    return verdictTexts[index < verdictCount ? index : size_t(Verdict::notChecked)];
}

const char* statusItemName(StatusItem item) {
    const size_t index = size_t(item);
    return index < statusItemCount ? itemNames[index] : "item";
}

size_t statusItemLine(const ModemStatus& status, StatusItem item, char* out, size_t capacity) {
    FixedText line(out, capacity);
    const size_t index = size_t(item);
    if (index >= statusItemCount) return 0;
    line.put("%s: ", statusItemName(item));
    switch (status.states[index]) {
    case ItemState::notAsked: line.put("not asked"); break;
    case ItemState::noAnswer: line.put("no answer"); break;
    case ItemState::notAvailable: putNotAvailable(line, status, item); break;
    case ItemState::answered: putValue(line, status, item); break;
    }
    return line.length();
}

size_t statusLines(const ModemStatus& status, char* out, size_t capacity) {
    FixedText lines(out, capacity);
    char line[statusLineCapacity];
    for (size_t index = 0; index < statusItemCount; ++index) {
        statusItemLine(status, static_cast<StatusItem>(index), line, sizeof line);
        lines.put("%s\n", line);
    }
    return lines.length();
}

}  // namespace tarnwick
