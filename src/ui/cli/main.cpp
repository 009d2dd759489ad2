// tarnwick-cli: provisions a КОРДИН 7190 unit and its modem from the command line, with the
// very jobs the window runs, and proves by reading back that the values took.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/trace_decode.h"
#include "serial/port.h"
#include "serial/port_list.h"
#include "app/profile.h"
#include "app/provisioning.h"
#include "ui/cli/headless_controls.h"
#include "ui/cli/report.h"
#include "version.h"

using namespace tarnwick::cli;

namespace {

const char exitCodesText[] =
    "Exit codes:\n"
    "  0    everything written and verified (read: everything read)\n"
    "  1    a value read back differs (MISMATCH), or the modem refused a setting (ERROR, Error!)\n"
    "  2    a usage error or a bad value; nothing was sent\n"
    "  3    the port did not open\n"
    "  4    a job ran into its deadline: the unit or the modem did not answer; or a unit answer\n"
    "       was cut short before its value, which is then not read\n"
    "  130  interrupted (Ctrl+C): the port was closed; the report says what was written\n"
    "\n"
    "The port is COMn as the window names it (on Linux: the ports folder, then ttyS, ttyUSB,\n"
    "ttyACM), or on Linux a device path. The modem password comes from --password-file, the\n"
    "profile's password-file, or the environment variable TARNWICK_PASSWORD (empty: not set); it\n"
    "is never printed. A password file that cannot be read or is empty is refused (exit 2); an\n"
    "empty first line is an empty password.\n"
    "_data.ini is left alone unless --save-ini is given.\n";

void onInterrupt(int) { interruptRequested.store(true); }

struct Options {
    std::string port;
    std::string profile;
    std::string saveProfile;
    std::string passwordFile;
    std::string trace;
    bool json = false;
    bool saveIni = false;
    bool unitOnly = false;
    Wanted wanted;
};

// The file's first line. An empty first line is an empty password on purpose; a file that
// cannot be read or holds no line at all gives the failure line instead, so that a mistyped
// path never wipes the modem's password.
std::string readPasswordFile(const std::string& path, std::string* password) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "password: the file " + path + " cannot be read";
    if (!std::getline(file, *password)) {
        // On Linux a folder opens like a file; only its first read fails.
        std::error_code ignored;
        if (std::filesystem::is_directory(path, ignored)) return "password: " + path + " is a folder, not a file";
        if (file.bad()) return "password: the file " + path + " cannot be read";
        return "password: the file " + path + " is empty; an empty password is an empty first line";
    }
    if (!password->empty() && password->back() == '\r') password->pop_back();
    return {};
}

// A value typed on the command line as the unit and the modem keep it, in Windows-1251, as the
// window's boxes would. A terminal gives UTF-8; text that is not UTF-8 came in the system's own
// single-byte code page (a Windows console's), and is taken byte for byte.
std::string typedText(const std::string& text, const char* name, std::string* failed) {
    std::string bytes, missing;
    if (utf8ToDevice(text, &bytes, &missing)) return bytes;
    if (missing.empty()) return text;
    // The password's characters are never shown, not even the one at fault.
    const bool secret = std::string(name) == "password";
    *failed = std::string(name) + ": " + (secret ? std::string("a character") : "the character " + missing) +
              " is not in Windows-1251, which the unit and the modem use";
    return {};
}

int usage(const std::string& line) {
    std::fprintf(stderr, "tarnwick-cli: %s\n", line.c_str());
    return exitUsage;
}

// The password: the file named on the command line or in the profile, else the environment.
std::string takePassword(Options& options) {
    Wanted& wanted = options.wanted;
    if (!options.passwordFile.empty()) {
        std::string password;
        std::string failed = readPasswordFile(options.passwordFile, &password);
        if (!failed.empty()) return failed;
        wanted[Value::password] = typedText(password, "password", &failed);
        return failed;
    }
    // An empty variable is one set by accident (TARNWICK_PASSWORD=$UNSET): it counts as not set.
    const char* password = std::getenv("TARNWICK_PASSWORD");
    if (password != nullptr && *password != '\0' &&
        (wanted[Value::ip] || wanted[Value::apn] || wanted[Value::user])) {
        std::string failed;
        wanted[Value::password] = typedText(password, "password", &failed);
        return failed;
    }
    return {};
}

int report(const Run& run, const Options& options, const std::string& command) {
    for (const std::string& line : run.failures)
        std::fprintf(stderr, "tarnwick-cli: %s\n", deviceToUtf8(line).c_str());
    const std::string text = options.json ? jsonReport(run, command, options.port) : textReport(run, command);
    std::fputs(text.c_str(), stdout);
    return run.exitCode;
}

int listPortsPresent() {
    static tarnwick::PortEntry entries[tarnwick::maxPorts];
    const size_t count = tarnwick::listPorts(entries, tarnwick::maxPorts);
    for (size_t i = 0; i < count; ++i) {
        char line[tarnwick::portLineCapacity];
        tarnwick::formatPortEntry(entries[i], line, sizeof line);
        std::printf("%s\n", line);
    }
    if (count == 0) std::fprintf(stderr, "tarnwick-cli: no serial port found\n");
    return exitOk;
}

