// A controller's history: what a watch found in its memory, kept as database files
// ("snapshots") named by the local date and time they were taken, "yyyymmdd_hhmmss.dat", in
// a folder of their own. A snapshot is only written when the controller's memory differs
// from the newest one, so the folder lists the changes, and each is an ordinary database
// file that Kelp opens and `kelp-cli diff` compares.
//
// A snapshot is the controller's copy as downloaded and written by the database writer, with
// one section more: [Snapshot] AP says whether the autopatch board was read with it (the RTC
// board's is [Version] HasRTC), so that it is compared with what was read and nothing else.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/database/controller_database.h"
#include "core/database/setting_compare.h"
#include "core/download/controller_copy.h"

namespace kelp {

struct Snapshot {
    std::filesystem::path file;
    std::string time;  // "2024-05-01 12:00:00", from its name
};

struct SnapshotContents {
    ControllerDatabase copy;
    ControllerCopyOptions boards;
};

// The history folder of a database file unless told otherwise: "history/<file name without
// .dat>/" in the application folder.
std::filesystem::path historyFolder(const std::filesystem::path& datFile);

// The snapshots in a folder, newest first; files not named as snapshots are left out. A
// second snapshot taken within the same second is named "yyyymmdd_hhmmss-2.dat".
std::vector<Snapshot> listSnapshots(const std::filesystem::path& folder);

// A snapshot read back exactly as written (no check, no repair, no question), or nothing when
// it cannot be read.
std::optional<SnapshotContents> readSnapshot(const std::filesystem::path& file);

// What changed from one snapshot to the next: the older one's value -> the newer one's.
std::vector<SettingDifference> snapshotChanges(const SnapshotContents& older,
                                               const SnapshotContents& newer);

// A database against a snapshot, as "Compare with QZ740" shows it against the controller:
// the file's value -> the snapshot's. Only what the snapshot read is compared.
std::vector<SettingDifference> differencesFromSnapshot(const ControllerDatabase& file,
                                                       const SnapshotContents& snapshot);

// Keeps the controller's copy (downloaded with `boards`) as a new snapshot in `folder`, named
// by `when`, unless the newest snapshot there holds the same memory. Returns the new file, or
// nothing when there was no change. The snapshot is written whole or not at all; a failure
// throws std::runtime_error with the reason (the writer's boxes have been shown too).
std::optional<std::filesystem::path> keepSnapshot(const ControllerDatabase& copy,
                                                  const ControllerCopyOptions& boards,
                                                  const std::filesystem::path& folder,
                                                  std::chrono::system_clock::time_point when);

}  // namespace kelp
