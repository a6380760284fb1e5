// kelp-cli watch FILE.dat --port DEVICE [--rtc] [--ap] [--history DIR] [--notify COMMAND]:
// has the controller been changed behind Kelp's back? Its memory is downloaded as compare
// downloads it (nothing but the download requests and their relock is sent, and nothing is
// asked), and two lists are printed as diff prints them: the settings changed on the
// controller since Kelp last sent or read FILE.dat (its sent record), and the settings of
// FILE.dat not sent yet. Without a record the controller is compared with FILE.dat itself.
// When the controller's memory differs from the newest snapshot in the history folder, it
// is kept as a new one. On drift, --notify runs COMMAND with the report on its input.
//
// Made to run unattended: stdout carries the report, stderr exactly one line for the log,
// at warning priority on drift when stderr is the journal. The unlock, lock and terminator
// codes are never printed; a changed code is listed as changed.
//
// Exit 0 the controller holds what Kelp sent, 1 it differs; the others as exit_status.h says
// (2 also when the snapshot could not be kept), with the reason.
//
// --metrics FILE.prom writes the run's outcome for node_exporter's textfile collector
// (watch_metrics.h).
//
// --save-unit NAME writes the options as ~/.config/kelp/watch/NAME.conf for the systemd
// units kelp-watch@NAME.service and .timer, which run `kelp-cli watch --unit NAME`.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#endif

#include "cli/cli_command.h"
#include "cli/cli_listing.h"
#include "cli/cli_support.h"
#include "cli/database_load.h"
#include "cli/serial_session.h"
#include "cli/watch_metrics.h"
#include "core/app/app_folder.h"
#include "core/app/clock.h"
#include "core/app/scripted_prompter.h"
#include "core/database/atomic_file.h"
#include "core/database/controller_database.h"
#include "core/download/controller_copy.h"
#include "core/download/snapshot_history.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_trace.h"
#include "core/session/sent_record.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: kelp-cli watch FILE.dat --port DEVICE [--rtc] [--ap] [--history DIR] "
    "[--notify COMMAND] [--metrics FILE.prom] [--save-unit NAME]\n       kelp-cli watch --unit "
    "NAME";
// An unattended watch keeps its serial traces apart, so that the hourly runs never push
// out the operator's own ten.
constexpr const char* kTraceFolder = "watch-traces";

struct WatchOptions {
    LoadOptions load;
    std::string device;
    ControllerCopyOptions images;
    fs::path history;
    std::string notify;
    fs::path metrics;
};

int usage(CliStreams& io, const std::string& why) {
    io.err << "kelp-cli watch: " << why << '\n' << kUsage << '\n';
    return kExitUsage;
}

// Where the systemd units find their watches: $XDG_CONFIG_HOME/kelp/watch, as %E names it.
fs::path unitFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && *config == '/')
        return fs::path(config) / "kelp" / "watch";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : ".") / ".config" / "kelp" / "watch";
}

bool validUnitName(const std::string& name) {
    if (name.empty() || name.size() > 64)
        return false;
    for (const char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-' || c == '.'))
            return false;
    return name[0] != '.';
}

// One "key=value" per line: the value is the rest of the line as it stands, so a notify
// command needs no quoting.
void saveUnit(const fs::path& file, const WatchOptions& options) {
    std::ostringstream text;
    text << "# kelp-watch@" << file.stem().string() << ": what `kelp-cli watch --unit "
         << file.stem().string() << "` checks.\n"
         << "# Every hour once enabled: systemctl --user enable --now kelp-watch@"
         << file.stem().string() << ".timer\n"
         << "file=" << options.load.file.string() << '\n'
         << "port=" << options.device << '\n'
         << "rtc=" << (options.images.rtc ? "yes" : "no") << '\n'
         << "ap=" << (options.images.ap ? "yes" : "no") << '\n'
         << "history=" << options.history.string() << '\n'
         << "notify=" << options.notify << '\n'
         << "metrics=" << options.metrics.string() << '\n';
    if (!createPrivateFolders(file.parent_path()))
        throw std::runtime_error("cannot create the folder '" + file.parent_path().string() + "'");
    writeFileAtomically(file, text.str());
}

bool loadUnit(const fs::path& file, WatchOptions& options, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = "cannot read '" + file.string() + "'";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::size_t equals = line.find('=');
        const auto trim = [](std::string text) {
            const std::size_t first = text.find_first_not_of(" \t");
            const std::size_t last = text.find_last_not_of(" \t");
            return first == std::string::npos ? std::string()
                                              : text.substr(first, last - first + 1);
        };
        const std::string key = equals == std::string::npos ? "" : trim(line.substr(0, equals));
        const std::string value = equals == std::string::npos ? "" : trim(line.substr(equals + 1));
        const bool yes = value == "yes";
        if (key == "file") {
            options.load.file = value;
        } else if (key == "port") {
            options.device = value;
        } else if ((key == "rtc" || key == "ap") && (yes || value == "no")) {
            (key == "rtc" ? options.images.rtc : options.images.ap) = yes;
        } else if (key == "history") {
            options.history = value;
        } else if (key == "notify") {
            options.notify = value;
        } else if (key == "metrics") {
            options.metrics = value;
        } else {
            error = file.string() + ":" + std::to_string(number) + ": not understood: " + line;
            return false;
        }
    }
    return true;
}

