// kelp-cli watch FILE.dat --port DEVICE [--rtc] [--ap] [--history DIR] [--notify COMMAND]:
// has the controller been changed behind Kelp's back? Its memory is downloaded as compare
// downloads it (nothing but the download requests and their relock is sent, and nothing is
// asked), and two lists are printed as diff prints them: the settings changed on the
// controller since Kelp last sent or read FILE.dat (its sent record), and the settings of
// FILE.dat not sent yet. Without a record the controller is compared with FILE.dat itself.
// When the controller's memory differs from the newest snapshot in the history folder, it
// is kept as a new one. The report ends with the next step: the upload that puts FILE.dat
// back (--since the snapshot of the controller's memory) and the download that keeps the
// controller's values instead. --notify runs COMMAND with the report on its input when the
// drift appears, changes or clears (--notify-every-run: every run with drift); the drift it
// was last told of is kept in the history folder with the run's state (watch_state.h).
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
// --save-unit NAME writes the options (the TLS trust of --tls-ca and --tls-fingerprint too)
// as ~/.config/kelp/watch/NAME.conf for the systemd units kelp-watch@NAME.service and
// .timer, which run `kelp-cli watch --unit NAME`.
#include <chrono>
#include <cstdint>
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
#include "cli/watch_state.h"
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
    "[--notify COMMAND [--notify-every-run]] [--metrics FILE.prom] [--save-unit NAME]\n"
    "       kelp-cli watch --unit NAME";
// An unattended watch keeps its serial traces apart, so that the hourly runs never push
// out the operator's own ten.
constexpr const char* kTraceFolder = "watch-traces";

