#include "app/window_usage.h"

namespace tarnwick {

std::string windowUsage(WindowProgram program) {
    const bool qt = program == WindowProgram::qt;
    std::string text = qt ? "usage: tarnwick [--simulate] [--trace FILE] [--list-ports] [--version] [--help]\n"
                             : "usage: tarnwick.exe [--trace FILE] [--list-ports] [--version] [--help]\n";
    text +=
        "\n"
        "Sets up a КОРДИН 7190 telemetry unit and its cellular modem over a serial port.\n"
        "Type the port name (COM1 at start) and choose Communication > Open the Port.\n"
        "\n";
    if (qt)
        text +=
            "  --simulate    start a simulated unit and modem on a pseudo-terminal and make it COM1\n"
            "                for this run, so that every button can be tried without a device; they\n"
            "                start with some values stored, for the Read buttons to show\n";
    text +=
        "  --trace FILE  append every line of the trace (Tools > Trace...) to FILE as it\n"
        "                happens, from start to exit; the password is never written\n"
        "  --list-ports  print the serial ports present, as Tools > Ports lists them, and exit\n"
        "  --version     show the version\n"
        "  --help        show this text\n"
        "\n";
    if (qt)
        text +=
            "Without --simulate the real ports are used: COMn is the entry COMn of the ports folder\n"
            "($TARNWICK_PORTS, else ~/.config/tarnwick/ports), a symlink to the device or a file\n"
            "holding its path; without such an entry COM1-COM32 are /dev/ttyS0-31, COM33-COM64\n"
            "/dev/ttyUSB0-31 and COM65-COM96 /dev/ttyACM0-31.\n";
    text += "The modem panel's values are kept in _data.ini in the working folder.\n";
    return text;
}

WindowOptions readWindowOptions(const std::vector<std::string>& arguments) {
    WindowOptions options;
    for (size_t i = 0; i < arguments.size() && options.refusal.empty(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() < 2 || argument[0] != '-' || argument == "--") {
            // After "--" everything is an argument, and the window takes none.
            const bool ended = argument == "--";
            if (ended && i + 1 == arguments.size()) break;
            options.refusal = "unexpected argument " + (ended ? arguments[i + 1] : argument);
            break;
        }
        const size_t dashes = argument[1] == '-' ? 2 : 1;
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(dashes, equals == std::string::npos ? std::string::npos : equals - dashes);
        const bool valued = equals != std::string::npos;
        if (name == "trace") {
            if (valued) {
                options.trace = argument.substr(equals + 1);
            } else if (i + 1 < arguments.size()) {
                options.trace = arguments[++i];
            } else {
                options.refusal = "--trace needs a file name";
                break;
            }
            options.traced = true;
            continue;
        }
        bool* flag = name == "help" || name == "h" ? &options.help
                     : name == "version"           ? &options.version
                     : name == "list-ports"        ? &options.listPorts
                                                   : nullptr;
        if (flag == nullptr) options.refusal = "Unknown option '" + name + "'.";
        else if (valued) options.refusal = "Unexpected value after '" + argument.substr(0, equals) + "'.";
        else *flag = true;
    }
    return options;
}

}  // namespace tarnwick
