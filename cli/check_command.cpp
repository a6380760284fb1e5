// kelp-cli check FILE.dat: loads a database file exactly as the program opens it, with every
// check and repair, and prints what the load said. FILE.dat itself is never changed: the
// load runs on a working copy in a temporary folder (the firmware and RTC answers the loader
// writes at once go there), and error.log is written to that folder too, so the operator's
// own error.log stays as it was. The questions the loader asks are answered from options;
// every message box is printed to stderr, the repair report to stdout byte for byte.
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_command.h"
#include "cli/cli_support.h"
#include "cli/database_load.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli check: " << why << "\nUsage: kelp-cli check FILE.dat " << kLoadOptionsUsage
           << " [--write OUT.dat]\n";
    return kExitUsage;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::exists(b, ec))
        return fs::equivalent(a, b, ec);
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

}  // namespace

int runCheck(const std::vector<std::string>& args, CliStreams& io) {
    LoadOptions options;
    std::optional<fs::path> writeTo;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        if (parseLoadOption(args, i, options, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (args[i] == "--write") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(io, "--write needs the file to write");
            writeTo = fs::path(args[++i]);
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage(io, "unknown option '" + args[i] + "'");
        } else if (options.file.empty()) {
            options.file = args[i];
        } else {
            return usage(io, "name one database file");
        }
    }
    if (options.file.empty())
        return usage(io, "name the database file to check");
    if (writeTo && sameFile(options.file, *writeTo))
        return usage(io, "--write must name another file than the one checked");

    CliDatabaseLoad load;
    const int loaded = load.load(options, io, true, "check");
    if (loaded != kExitOk)
        return loaded;

    if (writeTo) {
        // The writer merges into what is there, so keys it does not write survive: it works on
        // a copy of FILE beside OUT, which replaces OUT only once it is whole. A failure leaves
        // OUT as it was.
        StagedOutput staged(*writeTo);
        std::error_code ec;
        fs::copy_file(options.file, staged.staging(), fs::copy_options::overwrite_existing, ec);
        if (ec) {
            io.err << "kelp-cli check: cannot create '" << writeTo->string()
                   << "': " << ec.message() << "\n";
            return kExitUsage;
        }
        db().currentFile = staged.staging().string();
        if (!FileWrite())
            return kExitUsage;
        std::string error;
        if (!staged.commit(error)) {
            io.err << "kelp-cli check: " << error << "\n";
            return kExitUsage;
        }
        db().currentFile = writeTo->string();
    }
    return kExitOk;
}

}  // namespace kelp::cli
