#pragma once
// One run of tarnwick-cli's read, diff, write or apply, or a station session of apply --watch:
// the port opened, the core's provisioning run on the headless loop, the report printed and,
// with --log, the run's line appended to the provisioning log.
#include <string>

#include "provision/provisioning.h"

namespace tarnwick::cli {

using namespace tarnwick::provision;

struct Options {
    std::string port;
    std::string profile;
    std::string saveProfile;
    std::string passwordFile;
    std::string trace;
    std::string log;
    std::string version;  // as the log records it
    bool json = false;
    bool saveIni = false;
    bool unitOnly = false;
    bool force = false;
    bool watch = false;
    bool requireNetwork = false;  // apply: the status check after it decides too
    Wanted wanted;
};

// A value typed on the command line as the unit and the modem keep it, in Windows-1251;
// `failed` receives the line that refuses a character the code page lacks.
std::string typedText(const std::string& text, const char* name, std::string* failed);

// Runs `command` (read, diff, write, apply, status) and returns the exit code.
int runCommand(Options& options, const std::string& command);

}  // namespace tarnwick::cli
