// kelp-cli report FILE.dat --html OUT.html: the printable configuration report of a database
// file, loaded exactly as the program opens it (FILE.dat itself is never changed). The values
// the load repaired carry their repair report entries; the unlock, lock and terminator codes
// are in the report only with --include-codes.
#include <chrono>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/database_load.h"
#include "core/database/atomic_file.h"
#include "core/database/controller_database.h"
#include "core/database/error_log.h"
#include "core/report/config_report.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli report: " << why << "\nUsage: kelp-cli report FILE.dat --html OUT.html "
           << "[--include-codes] " << kLoadOptionsUsage << "\n";
    return kExitUsage;
}

}  // namespace

int runReport(const std::vector<std::string>& args, CliStreams& io) {
    LoadOptions options;
    std::optional<fs::path> html;
    bool includeCodes = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        if (parseLoadOption(args, i, options, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (args[i] == "--html") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return usage(io, "--html needs the file to write");
            html = fs::path(args[++i]);
        } else if (args[i] == "--include-codes") {
            includeCodes = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage(io, "unknown option '" + args[i] + "'");
        } else if (options.file.empty()) {
            options.file = args[i];
        } else {
            return usage(io, "name one database file");
        }
    }
    if (options.file.empty())
        return usage(io, "name the database file to report");
    if (!html)
        return usage(io, "name the report to write with --html OUT.html");

    CliDatabaseLoad load;
    const int loaded = load.load(options, io, false, "report");
    if (loaded != kExitOk)
        return loaded;

    ReportOptions report;
    report.fileName = options.file.filename().string();
    report.reportDate = reportDateText(std::chrono::system_clock::now());
    report.includeCodes = includeCodes;
    const std::string text = configurationReport(db(), readRepairReport(errorLog().path()), report);
    try {
        writeFileAtomically(*html, text);
    } catch (const std::exception& e) {
        io.err << "kelp-cli report: cannot write '" << html->string() << "': " << e.what() << "\n";
        return kExitUsage;
    }
    return kExitOk;
}

}  // namespace kelp::cli
