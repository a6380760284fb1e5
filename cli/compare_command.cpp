// kelp-cli compare FILE.dat --port DEVICE [--rtc] [--ap] [--tsv]: what the controller holds
// against FILE.dat. Its memory is downloaded into a database of its own (FILE.dat and the
// images a download keeps are not touched), FILE.dat is turned into the images a complete
// upload would leave in the controller, and every setting that would run differently is
// listed as `diff` lists it: FILE.dat's value -> the controller's. Settings no image carries
// are not compared. Exit 0 the controller holds FILE.dat, 1 they differ; the others as
// exit_status.h says.
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_listing.h"
#include "cli/cli_support.h"
#include "cli/database_load.h"
#include "cli/serial_session.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/download/controller_copy.h"
#include "core/link/link_preferences.h"

namespace kelp::cli {

namespace {

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli compare: " << why
           << "\nUsage: kelp-cli compare FILE.dat --port DEVICE [--rtc] [--ap] [--tsv] "
           << kLoadOptionsUsage << "\n";
    return kExitUsage;
}

}  // namespace

int runCompare(const std::vector<std::string>& args, CliStreams& io) {
    LoadOptions options;
    ControllerCopyOptions images;
    std::string device;
    bool tsv = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        // "--rtc" alone asks for the RTC board's image; "--rtc yes|no" answers the loader.
        const bool rtcValue = i + 1 < args.size() && (args[i + 1] == "yes" || args[i + 1] == "no");
        if (args[i] == "--rtc" && !rtcValue) {
            images.rtc = true;
        } else if (parseLoadOption(args, i, options, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (args[i] == "--port") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(io, "--port needs a device");
            device = args[++i];
        } else if (args[i] == "--ap") {
            images.ap = true;
        } else if (args[i] == "--tsv") {
            tsv = true;
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
    CliStreams quiet{io.err, io.err};
    const int loaded = load.load(options, quiet, true, "compare");
    if (loaded != kExitOk)
        return loaded;
    load.finish();

    ScriptedPrompter prompter;
    prompter.setEcho(&io.err);
    prompter.setDefaultAnswer(Answer::OK);
    ScopedPrompter scopedPrompter(prompter);
    StderrProgress progress(io.err);
    ScopedDownloadProgress scopedProgress(progress);

    SerialSession session;
    loadLinkPreferences();
    LinkPreferences& prefs = linkPreferences();
    prefs.ComPort = 1;
    prefs.deviceOverride = device;

    const ControllerDatabase& file = db();
    ControllerDatabase controller;
    WorkFolder imageFolder("kelp-compare");
    if (!downloadControllerCopy(controller, images, imageFolder.path())) {
        io.err << "kelp-cli compare: the controller's memory could not be downloaded\n";
        return session.failureStatus();
    }
    const std::vector<SettingDifference> differences =
        controllerDifferences(file, controller, images);
    printDifferences(io.out, differences, tsv);
    if (!tsv)
        io.err << "kelp-cli compare: " << differences.size() << " setting"
               << (differences.size() == 1 ? "" : "s") << " differ from the controller\n";
    return differences.empty() ? kExitOk : kExitDiffers;
}

}  // namespace kelp::cli