// A code is never printed: a changed one is listed as changed.
std::vector<SettingDifference> withoutCodes(std::vector<SettingDifference> differences) {
    for (SettingDifference& d : differences) {
        const KeyDescriptor* key = findKey(d.key.substr(0, d.key.find('(')));
        if (key != nullptr && std::string(key->section) == "Unlock")
            d.a = d.b = "(hidden)";
    }
    return differences;
}

std::string count(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

// The reason of the first box the download showed: its "Reason:" line when it has one (the
// port's own words), else its first line.
std::string reasonShown(const ScriptedPrompter& prompter) {
    const std::vector<PromptRecord> boxes = prompter.messageBoxes();
    if (boxes.empty())
        return "no reason was given";
    std::istringstream lines(boxes.front().text);
    std::string line;
    std::string first;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Reason: ", 0) == 0)
            return boxes.front().title + ": " + line.substr(8);
        if (first.empty())
            first = line;
    }
    return boxes.front().title + ": " + first;
}

// The one line a run leaves in the log. When stderr is the journal, the line carries its
// priority as sd-daemon prefixes it ("<4>" warning), so that drift stands out there.
void logLine(std::ostream& err, int priority, const std::string& text) {
    bool journal = false;
#ifndef _WIN32
    unsigned long long device = 0;
    unsigned long long inode = 0;
    struct stat st {};
    const char* stream = std::getenv("JOURNAL_STREAM");
    journal = stream != nullptr && std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 &&
              ::fstat(2, &st) == 0 && st.st_dev == device && st.st_ino == inode;
#endif
    if (journal)
        err << '<' << priority << '>' << text << '\n';
    else
        err << "kelp-cli watch: " << text << '\n';
    err.flush();
}

// Runs the notify command through the shell with the report on its input; "" when it ran
// and exited 0, else what went wrong.
std::string notify(const std::string& command, const std::string& report,
                   const WatchOptions& options, const std::optional<fs::path>& snapshot) {
#ifndef _WIN32
    ::setenv("KELP_WATCH_FILE", options.load.file.string().c_str(), 1);
    ::setenv("KELP_WATCH_PORT", options.device.c_str(), 1);
    ::setenv("KELP_WATCH_SNAPSHOT", snapshot ? snapshot->string().c_str() : "", 1);
    // A command that does not read its input must not end the watch.
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::fflush(nullptr);
    FILE* pipe = ::popen(command.c_str(), "w");
    if (pipe == nullptr) {
        std::signal(SIGPIPE, previous);
        return "the --notify command could not be started";
    }
    std::fwrite(report.data(), 1, report.size(), pipe);
    const int status = ::pclose(pipe);
    std::signal(SIGPIPE, previous);
    if (status == -1)
        return "the --notify command could not be started";
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return "";
    if (WIFEXITED(status))
        return "the --notify command failed (exit " + std::to_string(WEXITSTATUS(status)) + ")";
    return "the --notify command was ended by a signal";
#else
    (void)command;
    (void)report;
    (void)options;
    (void)snapshot;
    return "--notify is not available on this system";
#endif
}

