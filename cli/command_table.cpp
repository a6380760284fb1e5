#include <sstream>

#include "cli/cli_command.h"
#include "core/app/program_identity.h"

namespace kelp::cli {

const std::vector<CliCommand>& cliCommands() {
    static const std::vector<CliCommand> commands{
        {"catalogue", "functions|vocabulary|cw",
         "print a controller catalogue, one row per line: code, TAB, text", &runCatalogue},
    };
    return commands;
}

std::string usageText() {
    std::ostringstream text;
    text << "Usage: kelp-cli <command> [arguments]\n"
            "       kelp-cli --help | --version\n"
            "\n"
            "Programs the QZ740 repeater controller from the command line.\n"
            "\n"
            "Commands:\n";
    for (const CliCommand& command : cliCommands()) {
        text << "  " << command.name << ' ' << command.usage << "\n      " << command.summary
             << '\n';
    }
    text << "\n"
            "Options:\n"
            "  -h, --help     show this help and exit\n"
            "  --version      print the program version and exit\n"
            "\n"
            "Exit status: 0 done, 1 the command failed, 2 the command line was not understood.\n";
    return text.str();
}

int runCli(const std::vector<std::string>& args, CliStreams& io) {
    if (args.empty()) {
        io.err << usageText();
        return kExitUsage;
    }
    const std::string& first = args.front();
    if (first == "--help" || first == "-h" || first == "help") {
        io.out << usageText();
        return kExitOk;
    }
    if (first == "--version") {
        io.out << programVersion() << '\n';
        return kExitOk;
    }
    for (const CliCommand& command : cliCommands()) {
        if (first == command.name) {
            const std::vector<std::string> rest(args.begin() + 1, args.end());
            if (rest.size() == 1 && (rest.front() == "--help" || rest.front() == "-h")) {
                io.out << "Usage: kelp-cli " << command.name << ' ' << command.usage << "\n  "
                       << command.summary << '\n';
                return kExitOk;
            }
            return command.run(rest, io);
        }
    }
    io.err << "kelp-cli: unknown command '" << first << "'; try 'kelp-cli --help'\n";
    return kExitUsage;
}

}  // namespace kelp::cli
