// kelp-cli erase-macros FILE.dat --port DEVICE [--yes]: Erase All Macros over the serial
// line, for a site computer without a screen. The controller is told to erase every macro and
// port restriction and to run macro 90 on receiver activity; only when every line was
// acknowledged is the erased database saved into FILE.dat. Without --yes nothing is sent.
// Exit status (exit_status.h): 0 erased and saved, 3 without --yes; FILE.dat is unchanged
// unless every line was acknowledged.
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/database_load.h"
#include "cli/serial_session.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/link/link_preferences.h"
#include "core/link/macro_erase.h"
#include "core/link/serial_link.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli erase-macros: " << why
           << "\nUsage: kelp-cli erase-macros FILE.dat --port DEVICE [--yes] " << kLoadOptionsUsage
           << '\n';
    return kExitUsage;
}

}  // namespace

int runEraseMacros(const std::vector<std::string>& args, CliStreams& io) {
    LoadOptions options;
    std::string device;
    bool yes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        if (parseLoadOption(args, i, options, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (args[i] == "--port") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(io, "--port needs a device");
            device = args[++i];
        } else if (args[i] == "--yes") {
            yes = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage(io, "unknown option '" + args[i] + "'");
        } else if (options.file.empty()) {
            options.file = args[i];
        } else {
            return usage(io, "name one database file");
        }
    }
    if (options.file.empty() || device.empty())
        return usage(io, "name the database file and the --port");

    CliDatabaseLoad load;
    const int loaded = load.load(options, io, false, "erase-macros");
    if (loaded != kExitOk)
        return loaded;

    ScriptedPrompter prompter;
    prompter.setEcho(&io.err);
    prompter.setDefaultAnswer(Answer::OK);
    ScopedPrompter scopedPrompter(prompter);
    io.err << "[" << kEraseQuestionTitle << "]\n";
    if (!yes) {
        io.err << "Nothing was sent: give --yes to erase every macro and port restriction in "
                  "the controller.\n";
        return kExitDeclined;
    }

    SerialSession session;
    loadLinkPreferences();  // SerialDelay as the program uses it
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = device;
    ControllerDatabase& database = db();
    if (!EraseMacros_Serial(database)) {
        io.err << "kelp-cli erase-macros: the controller erase did not go through; "
               << options.file.string() << " was not changed\n";
        return session.failureStatus();
    }
    eraseMacrosInDatabase(database);
    std::error_code ec;
    database.currentFile = fs::absolute(options.file, ec).string();
    if (!FileWrite(database)) {
        io.err << "kelp-cli erase-macros: the macros were erased in the controller, but "
               << options.file.string() << " could not be saved\n";
        return kExitUsage;
    }
    io.out << "Macros erased in the controller and in " << options.file.string() << ".\n";
    return kExitOk;
}

}  // namespace kelp::cli
