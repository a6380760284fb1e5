// kelp-cli status: every watched controller in one place, one line each, newest run first:
// when its watch last ran, what came of it (no drift, how many settings drifted, or why the
// run failed), its name and its port. The controllers are the saved watches
// (~/.config/kelp/watch/*.conf) and every history folder of the application folder that a
// watch has run in. Exit 0 every last run found its controller as Kelp left it, 1 one or more
// drifted (or there is no watched controller), else the highest status a last run failed with
// (2 the file or the history, 4 the port, 5 the controller), so a script sees the worst.
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "cli/watch_state.h"
#include "core/app/app_folder.h"

namespace kelp::cli {

namespace {

namespace fs = std::filesystem;

struct StatusLine {
    std::string time;  // "" never run
    std::string name;
    std::string outcome;
    std::string port;
    std::string reason;
    int status = 0;
};

std::string settings(int n, const char* what) {
    return std::to_string(n) + (n == 1 ? " setting " : " settings ") + what;
}

StatusLine lineOf(const std::string& name, const std::string& port,
                  const std::optional<WatchState>& state) {
    StatusLine line{"", name, "never run", port, "", 0};
    if (!state)
        return line;
    line.time = state->lastRun;
    line.port = state->port.empty() ? port : state->port;
    line.status = state->outcome;
    const std::string unsent =
        state->unsent > 0 ? ", " + settings(state->unsent, "not sent yet") : std::string();
    if (state->outcome == kExitOk || state->outcome == kExitDiffers)
        line.outcome = (state->drift == 0 ? std::string("no drift")
                                          : "drift: " + settings(state->drift, "changed")) +
                       unsent;
    else
        line.outcome = "failed (exit " + std::to_string(state->outcome) + ")";
    if (state->outcome != kExitOk && state->outcome != kExitDiffers) {
        line.reason = state->reason;
        line.reason += state->lastSuccess.empty() ? "; never read"
                                                  : "; last read " + state->lastSuccess;
    }
    return line;
}

std::string padded(std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

int runStatus(const std::vector<std::string>& args, CliStreams& io) {
    if (!args.empty()) {
        io.err << "kelp-cli status: it takes no arguments\nUsage: kelp-cli status\n";
        return kExitUsage;
    }
    std::vector<StatusLine> lines;
    std::set<fs::path> seen;
    std::error_code ec;
    const auto key = [](const fs::path& folder) {
        std::error_code error;
        return fs::weakly_canonical(folder, error).lexically_normal();
    };

    std::vector<fs::path> confs;
    for (const fs::directory_entry& entry : fs::directory_iterator(watchUnitFolder(), ec))
        if (entry.path().extension() == ".conf")
            confs.push_back(entry.path());
    std::sort(confs.begin(), confs.end());
    for (const fs::path& conf : confs) {
        WatchUnit unit;
        std::string error;
        if (!readWatchUnit(conf, unit, error)) {
            lines.push_back({"", conf.stem().string(), "not readable", "", error, kExitUsage});
            continue;
        }
        seen.insert(key(unit.history));
        lines.push_back(lineOf(unit.name, unit.port, readWatchState(unit.history)));
    }
    // Watches run by hand (or from a .conf since removed) keep their state in the history
    // folders of the application folder.
    const fs::path histories = appFolder() / "history";
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(histories, ec))
        if (entry.is_directory(ec) && seen.count(key(entry.path())) == 0)
            folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());
    for (const fs::path& folder : folders) {
        const std::optional<WatchState> state = readWatchState(folder);
        if (state)
            lines.push_back(lineOf(state->unit.empty() ? folder.filename().string() : state->unit,
                                   "", state));
    }
    if (lines.empty()) {
        io.err << "kelp-cli status: no watched controller: no saved watch in '"
               << watchUnitFolder().string() << "' and no watch has run with a history in '"
               << histories.string() << "'\n";
        return kExitDiffers;
    }

    std::stable_sort(lines.begin(), lines.end(),
                     [](const StatusLine& a, const StatusLine& b) { return a.time > b.time; });
    std::size_t nameWidth = 0;
    std::size_t outcomeWidth = 0;
    int status = kExitOk;
    for (const StatusLine& line : lines) {
        nameWidth = std::max(nameWidth, line.name.size());
        outcomeWidth = std::max(outcomeWidth, line.outcome.size());
        status = std::max(status, line.status);
    }
    for (const StatusLine& line : lines) {
        std::string text = padded(line.time.empty() ? "-" : line.time, 19) + "  " +
                           padded(line.name, nameWidth) + "  " +
                           padded(line.outcome, outcomeWidth) + "  " + line.port;
        if (!line.reason.empty())
            text += "  " + line.reason;
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        io.out << text << '\n';
    }
    return status;
}

}  // namespace kelp::cli
