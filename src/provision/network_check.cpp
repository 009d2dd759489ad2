#include "provision/network_check.h"

#include "base/app_state.h"
#include "base/job_report.h"
#include "provision/run.h"
#include "provision/run_jobs.h"

namespace tarnwick::provision {

namespace {

bool statusAtRest() { return modemStatusJob.trigger == 0 && modemStatusJob.state == 0; }

std::string itemText(const ModemStatus& status, StatusItem item) {
    char line[statusLineCapacity];
    statusItemLine(status, item, line, sizeof line);
    // The line is "name: text"; the name is given apart.
    const std::string whole = line;
    const std::string name = statusItemName(item);
    return whole.compare(0, name.size() + 2, name + ": ") == 0 ? whole.substr(name.size() + 2) : whole;
}

constexpr int bottomDbm = -113;  // rssi 0
constexpr int topDbm = -51;      // rssi 31

}  // namespace

NetworkCheck runNetworkCheck() {
    NetworkCheck check;
    modemStatusJob.trigger = 1;
    runJobsUntil([] { return interruptRequested.load() || statusAtRest(); }, jobLimitMs);
    check.interrupted = !statusAtRest();
    check.status = modemStatus();
    check.verdict = statusVerdict(check.status);
    return check;
}

int networkExitCode(const NetworkCheck& check) {
    if (check.interrupted) return exitInterrupted;
    if (check.verdict == Verdict::ready) return exitOk;
    return check.verdict == Verdict::noAnswer ? exitNoAnswer : exitFailed;
}

std::string verdictSummary(Verdict verdict) {
    if (verdict == Verdict::ready) return "ready";
    return std::string("not ready: ") + verdictText(verdict).reason;
}

std::string verdictFailure(Verdict verdict) {
    if (verdict == Verdict::ready) return {};
    return verdictSummary(verdict) + "; " + verdictText(verdict).advice;
}

std::vector<NetworkItem> networkItems(const ModemStatus& status) {
    std::vector<NetworkItem> items;
    for (size_t k = 0; k < statusItemCount; ++k) {
        const StatusItem item = static_cast<StatusItem>(k);
        items.push_back({statusItemName(item), itemText(status, item)});
    }
    return items;
}

std::string refreshRefusal() {
    if (portHandle == invalidPort) return "the port is not open: choose Communication, Open the Port first";
    if (!jobsAtRest()) return "a Read or Write is still running; refresh once it has ended";
    return {};
}

bool startRefresh() {
    if (!refreshRefusal().empty()) return false;
    modemStatusJob.trigger = 1;
    return true;
}

bool refreshRunning() { return !statusAtRest(); }

SignalMeter signalMeter(const ModemStatus& status) {
    SignalMeter meter;
    meter.known = status.states[size_t(StatusItem::signal)] == ItemState::answered && rssiKnown(status.rssi);
    if (!meter.known) {
        meter.text = "unknown";
        return meter;
    }
    meter.dbm = rssiDbm(status.rssi);
    meter.level = meterLevel(meter.dbm);
    meter.text = std::to_string(meter.dbm) + " dBm, " + signalWordText(signalWord(status.rssi));
    return meter;
}

int meterLevel(int dbm) {
    if (dbm <= bottomDbm) return 0;
    if (dbm >= topDbm) return 100;
    return (dbm - bottomDbm) * 100 / (topDbm - bottomDbm);
}

}  // namespace tarnwick::provision
