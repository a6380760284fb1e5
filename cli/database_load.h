// Loading a database file for a kelp-cli command exactly as the program opens it, without
// touching the file: the load runs on a working copy in a private folder (the answers the
// loader writes at once go there, and so does error.log). The loader's questions are
// answered from command-line options and every box is printed to stderr.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"

namespace kelp::cli {

struct LoadOptions {
    std::filesystem::path file;
    std::optional<std::string> firmware;  // answers "enter the version manually?" with Yes
    bool acceptFirmware = false;          // answers the family mismatch with Yes
    std::optional<bool> rtc;              // answers "RTC Installed?"
};

extern const char* const
    kLoadOptionsUsage;  // "[--firmware MNN] [--accept-firmware] [--rtc yes|no]"

// Takes --firmware, --accept-firmware or --rtc at args[i] (advancing i past a value). False
// when args[i] is none of them; error is set when it is one but malformed.
bool parseLoadOption(const std::vector<std::string>& args, std::size_t& i, LoadOptions& options,
                     std::string& error);

// One load, with its working folder and the seams it installs; both go when it does.
class CliDatabaseLoad {
  public:
    CliDatabaseLoad();
    ~CliDatabaseLoad();
    CliDatabaseLoad(const CliDatabaseLoad&) = delete;
    CliDatabaseLoad& operator=(const CliDatabaseLoad&) = delete;

    // Loads options.file into the process database. Returns kExitOk when the load completed,
    // kExitDeclined when it stopped at the firmware question, kExitUsage for a file that
    // could not be read or loaded or an unanswered RTC question. printLog: the repair report
    // goes to stdout.
    int load(const LoadOptions& options, CliStreams& io, bool printLog, const char* command);

    // The load is over: the application folder, prompter and terminate hook are the
    // operator's again (a command that then talks to the controller keeps its serial trace
    // and error log where the operator finds them). The loaded database stays.
    void finish();

  private:
    struct Impl;
    Impl* impl_;
};

}  // namespace kelp::cli
