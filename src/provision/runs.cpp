#include "provision/runs.h"

#include <iterator>

#include "app/commands.h"
#include "base/app_state.h"
#include "provision/boxes.h"
#include "provision/modem_runs.h"
#include "provision/unit_runs.h"
#include "serial/port.h"

namespace tarnwick::provision {

namespace {

Run readSome(const bool (&unitWanted)[std::size(unitValues)], bool modem, bool* noInternet) {
    Run run;
    *noInternet = false;
    for (size_t i = 0; i < std::size(unitValues); ++i) {
        if (interruptRequested.load()) break;
        if (unitWanted[i]) readBackUnitValue(run, add(run, unitValues[i], Outcome::read));
    }
    if (modem && !interruptRequested.load()) {
        const Outcome query = queryModem(run);
        // A set-up without internet stores its reset profiles, which then load and list empty:
        // a modem holding no address, APN or user is one without internet too, stored or not.
        bool empty = query == Outcome::read;
        for (Value value : modemValues) {
            Result& result = add(run, value, query == Outcome::notReadBack ? Outcome::notRead : query);
            if (query == Outcome::read) result.readBack = boxText(boxOf(value));
            empty = empty && result.readBack.empty();
        }
        *noInternet = query == Outcome::nothingStored || empty;
    }
    if (interruptRequested.load()) markInterrupted(run);
    return run;
}

}  // namespace

bool openThePort(const std::string& port, std::string* status) {
    putBoxText(idPortName, port);
    if (!port.empty() && port[0] == '/')
        openNamedPort(port.c_str(), port.c_str());
    else
        openPortCommand();
    *status = boxText(idPortStatus);
    return portHandle != invalidPort;
}

void closeThePort() {
    if (portHandle != invalidPort) closePortCommand();
}

Run writeAndVerify(const Wanted& wanted) {
    Run run;
    bool going = true;
    for (Value value : unitValues) {
        if (!wanted[value]) continue;
        if (going) going = writeUnitValue(run, value, *wanted[value]);
        else add(run, value, Outcome::notWritten, *wanted[value]);
    }
    bool setUpEnded = false;
    if (wanted.touchesModem()) {
        setUpEnded = setUpModem(run, wanted, going);
        going = going && !interruptRequested.load();
    }
    for (Result& result : run.results) {
        if (!going) break;
        if (result.outcome != Outcome::notReadBack || isModemValue(result.value)) continue;
        readBackUnitValue(run, result);
        going = !interruptRequested.load();
    }
    // A refused set-up is read back too: the report says what the modem did keep.
    if (going && setUpEnded) {
        compareModemValues(run, queryModem(run));
        going = !interruptRequested.load();
    }
    if (!going || interruptRequested.load()) markInterrupted(run);
    return run;
}

Run readEverything(bool unitOnly, bool* noInternet) {
    const bool all[] = {true, true, true, true, true};
    return readSome(all, !unitOnly, noInternet);
}

Run readWanted(const Wanted& wanted, bool* noInternet) {
    bool named[std::size(unitValues)];
    for (size_t i = 0; i < std::size(unitValues); ++i) named[i] = wanted[unitValues[i]].has_value();
    return readSome(named, wanted.touchesModem(), noInternet);
}

}  // namespace tarnwick::provision
