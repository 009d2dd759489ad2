// tarnwick-cli: provisions a КОРДИН 7190 unit and its modem from the command line, with the
// very jobs the window runs, and proves by reading back that the values took.
#include <CLI/CLI.hpp>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "app/trace_decode.h"
#include "serial/port_list.h"
#include "ui/cli/console.h"
#include "ui/cli/provisioning_log.h"
#include "ui/cli/report.h"
#include "ui/cli/session.h"
#include "version.h"

using namespace tarnwick::cli;

namespace {

const char exitCodesText[] =
    "Exit codes:\n"
    "  0    everything written and verified (read: everything read; diff: everything the same;\n"
    "       status: the modem is ready for packet data)\n"
    "  1    a value read back differs (MISMATCH), or the modem refused a setting (ERROR, Error!);\n"
    "       diff: a value differs or cannot be read; status, apply --require-network: the modem\n"
    "       is not ready (the reason and what to do about it on stderr)\n"
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
    "apply writes only what differs; a password always means the modem's set-up, as it cannot\n"
    "be compared. --force writes everything. With --watch, apply serves one unit after another\n"
    "until Ctrl+C; --require-network checks each unit's modem after the apply and counts one that\n"
    "is not ready for packet data as failed.\n"
    "status asks the modem, with standard commands that change none of its settings, for its\n"
    "SIM, signal, registration, operator and packet attach, and says whether it is ready.\n"
    "_data.ini is left alone unless --save-ini is given.\n";

void onInterrupt(int) { interruptRequested.store(true); }

int listPortsPresent(bool json) {
    static tarnwick::PortListing listing;
    tarnwick::listPortLines(&listing);
    if (json) {
        printOut(portsJsonReport(listing.entries, listing.count));
        return exitOk;
    }
    for (size_t i = 0; i < listing.count; ++i) printOut(std::string(listing.lines[i]) + "\n");
    if (listing.count == 0) printNotice(tarnwick::noPortFoundText);
    return exitOk;
}

int printLog(const std::string& path, bool json) {
    int exitCode = exitOk;
    const std::string text = json ? logJson(path, &exitCode) : logTable(path, &exitCode);
    if (exitCode != exitOk) printNotice("log " + path + ": cannot be read");
    printOut(text);
    return exitCode;
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
    options.version = TARNWICK_VERSION_FULL;
    // --json and --trace are taken wherever the engineer puts them: before the command, as
    // the first versions had it, and after it or among its options, as the examples write it.
    const auto addReportOptions = [&options](CLI::App* command, bool line) {
        command->add_flag("--json", options.json, "print the report as one JSON document");
        if (line) command->add_option("--trace", options.trace, "append the decoded line trace to FILE")->option_text("FILE");
    };
    addReportOptions(&app, true);

    CLI::App* read = app.add_subcommand("read", "read the unit's five values and the modem's settings");
    CLI::App* diff = app.add_subcommand("diff", "compare the unit and the modem with a profile; writes nothing");
    CLI::App* write = app.add_subcommand("write", "write the values given, read them back and compare");
    CLI::App* apply = app.add_subcommand("apply", "write what differs from a profile, read it back and compare");
    CLI::App* status = app.add_subcommand("status", "is the unit online? check the modem's SIM, signal and network");
    CLI::App* ports = app.add_subcommand("ports", "list the serial ports present");
    CLI::App* log = app.add_subcommand("log", "print a provisioning log as a table");
    for (CLI::App* command : {read, diff, write, apply, status}) addReportOptions(command, true);
    for (CLI::App* command : {ports, log}) addReportOptions(command, false);
    for (CLI::App* command : {read, diff, write, apply, status}) {
        command->add_option("--port", options.port, "COMn, or on Linux a device path")
            ->required()
            ->option_text("PORT");
        command->add_option("--log", options.log, "append one JSON line for this run to FILE")->option_text("FILE");
    }
    read->add_option("--save-profile", options.saveProfile, "write what was read as a profile")
        ->option_text("FILE");
    read->add_flag("--unit-only", options.unitOnly, "leave the modem out");
    for (CLI::App* command : {diff, apply})
        command->add_option("profile", options.profile, "the profile (TOML: [unit], [modem])")->required();
    apply->add_flag("--force", options.force, "write every value, the same ones too");
    apply->add_flag("--watch", options.watch, "station mode: apply to each unit put on the port, until Ctrl+C");
    apply->add_flag("--require-network", options.requireNetwork,
                    "check the modem after the apply; a unit not ready for packet data has failed");
    std::string logFile;
    log->add_option("file", logFile, "the log written with --log")->required();
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
    for (CLI::App* command : {diff, write, apply})
        command->add_option("--password-file", options.passwordFile, "the modem password, first line")
            ->option_text("FILE");
    for (CLI::App* command : {write, apply})
        command->add_flag("--save-ini", options.saveIni, "keep the modem values in _data.ini, as the window does");
    write->add_flag("--no-internet", wanted.noInternet, "reset the modem for a unit without internet");

    std::vector<std::string> arguments = programArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& error) {
        // CLI11 writes its help, version and errors to streams; they reach the console as
        // everything else does.
        std::ostringstream out, err;
        const int code = app.exit(error, out, err);
        printOut(out.str());
        printErr(err.str());
        return code == 0 ? exitOk : exitUsage;
    }
    if (ports->parsed()) return listPortsPresent(options.json);
    if (log->parsed()) return printLog(logFile, options.json);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    const std::string command = read->parsed()     ? "read"
                                : diff->parsed()   ? "diff"
                                : write->parsed()  ? "write"
                                : status->parsed() ? "status"
                                                   : "apply";
    const int exitCode = runCommand(options, command);
    // Every way out of a run passes here, so that the trace file gets the records of a run
    // that stopped early: why the port did not open, the checks that refused a value.
    tarnwick::closeTraceFile();
    return exitCode;
}
