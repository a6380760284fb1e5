// What the watches leave behind for `kelp-cli status`: each run of `kelp-cli watch` writes the
// state of its controller into the controller's history folder ("watch-state", key=value
// lines beside the snapshots): when it ran, what came of it, how many settings had drifted,
// and which drift --notify was last told about, so that the next run tells only a change.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kelp::cli {

struct WatchState {
    std::string unit;         // the kelp-watch unit that ran it; "" for a run by hand
    std::string file;         // the database file
    std::string port;
    std::string lastRun;      // local time, "2026-12-10 02:00:00"
    std::string lastSuccess;  // the last run that read the controller; "" for none
    int outcome = 0;          // the run's exit status
    int drift = 0;            // settings changed on the controller
    int unsent = 0;           // settings of the file not sent yet
    std::string reason;       // why a failed run failed
    // The drift --notify was last told about (a digest of its list), "" when none.
    std::string notifiedDrift;
};

// The state file of a history folder.
std::filesystem::path watchStateFile(const std::filesystem::path& historyFolder);

// The state a watch left in a history folder; nothing when there is none or it is unreadable.
std::optional<WatchState> readWatchState(const std::filesystem::path& historyFolder);

// Writes it whole or not at all; throws std::runtime_error with the reason.
void writeWatchState(const std::filesystem::path& historyFolder, const WatchState& state);

// The local time now as the state holds it.
std::string watchTimeNow();

// A saved watch as `kelp-cli status` needs it (implemented with the watch's own .conf reader).
struct WatchUnit {
    std::string name;
    std::filesystem::path file;
    std::string port;
    std::filesystem::path history;  // the folder its runs keep their snapshots and state in
};
// Where the saved watches are: $XDG_CONFIG_HOME/kelp/watch (~/.config/kelp/watch).
std::filesystem::path watchUnitFolder();
// Reads NAME.conf; false with the reason in error.
bool readWatchUnit(const std::filesystem::path& conf, WatchUnit& unit, std::string& error);

}  // namespace kelp::cli