int run(Options& options, const std::string& command) {
    if (!options.trace.empty() && !tarnwick::openTraceFile(options.trace.c_str()))
        std::fprintf(stderr, "tarnwick-cli: cannot open the trace file %s; running without it\n",
                     options.trace.c_str());
    startHeadless(options.saveIni);
    if (command != "read") {
        if (!options.profile.empty()) {
            std::string profilePassword;
            const std::string failed = loadProfile(options.profile, options.wanted, &profilePassword);
            if (!failed.empty()) return usage(failed);
            if (options.passwordFile.empty()) options.passwordFile = profilePassword;
        }
        std::string failed = takePassword(options);
        if (failed.empty()) failed = checkWanted(options.wanted);
        if (!failed.empty()) return usage(failed + " (nothing sent)");
    }
    std::string status;
    if (!openThePort(options.port, &status)) {
        std::fprintf(stderr, "tarnwick-cli: port %s: %s\n", options.port.c_str(), status.c_str());
        return exitPortNotOpened;
    }
    Run result;
    bool noInternet = false;
    if (command == "read") result = readEverything(options.unitOnly, &noInternet);
    else result = writeAndVerify(options.wanted);
    closeThePort();
    tarnwick::closeTraceFile();
    if (!options.saveProfile.empty() && result.exitCode == exitOk) {
        const std::string failed = saveProfile(options.saveProfile, result, noInternet);
        if (!failed.empty()) {
            result.failures.push_back(failed);
            result.exitCode = exitFailed;
        }
    }
    return report(result, options, command);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Provisions a 7190 telemetry unit and its cellular modem over a serial port,\n"
                 "with the jobs of the Tarnwick window, and verifies every value by reading it back.",
                 "tarnwick-cli");
    app.set_version_flag("--version", "tarnwick-cli " TARNWICK_VERSION_FULL);
    app.footer(exitCodesText);
    app.require_subcommand(1);
    Options options;
    app.add_flag("--json", options.json, "print the report as one JSON document");
    app.add_option("--trace", options.trace, "append the decoded line trace to FILE")->option_text("FILE");

    CLI::App* read = app.add_subcommand("read", "read the unit's five values and the modem's settings");
    CLI::App* write = app.add_subcommand("write", "write the values given, read them back and compare");
    CLI::App* apply = app.add_subcommand("apply", "write the values of a profile, read them back and compare");
    CLI::App* ports = app.add_subcommand("ports", "list the serial ports present");
    for (CLI::App* command : {read, write, apply})
        command->add_option("--port", options.port, "COMn, or on Linux a device path")
            ->required()
            ->option_text("PORT");
    read->add_option("--save-profile", options.saveProfile, "write what was read as a profile")
        ->option_text("FILE");
    read->add_flag("--unit-only", options.unitOnly, "leave the modem out");
    apply->add_option("profile", options.profile, "the profile (TOML: [unit], [modem])")->required();
    Wanted& wanted = options.wanted;
    const struct {
        const char* flag;
        Value value;
        const char* help;
    } values[] = {{"--period", Value::period, "polling period, three digits"},
                  {"--address", Value::address, "own address, three digits, at most 255"},
                  {"--phone1", Value::phone1, "receiver 1 / transmitter telephone"},
                  {"--phone2", Value::phone2, "receiver 2 telephone"},
                  {"--sms-phone", Value::smsPhone, "the operator's telephone for SMS"},
                  {"--ip", Value::ip, "data server address"},
                  {"--apn", Value::apn, "access point name"},
                  {"--user", Value::user, "packet-data user"}};
    for (const auto& value : values) {
        std::optional<std::string>& slot = wanted[value.value];
        write->add_option_function<std::string>(
            value.flag,
            [&slot, &value](const std::string& text) {
                std::string failed;
                slot = typedText(text, valueName(value.value), &failed);
                if (!failed.empty()) throw CLI::ValidationError(value.flag, failed);
            },
                                                value.help);
    }
    for (CLI::App* command : {write, apply}) {
        command->add_option("--password-file", options.passwordFile, "the modem password, first line")
            ->option_text("FILE");
        command->add_flag("--save-ini", options.saveIni, "keep the modem values in _data.ini, as the window does");
    }
    write->add_flag("--no-internet", wanted.noInternet, "reset the modem for a unit without internet");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? exitOk : exitUsage;
    }
    if (ports->parsed()) return listPortsPresent();
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const std::string command = read->parsed() ? "read" : write->parsed() ? "write" : "apply";
    const int exitCode = run(options, command);
    // Every way out of a run passes here, so that the trace file gets the records of a run
    // that stopped early: why the port did not open, the checks that refused a value.
    tarnwick::closeTraceFile();
    return exitCode;
}
