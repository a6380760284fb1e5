// kelp-cli's subcommands. Each subcommand is one function registered in the table of
// command_table.cpp: add a row there (name, usage, summary, function) and the dispatcher
// and the help text pick it up.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_status.h"

namespace kelp::cli {

struct CliStreams {
    std::ostream& out;  // results, plain LF lines
    std::ostream& err;  // messages for the operator
};

struct CliCommand {
    const char* name;     // first word of the command line: "catalogue"
    const char* usage;    // arguments after the name: "functions|vocabulary|cw"
    const char* summary;  // one line for --help
    // Runs with the arguments after the name; returns the exit status.
    int (*run)(const std::vector<std::string>& args, CliStreams& io);
};

// Every subcommand, in the order --help lists them.
const std::vector<CliCommand>& cliCommands();

// The full --help text.
std::string usageText();

// Runs a whole command line (without the program name); returns the exit status.
int runCli(const std::vector<std::string>& args, CliStreams& io);

// Subcommand functions (one file each).
int runCatalogue(const std::vector<std::string>& args, CliStreams& io);
int runCheck(const std::vector<std::string>& args, CliStreams& io);
int runSend(const std::vector<std::string>& args, CliStreams& io);
int runDtmfWav(const std::vector<std::string>& args, CliStreams& io);
int runDecode(const std::vector<std::string>& args, CliStreams& io);
int runDownload(const std::vector<std::string>& args, CliStreams& io);
int runCommands(const std::vector<std::string>& args, CliStreams& io);
int runRender(const std::vector<std::string>& args, CliStreams& io);
int runUpload(const std::vector<std::string>& args, CliStreams& io);
int runDiff(const std::vector<std::string>& args, CliStreams& io);
int runEraseMacros(const std::vector<std::string>& args, CliStreams& io);
int runCodes(const std::vector<std::string>& args, CliStreams& io);
int runCompare(const std::vector<std::string>& args, CliStreams& io);
int runRecordTrack(const std::vector<std::string>& args, CliStreams& io);
int runSetClock(const std::vector<std::string>& args, CliStreams& io);
int runReport(const std::vector<std::string>& args, CliStreams& io);
int runWatch(const std::vector<std::string>& args, CliStreams& io);
int runHistory(const std::vector<std::string>& args, CliStreams& io);
int runStatus(const std::vector<std::string>& args, CliStreams& io);

}  // namespace kelp::cli