int watchOnce(const WatchOptions& options, CliStreams& io, WatchRun& run) {
    const std::string name = options.load.file.filename().string();
    const std::string head = name + " on " + options.device + ": ";

    // The load's boxes are no part of an unattended run's log; they tell why it failed.
    std::ostringstream said;
    CliStreams quiet{said, said};
    CliDatabaseLoad load;
    if (const int loaded = load.load(options.load, quiet, false, "watch"); loaded != kExitOk) {
        // The last thing said is why: "kelp-cli watch: cannot read 'site.dat'".
        std::string reason = said.str();
        while (!reason.empty() && reason.back() == '\n') reason.pop_back();
        reason.erase(0, reason.find_last_of('\n') + 1);
        const std::string own = "kelp-cli watch: ";
        if (reason.rfind(own, 0) == 0)
            reason.erase(0, own.size());
        logLine(io.err, 3, head + "the file could not be loaded: " + reason);
        return loaded;
    }
    load.finish();
    const std::optional<ControllerDatabase> record = loadSentRecord(options.load.file);

    ScriptedPrompter prompter;
    prompter.setDefaultAnswer(Answer::OK);
    ScopedPrompter scopedPrompter(prompter);
    ControllerDatabase controller;
    bool downloaded = false;
    int failure = kExitController;
    {
        SerialSession session("kelp-cli watch");
        SerialTrace::instance().setSubfolder(kTraceFolder);
        loadLinkPreferences();
        LinkPreferences& prefs = linkPreferences();
        prefs.ComPort = 1;
        prefs.deviceOverride = options.device;
        WorkFolder images("kelp-watch-");
        downloaded = downloadControllerCopy(controller, options.images, images.path());
        failure = session.failureStatus();
    }
    if (!downloaded) {
        logLine(io.err, 3, head + "the controller could not be read: " + reasonShown(prompter));
        return failure;
    }

    run.firmware = controller.firmwareVersion;
    const ControllerDatabase& file = db();
    const std::vector<SettingDifference> changed =
        withoutCodes(controllerDifferences(record ? *record : file, controller, options.images));
    const std::vector<SettingDifference> unsent =
        record ? withoutCodes(settingDifferences(*record, file)) : std::vector<SettingDifference>{};

    std::ostringstream report;
    if (record)
        report << "Changed on the controller since Kelp last sent or read " << name << ": "
               << count(changed.size(), "setting") << " (sent -> controller)\n";
    else
        report << "Kelp has no record of sending " << name
               << ", so the controller is compared with the file: "
               << (changed.empty() ? "it holds the file\n"
                                   : "it differs in " + count(changed.size(), "setting") +
                                         " (file -> controller)\n");
    printDifferences(report, changed, false);
    if (record) {
        report << "\nNot sent yet from " << name << ": " << count(unsent.size(), "setting")
               << " (sent -> file)\n";
        printDifferences(report, unsent, false);
    }
    io.out << report.str();
    io.out.flush();
    run.changed = changed.size();
    run.unsent = unsent.size();

    const fs::path folder =
        options.history.empty() ? historyFolder(options.load.file) : options.history;
    std::optional<fs::path> snapshot;
    std::string snapshotError;
    try {
        snapshot = keepSnapshot(controller, options.images, folder, currentClock().wallClock());
    } catch (const std::exception& e) {
        snapshotError = e.what();
    }
    if (snapshotError.empty())
        run.sinceSnapshot = changesSinceLastSnapshot(folder, snapshot);

    std::string line = head;
    if (changed.empty())
        line += record ? "the controller holds what Kelp sent" : "the controller holds the file";
    else if (record)
        line += count(changed.size(), "setting") +
                " changed on the controller since Kelp sent or read it";
    else
        line += "the controller differs from the file in " + count(changed.size(), "setting");
    if (!unsent.empty())
        line += "; " + count(unsent.size(), "setting") + " of the file not sent yet";
    if (snapshot)
        line += "; snapshot " + snapshot->string();
    if (!snapshotError.empty())
        line += "; the snapshot could not be kept: " + snapshotError;
    if (!changed.empty() && !options.notify.empty()) {
        // The log line heads the message: it says which controller and what came of it.
        const std::string failed = notify(
            options.notify, "kelp-cli watch: " + line + "\n\n" + report.str(), options, snapshot);
        if (!failed.empty())
            line += "; " + failed;
    }
    if (!snapshotError.empty()) {
        logLine(io.err, 3, line);
        return kExitUsage;
    }
    logLine(io.err, changed.empty() ? 6 : 4, line);
    return changed.empty() ? kExitOk : kExitDiffers;
}

}  // namespace

