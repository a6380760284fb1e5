// kelp-cli history FILE.dat|DIR: the snapshots a watch kept of a controller, newest first,
// each with its time, how many settings changed since the one before and its file (which
// `kelp-cli diff` compares with any other). FILE.dat names its history folder in the
// application folder; DIR is a folder given to `watch --history`. Exit 0 snapshots listed,
// 1 none there, 2 error.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "core/download/snapshot_history.h"

namespace kelp::cli {

int runHistory(const std::vector<std::string>& args, CliStreams& io) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        io.err << "kelp-cli history: name one database file or history folder\n"
               << "Usage: kelp-cli history FILE.dat|DIR\n";
        return kExitUsage;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder =
        fs::is_directory(args[0], ec) ? fs::path(args[0]) : historyFolder(args[0]);
    const std::vector<Snapshot> snapshots = listSnapshots(folder);
    if (snapshots.empty()) {
        io.err << "kelp-cli history: no snapshots in '" << folder.string() << "'\n";
        return kExitDiffers;
    }
    // Each is read once, and compared with the one before it in time (the next in the list).
    std::optional<SnapshotContents> newer = readSnapshot(snapshots.front().file);
    for (std::size_t i = 0; i < snapshots.size(); ++i) {
        std::optional<SnapshotContents> older;
        if (i + 1 < snapshots.size())
            older = readSnapshot(snapshots[i + 1].file);
        std::string changes;
        if (!newer) {
            changes = "cannot be read";
        } else if (i + 1 == snapshots.size()) {
            changes = "first snapshot";
        } else if (!older) {
            changes = "the one before cannot be read";
        } else {
            const std::size_t n = snapshotChanges(*older, *newer).size();
            changes = std::to_string(n) + (n == 1 ? " setting changed" : " settings changed");
        }
        changes.resize(std::max<std::size_t>(changes.size(), 20), ' ');
        io.out << snapshots[i].time << "  " << changes << "  " << snapshots[i].file.string()
               << '\n';
        newer = std::move(older);
    }
    return kExitOk;
}

}  // namespace kelp::cli
