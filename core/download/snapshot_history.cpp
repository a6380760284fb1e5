#include "core/download/snapshot_history.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/app/clock.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"
#include "core/session/sent_record.h"

namespace kelp {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSnapshotSection = "Snapshot";
constexpr const char* kApKey = "AP";
constexpr std::size_t kStampLength = 15;  // "yyyymmdd_hhmmss"

bool digits(const std::string& text, std::size_t from, std::size_t count) {
    if (from + count > text.size())
        return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

// The stamp and the number of the second within it (1, or n of "-n"); nothing for a name
// that is no snapshot's.
std::optional<std::pair<std::string, int>> snapshotName(const std::string& name) {
    if (name.size() < kStampLength + 4 || name.compare(name.size() - 4, 4, ".dat") != 0 ||
        !digits(name, 0, 8) || name[8] != '_' || !digits(name, 9, 6))
        return std::nullopt;
    const std::string rest = name.substr(kStampLength, name.size() - 4 - kStampLength);
    if (rest.empty())
        return std::make_pair(name.substr(0, kStampLength), 1);
    if (rest.size() < 2 || rest[0] != '-' || !digits(rest, 1, rest.size() - 1) || rest.size() > 6)
        return std::nullopt;
    return std::make_pair(name.substr(0, kStampLength), std::stoi(rest.substr(1)));
}

std::string stampOf(std::chrono::system_clock::time_point when) {
    const std::tm local = localTime(when);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d_%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

bool sameMemory(const SnapshotContents& a, const SnapshotContents& b) {
    return a.boards.ap == b.boards.ap && a.copy.hasRtc == b.copy.hasRtc &&
           a.copy.firmwareVersion == b.copy.firmwareVersion &&
           settingDifferences(a.copy, b.copy).empty();
}

}  // namespace

fs::path historyFolder(const fs::path& datFile) {
    return appFolder() / "history" / datFile.stem();
}

std::vector<Snapshot> listSnapshots(const fs::path& folder) {
    struct Found {
        std::string stamp;
        int second;
        fs::path file;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const auto name = snapshotName(entry.path().filename().string());
        if (name && entry.is_regular_file(ec))
            found.push_back({name->first, name->second, entry.path()});
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.stamp != b.stamp ? a.stamp > b.stamp : a.second > b.second;
    });
    std::vector<Snapshot> snapshots;
    for (const Found& f : found) {
        const std::string& s = f.stamp;
        snapshots.push_back({f.file, s.substr(0, 4) + "-" + s.substr(4, 2) + "-" + s.substr(6, 2) +
                                         " " + s.substr(9, 2) + ":" + s.substr(11, 2) + ":" +
                                         s.substr(13, 2)});
    }
    return snapshots;
}

std::optional<SnapshotContents> readSnapshot(const fs::path& file) {
    try {
        const IniFile ini = IniFile::load(file);
        if (!ini.hasSection("Version"))
            return std::nullopt;
        SnapshotContents contents{settingsIn(ini), {}};
        contents.boards.rtc = contents.copy.hasRtc;
        contents.boards.ap = ini.read(kSnapshotSection, kApKey) == "1";
        return contents;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::vector<SettingDifference> snapshotChanges(const SnapshotContents& older,
                                               const SnapshotContents& newer) {
    return settingDifferences(older.copy, newer.copy);
}

std::vector<SettingDifference> differencesFromSnapshot(const ControllerDatabase& file,
                                                       const SnapshotContents& snapshot) {
    return controllerDifferences(file, snapshot.copy, snapshot.boards);
}

std::optional<fs::path> keepSnapshot(const ControllerDatabase& copy,
                                     const ControllerCopyOptions& boards, const fs::path& folder,
                                     std::chrono::system_clock::time_point when) {
    if (!createPrivateFolders(folder))
        throw std::runtime_error("cannot create the history folder '" + folder.string() + "'");
    const std::string stamp = stampOf(when);
    fs::path target = folder / (stamp + ".dat");
    std::error_code ec;
    for (int n = 2; fs::exists(target, ec); ++n)
        target = folder / (stamp + "-" + std::to_string(n) + ".dat");

    // The database writer makes the file, beside the history under a name no listing takes;
    // read back, it is compared with the newest snapshot as that was read back too, so that
    // the writer's own forms never count as a change.
    const fs::path staging = folder / ("." + stamp + ".kelp-new");
    struct Staged {
        fs::path path;
        ~Staged() {
            std::error_code ignored;
            fs::remove(path, ignored);
        }
    } staged{staging};
    fs::remove(staging, ec);
    ControllerDatabase written = copy;
    written.currentFile = staging.string();
    if (!FileWrite(written))
        throw std::runtime_error("cannot write the snapshot in '" + folder.string() + "'");
    IniFile ini = IniFile::load(staging);
    ini.write(kSnapshotSection, kApKey, boards.ap ? "1" : "0");
    SnapshotContents contents{settingsIn(ini), boards};
    contents.boards.rtc = contents.copy.hasRtc;

    const std::vector<Snapshot> snapshots = listSnapshots(folder);
    if (!snapshots.empty()) {
        const std::optional<SnapshotContents> newest = readSnapshot(snapshots.front().file);
        if (newest && sameMemory(*newest, contents))
            return std::nullopt;
    }
    try {
        ini.save(target);
    } catch (const std::exception& e) {
        throw std::runtime_error(e.what());
    }
    return target;
}

}  // namespace kelp
