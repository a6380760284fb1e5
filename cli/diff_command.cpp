// kelp-cli diff A.dat B.dat [--tsv] [--show-codes]: every setting whose value means something
// different to the controller in the two databases, one line each, in tab order, named as the
// editors show it; a changed code is listed with its values hidden unless --show-codes. Both files
// are loaded as the program opens them (the repair report of each goes to stderr) and neither is
// changed. Exit 0 identical, 1 different, 2 error.
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_listing.h"
#include "cli/database_load.h"
#include "core/database/controller_database.h"
#include "core/database/setting_compare.h"

namespace kelp::cli {

namespace {

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli diff: " << why
           << "\nUsage: kelp-cli diff A.dat B.dat [--tsv] [--show-codes] " << kLoadOptionsUsage
           << "\n";
    return kExitUsage;
}

}  // namespace

int runDiff(const std::vector<std::string>& args, CliStreams& io) {
    LoadOptions options;
    std::vector<std::string> files;
    bool tsv = false;
    bool showCodes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        if (parseLoadOption(args, i, options, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (args[i] == "--tsv") {
            tsv = true;
        } else if (args[i] == "--show-codes") {
            showCodes = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage(io, "unknown option '" + args[i] + "'");
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2)
        return usage(io, "name the two database files to compare");

    // The repair reports are for the operator, not part of the listing.
    CliStreams quiet{io.err, io.err};
    std::optional<ControllerDatabase> first;
    for (const std::string& file : files) {
        options.file = file;
        CliDatabaseLoad load;
        const int loaded = load.load(options, quiet, true, "diff");
        if (loaded != kExitOk)
            return loaded;
        if (!first)
            first = db();
    }
    const ControllerDatabase& second = db();

    std::vector<SettingDifference> differences = settingDifferences(*first, second);
    if (first->hasRtc != second.hasRtc)
        differences.insert(differences.begin(),
                           SettingDifference{-1, "RTC option board", "HasRTC",
                                             first->hasRtc ? "1" : "0", second.hasRtc ? "1" : "0"});
    printDifferences(io.out, showCodes ? differences : withCodesHidden(differences), tsv);
    if (!tsv)
        io.err << "kelp-cli diff: " << differences.size() << " setting"
               << (differences.size() == 1 ? "" : "s") << " differ\n";
    return differences.empty() ? kExitOk : kExitDiffers;
}

}  // namespace kelp::cli