struct WatchOptions {
    LoadOptions load;
    std::string device;
    ControllerCopyOptions images;
    fs::path history;
    std::string notify;
    fs::path metrics;             // the Prometheus textfile, if any
    bool notifyEveryRun = false;  // else --notify runs only when the drift changes
    TlsTrust tls;                 // how the certificate of a TLS --port is trusted
    std::string unit;             // the saved watch this run comes from
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

// The keys of a saved watch, in the order they are written, each with how it is read from
// and written to the options. A value is the rest of its line as it stands, so a notify
// command needs no quoting.
struct UnitKey {
    const char* name;
    std::string (*get)(const WatchOptions&);
    bool (*set)(WatchOptions&, const std::string&);  // false: the value is not understood
};
bool yesNo(const std::string& value, bool& flag) {
    if (value != "yes" && value != "no")
        return false;
    flag = value == "yes";
    return true;
}
const char* yesNoText(bool flag) {
    return flag ? "yes" : "no";
}
const UnitKey kUnitKeys[] = {
    {"file", [](const WatchOptions& o) { return o.load.file.string(); },
     [](WatchOptions& o, const std::string& v) { return !(o.load.file = v).empty(); }},
    {"port", [](const WatchOptions& o) { return o.device; },
     [](WatchOptions& o, const std::string& v) { return !(o.device = v).empty(); }},
    {"rtc", [](const WatchOptions& o) { return std::string(yesNoText(o.images.rtc)); },
     [](WatchOptions& o, const std::string& v) { return yesNo(v, o.images.rtc); }},
    {"ap", [](const WatchOptions& o) { return std::string(yesNoText(o.images.ap)); },
     [](WatchOptions& o, const std::string& v) { return yesNo(v, o.images.ap); }},
    {"history", [](const WatchOptions& o) { return o.history.string(); },
     [](WatchOptions& o, const std::string& v) {
         o.history = v;
         return true;
     }},
    {"notify", [](const WatchOptions& o) { return o.notify; },
     [](WatchOptions& o, const std::string& v) {
         o.notify = v;
         return true;
     }},
    {"metrics", [](const WatchOptions& o) { return o.metrics.string(); },
     [](WatchOptions& o, const std::string& v) {
         o.metrics = v;
         return true;
     }},
    {"notify-every-run",
     [](const WatchOptions& o) { return std::string(yesNoText(o.notifyEveryRun)); },
     [](WatchOptions& o, const std::string& v) { return yesNo(v, o.notifyEveryRun); }},
    {"firmware", [](const WatchOptions& o) { return o.load.firmware.value_or(""); },
     [](WatchOptions& o, const std::string& v) {
         o.load.firmware = v.empty() ? std::nullopt : std::optional<std::string>(v);
         return true;
     }},
    {"accept-firmware",
     [](const WatchOptions& o) { return std::string(yesNoText(o.load.acceptFirmware)); },
     [](WatchOptions& o, const std::string& v) { return yesNo(v, o.load.acceptFirmware); }},
    // The answer to the loader's "RTC Installed?" (--rtc yes|no); "" asks nothing.
    {"rtc-installed",
     [](const WatchOptions& o) {
         return o.load.rtc ? std::string(yesNoText(*o.load.rtc)) : std::string();
     },
     [](WatchOptions& o, const std::string& v) {
         bool installed = false;
         if (!v.empty() && !yesNo(v, installed))
             return false;
         o.load.rtc = v.empty() ? std::nullopt : std::optional<bool>(installed);
         return true;
     }},
    {"tls-ca", [](const WatchOptions& o) { return o.tls.caFile; },
     [](WatchOptions& o, const std::string& v) {
         o.tls.caFile = v;
         return true;
     }},
    {"tls-fingerprint", [](const WatchOptions& o) { return o.tls.fingerprint; },
     [](WatchOptions& o, const std::string& v) {
         return (o.tls.fingerprint = v).empty() || !normalizedFingerprint(v).empty();
     }},
};

std::string knownUnitKeys() {
    std::string names;
    for (const UnitKey& key : kUnitKeys) names += std::string(names.empty() ? "" : ", ") + key.name;
    return names;
}

void saveUnit(const fs::path& file, const WatchOptions& options) {
    // What is written must read back: a value on one line that its key takes.
    WatchOptions check;
    for (const UnitKey& key : kUnitKeys) {
        const std::string value = key.get(options);
        if (value.find_first_of("\r\n") != std::string::npos || !key.set(check, value))
            throw std::runtime_error("'" + value + "' is no value for " + key.name);
    }
    std::ostringstream text;
    text << "# kelp-watch@" << file.stem().string() << ": what `kelp-cli watch --unit "
         << file.stem().string() << "` checks.\n"
         << "# Every hour once enabled: systemctl --user enable --now kelp-watch@"
         << file.stem().string() << ".timer\n";
    for (const UnitKey& key : kUnitKeys) text << key.name << '=' << key.get(options) << '\n';
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
    const auto trim = [](const std::string& text) {
        const std::size_t first = text.find_first_not_of(" \t");
        const std::size_t last = text.find_last_not_of(" \t");
        return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    };
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::size_t equals = line.find('=');
        const std::string where = file.string() + ":" + std::to_string(number) + ": ";
        if (equals == std::string::npos) {
            error = where + "not a key=value line: " + line + " (keys: " + knownUnitKeys() + ")";
            return false;
        }
        const std::string key = trim(line.substr(0, equals));
        const std::string value = trim(line.substr(equals + 1));
        const UnitKey* known = nullptr;
        for (const UnitKey& k : kUnitKeys)
            if (key == k.name)
                known = &k;
        if (known == nullptr) {
            error = where + "unknown key '" + key + "' (keys: " + knownUnitKeys() + ")";
            return false;
        }
        if (!known->set(options, value)) {
            error = where + "'" + value + "' is no value for " + key;
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

// A word as the shell reads it back: quoted when it holds anything but plain characters.
std::string shellWord(const std::string& word) {
    if (!word.empty() &&
        word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                               "0123456789_-./:,=+@%") == std::string::npos)
        return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string commandLine(const std::vector<std::string>& words) {
    std::string line = "kelp-cli";
    for (const std::string& word : words) line += " " + shellWord(word);
    return line;
}

// What reaches this controller and loads its file as the watch did, for the commands the
// report proposes.
std::vector<std::string> portWords(const WatchOptions& options, bool loadAnswers) {
    std::error_code ec;
    std::vector<std::string> words{"--port", options.device};
    if (!options.tls.caFile.empty())
        words.insert(words.end(), {"--tls-ca", fs::absolute(options.tls.caFile, ec).string()});
    if (!options.tls.fingerprint.empty())
        words.insert(words.end(), {"--tls-fingerprint", options.tls.fingerprint});
    if (options.load.firmware)
        words.insert(words.end(), {"--firmware", *options.load.firmware});
    if (options.load.acceptFirmware)
        words.push_back("--accept-firmware");
    if (loadAnswers && options.load.rtc)
        words.insert(words.end(), {"--rtc", *options.load.rtc ? "yes" : "no"});
    return words;
}

// The report's last lines: the commands that end the drift one way or the other, or send
// what waits to be sent. controllerCopy is a snapshot holding the controller's memory.
std::string nextStep(const WatchOptions& options, std::size_t changed, std::size_t unsent,
                     const std::optional<fs::path>& controllerCopy) {
    std::error_code ec;
    const std::string file = fs::absolute(options.load.file, ec).string();
    const std::string name = options.load.file.filename().string();
    std::vector<std::string> upload{"upload", file};
    const std::vector<std::string> port = portWords(options, true);
    upload.insert(upload.end(), port.begin(), port.end());
    std::ostringstream text;
    if (changed == 0) {
        if (unsent > 0) {
            upload.push_back("--changes");
            text << "\nNext step: send what is not sent yet:\n  " << commandLine(upload) << '\n';
        }
        return text.str();
    }
    text << "\nNext step, one of:\n";
    if (controllerCopy) {
        upload.insert(upload.end(), {"--since", fs::absolute(*controllerCopy, ec).string()});
        text << "- put " << name << " back into the controller (only the settings that differ are "
             << "sent):\n  " << commandLine(upload) << '\n';
    } else {
        text << "- put " << name << " back into the controller (a complete upload):\n  "
             << commandLine(upload) << '\n';
    }
    std::vector<std::string> download{"download"};
    const std::vector<std::string> reach = portWords(options, false);
    download.insert(download.end(), reach.begin(), reach.end());
    if (options.images.rtc)
        download.push_back("--rtc");
    if (options.images.ap)
        download.push_back("--ap");
    download.insert(download.end(), {"--write", file});
    text << "- or keep the controller's values: its memory replaces " << name;
    if (unsent > 0)
        text << ", and the " << count(unsent, "setting") << " not sent yet are lost";
    text << ":\n  " << commandLine(download) << '\n';
    return text.str();
}

// Which drift a list is, to tell a new or changed drift from the one told before: FNV-1a
// over the listed settings (codes hidden), as 16 hex digits; "" for no drift.
std::string driftDigest(const std::vector<SettingDifference>& changed) {
    if (changed.empty())
        return "";
    std::uint64_t hash = 14695981039346656037ull;
    for (const SettingDifference& d : changed)
        for (const char c : d.key + '\t' + d.a + '\t' + d.b + '\n') {
            hash ^= static_cast<unsigned char>(c);
            hash *= 1099511628211ull;
        }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

int watchOnce(const WatchOptions& options, CliStreams& io, WatchRun& run) {
    const std::string name = options.load.file.filename().string();
    const std::string head = name + " on " + options.device + ": ";
    const fs::path folder =
        options.history.empty() ? historyFolder(options.load.file) : options.history;

    // The run's state, beside the snapshots, whatever comes of it.
    WatchState state = readWatchState(folder).value_or(WatchState{});
    std::error_code ec;
    state.unit = options.unit;
    state.file = fs::absolute(options.load.file, ec).string();
    state.port = options.device;
    state.lastRun = watchTimeNow();
    state.drift = state.unsent = 0;
    state.reason.clear();
    const auto failed = [&](int status, const std::string& reason) {
        state.outcome = status;
        state.reason = reason;
        std::string line = head + reason;
        try {
            writeWatchState(folder, state);
        } catch (const std::exception& e) {
            line += "; the state could not be kept: " + std::string(e.what());
        }
        logLine(io.err, 3, line);
        return status;
    };

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
        return failed(loaded, "the file could not be loaded: " + reason);
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
    if (!downloaded)
        return failed(failure, "the controller could not be read: " + reasonShown(prompter));

    run.firmware = controller.firmwareVersion;
    const ControllerDatabase& file = db();
    const std::vector<SettingDifference> changed =
        withoutCodes(controllerDifferences(record ? *record : file, controller, options.images));
    const std::vector<SettingDifference> unsent =
        record ? withoutCodes(settingDifferences(*record, file)) : std::vector<SettingDifference>{};

    std::optional<fs::path> snapshot;
    std::string snapshotError;
    try {
        snapshot = keepSnapshot(controller, options.images, folder, currentClock().wallClock());
    } catch (const std::exception& e) {
        snapshotError = e.what();
    }
    if (snapshotError.empty() && !options.metrics.empty())  // two snapshots read: only for them
        run.sinceSnapshot = changesSinceLastSnapshot(folder, snapshot);
    // The controller's memory as a file: the new snapshot, or the newest when it is the same.
    std::optional<fs::path> controllerCopy = snapshot;
    if (!controllerCopy && snapshotError.empty()) {
        const std::vector<Snapshot> kept = listSnapshots(folder);
        if (!kept.empty())
            controllerCopy = kept.front().file;
    }

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
    report << nextStep(options, changed.size(), unsent.size(), controllerCopy);
    io.out << report.str();
    io.out.flush();
    run.changed = changed.size();
    run.unsent = unsent.size();

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

    // --notify hears of a drift once, when it appears, changes or clears, unless told to
    // hear of it every run.
    const std::string digest = driftDigest(changed);
    if (!options.notify.empty() &&
        (digest != state.notifiedDrift || (options.notifyEveryRun && !changed.empty()))) {
        // The log line heads the message: it says which controller and what came of it.
        const std::string cleared =
            changed.empty() ? " (the drift told before is gone)" : std::string();
        const std::string notifyFailed =
            notify(options.notify, "kelp-cli watch: " + line + cleared + "\n\n" + report.str(),
                   options, snapshot);
        if (notifyFailed.empty())
            state.notifiedDrift = digest;
        else
            line += "; " + notifyFailed;
    } else if (!options.notify.empty() && !changed.empty()) {
        line += "; --notify was told of this drift before";
    }

    state.outcome = !snapshotError.empty() ? kExitUsage : changed.empty() ? kExitOk : kExitDiffers;
    state.lastSuccess = state.lastRun;
    state.drift = static_cast<int>(changed.size());
    state.unsent = static_cast<int>(unsent.size());
    state.reason = snapshotError;
    try {
        writeWatchState(folder, state);
    } catch (const std::exception& e) {
        line += "; the state could not be kept: " + std::string(e.what());
        state.outcome = kExitUsage;
    }
    logLine(io.err, state.outcome == kExitUsage ? 3 : changed.empty() ? 6 : 4, line);
    return state.outcome;
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
        } else if (arg == "--notify-every-run") {
            options.notifyEveryRun = true;
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
    std::optional<TlsTrust>& trust = linkPreferences().tlsOverride;
    if (!unit.empty()) {
        if (args.size() != 2 || trust)
            return usage(io, "--unit takes everything from its file; name nothing else");
        if (!validUnitName(unit))
            return usage(io, "'" + unit + "' is no watch name (letters, digits, '.', '_', '-')");
        std::string error;
        if (!loadUnit(unitFolder() / (unit + ".conf"), options, error)) {
            logLine(io.err, 3, error);
            return kExitUsage;
        }
        options.unit = unit;
        if (!options.tls.empty())
            trust = options.tls;
    } else if (trust) {
        options.tls = *trust;
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
        if (!options.tls.caFile.empty())
            options.tls.caFile = fs::absolute(options.tls.caFile, ec).string();
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

fs::path watchUnitFolder() {
    return unitFolder();
}

bool readWatchUnit(const fs::path& conf, WatchUnit& unit, std::string& error) {
    WatchOptions options;
    if (!loadUnit(conf, options, error))
        return false;
    unit.name = conf.stem().string();
    unit.file = options.load.file;
    unit.port = options.device;
    unit.history = options.history.empty() ? historyFolder(options.load.file) : options.history;
    return true;
}

}  // namespace kelp::cli