int runWatch(const std::vector<std::string>& args, CliStreams& io) {
    WatchOptions options;
    std::string saveAs;
    std::string unit;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string error;
        const std::string& arg = args[i];
        // "--rtc" alone reads the RTC board too; "--rtc yes|no" answers the loader.
        const bool rtcValue = i + 1 < args.size() && (args[i + 1] == "yes" || args[i + 1] == "no");
        const bool valued = arg == "--port" || arg == "--history" || arg == "--notify" ||
                            arg == "--metrics" || arg == "--save-unit" || arg == "--unit";
        if (valued && (i + 1 >= args.size() || args[i + 1].empty()))
            return usage(io, arg + " needs a value");
        if (arg == "--rtc" && !rtcValue) {
            options.images.rtc = true;
        } else if (parseLoadOption(args, i, options.load, error)) {
            if (!error.empty())
                return usage(io, error);
        } else if (arg == "--ap") {
            options.images.ap = true;
        } else if (valued) {
            const std::string& value = args[++i];
            if (arg == "--port")
                options.device = value;
            else if (arg == "--history")
                options.history = value;
            else if (arg == "--notify")
                options.notify = value;
            else if (arg == "--metrics")
                options.metrics = value;
            else
                (arg == "--unit" ? unit : saveAs) = value;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage(io, "unknown option '" + arg + "'");
        } else if (options.load.file.empty()) {
            options.load.file = arg;
        } else {
            return usage(io, "name one database file");
        }
    }
    if (!unit.empty()) {
        if (args.size() != 2)
            return usage(io, "--unit takes everything from its file; name nothing else");
        if (!validUnitName(unit))
            return usage(io, "'" + unit + "' is no watch name (letters, digits, '.', '_', '-')");
        std::string error;
        if (!loadUnit(unitFolder() / (unit + ".conf"), options, error)) {
            logLine(io.err, 3, error);
            return kExitUsage;
        }
    }
    if (options.load.file.empty() || options.device.empty())
        return usage(io, "name the database file and the --port");
    // The textfile collector reads nothing else.
    if (!options.metrics.empty() && options.metrics.extension() != ".prom")
        return usage(io, "--metrics names a file ending in .prom, as node_exporter reads them");

    if (!saveAs.empty()) {
        if (!validUnitName(saveAs))
            return usage(io, "'" + saveAs + "' is no watch name (letters, digits, '.', '_', '-')");
        std::error_code ec;
        // The units run in the home folder: every path is kept whole.
        options.load.file = fs::absolute(options.load.file, ec);
        if (!options.history.empty())
            options.history = fs::absolute(options.history, ec);
        if (!options.metrics.empty())
            options.metrics = fs::absolute(options.metrics, ec);
        const fs::path file = unitFolder() / (saveAs + ".conf");
        try {
            saveUnit(file, options);
        } catch (const std::exception& e) {
            io.err << "kelp-cli watch: " << e.what() << '\n';
            return kExitUsage;
        }
        io.out << "Wrote " << file.string() << "; start the hourly watch with\n  systemctl --user "
               << "enable --now kelp-watch@" << saveAs << ".timer\n";
        return kExitOk;
    }
    const auto started = std::chrono::steady_clock::now();
    WatchRun run;
    run.controller = unit.empty() ? options.load.file.stem().string() : unit;
    run.device = options.device;
    run.exitStatus = watchOnce(options, io, run);
    if (options.metrics.empty())
        return run.exitStatus;
    run.duration =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.finished = static_cast<double>(std::chrono::duration_cast<std::chrono::seconds>(
                                           std::chrono::system_clock::now().time_since_epoch())
                                           .count());
    try {
        writeWatchMetrics(options.metrics, run);
    } catch (const std::exception& e) {
        // Monitoring that no longer hears from a site must not look like a quiet one.
        logLine(io.err, 3, "the metrics could not be written: " + std::string(e.what()));
        return run.exitStatus <= kExitDiffers ? kExitUsage : run.exitStatus;
    }
    return run.exitStatus;
}

}  // namespace kelp::cli
