#pragma once
// Is the unit online? The modem status check, as the programs use it: run to its end on the
// open port (tarnwick-cli status, apply --require-network at the station), or started by the
// windows' Modem Status and stepped by their tick. What the answers mean is the core's
// (modem/status_meaning.h); this is what a program does with them.
#include <string>
#include <vector>

#include "modem/status_job.h"
#include "modem/status_meaning.h"

namespace tarnwick::provision {

struct NetworkCheck {
    ModemStatus status;
    Verdict verdict = Verdict::notChecked;
    bool interrupted = false;  // Ctrl+C came first; the status holds what was asked by then
};

// Runs the check and waits for its end; the port must be open and every job at rest.
NetworkCheck runNetworkCheck();

// 0 when ready, 4 when the modem answered nothing (a job ran into its deadline), 130 when
// interrupted, else 1.
int networkExitCode(const NetworkCheck& check);

// "ready", or "not ready: searching for a network".
std::string verdictSummary(Verdict verdict);
// The line of a unit that is not ready, with what to do about it: "not ready: searching for a
// network; check the antenna and the coverage". Empty when ready.
std::string verdictFailure(Verdict verdict);

// Each item of the check as its name and its text: {"signal", "15 = -83 dBm (good)"}.
struct NetworkItem {
    std::string name;
    std::string text;
};
std::vector<NetworkItem> networkItems(const ModemStatus& status);

// --- the windows' Modem Status -------------------------------------------------------------

constexpr char modemStatusTitle[] = "Modem Status";
constexpr char refreshCaption[] = "Refresh";
constexpr char everyFiveSecondsCaption[] = "every 5 s";
// For an engineer turning an antenna: often enough to follow the signal, seldom enough to leave
// the line to the buttons between two checks.
constexpr int autoRefreshMs = 5000;

// Why a refresh cannot start now ("the port is not open", "a Read or Write is still running"),
// or an empty text.
std::string refreshRefusal();
// Starts a check when refreshRefusal() is empty; returns whether it started.
bool startRefresh();
// A check started by startRefresh() is still under way: the main window takes no input then.
bool refreshRunning();
// What the window's status line says while that check runs.
constexpr char refreshingText[] = "checking the modem\u2026";

// The signal meter: where the signal stands between -113 dBm (0) and -51 dBm (100), and its
// text, "-83 dBm, good", "unknown".
struct SignalMeter {
    bool known = false;
    int dbm = 0;
    int level = 0;
    std::string text;
};
SignalMeter signalMeter(const ModemStatus& status);
// Where `dbm` stands on the meter: 0 at -113 dBm and below, 100 at -51 dBm and above. The
// windows mark the signal bands' edges (signalBands) with it.
int meterLevel(int dbm);

}  // namespace tarnwick::provision
