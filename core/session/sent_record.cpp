#include "core/session/sent_record.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/database/ini_file.h"
#include "core/database/setting_compare.h"
#include "core/database/setting_flags.h"

namespace kelp {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRecordSection = "SentRecord";
constexpr const char* kRecordFileKey = "File";

fs::path fullPath(const fs::path& file) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::absolute(file, ec), ec);
    return ec ? fs::absolute(file, ec) : full;
}

// Every setting of the database, by its file key, in writer order.
template <typename Visit>
void forEachSetting(const KeyDescriptor& key, Visit visit) {
    if (key.shape == KeyShape::Courtesy) {
        for (int port = 1; port <= kCourtesyPorts; ++port)
            for (int tone = 1; tone <= key.count; ++tone)
                visit(courtesyKeyText(key.name, port, tone), settingFlag(key.name, tone, port));
    } else if (key.shape == KeyShape::Single) {
        visit(std::string(key.name), settingFlag(key.name, 0));
    } else {
        for (int i = 1; i <= key.count; ++i) visit(keyText(key.name, i), settingFlag(key.name, i));
    }
}

std::vector<FlagRef> raisedFlags(const ControllerDatabase& database) {
    std::vector<FlagRef> raised;
    for (const UploadFlagDescriptor& d : uploadFlagTable()) {
        const int first = d.count == 1 ? 0 : 1;
        const int last = d.count == 1 ? 0 : d.count;
        for (int i = first; i <= last; ++i)
            if (database.uploadFlag(d.flag, i))
                raised.push_back(FlagRef{d.flag, i});
    }
    return raised;
}

// A group of one flag answers to index 0 and 1 alike.
FlagRef slotOf(FlagRef f) {
    if (uploadFlagDescriptor(f.group).count == 1)
        f.index = 0;
    return f;
}

}  // namespace

ControllerDatabase settingsIn(const IniFile& ini) {
    ControllerDatabase database;
    database.hasRtc = ini.read("Version", "HasRTC") == "1";
    database.firmwareVersion = ini.read("Version", "FirmwareVersion");
    for (const KeyDescriptor& key : keyTable())
        forEachSetting(key, [&](const std::string& keyText, const auto&) {
            if (auto v = ini.value(key.section, keyText))
                database.setByKey(keyText, *v);
        });
    return database;
}

fs::path sentRecordPath(const fs::path& datFile) {
    // FNV-1a of the full path: one record per file, whatever its name.
    const std::string path = fullPath(datFile).string();
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : path) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return appFolder() / "sent" / (datFile.stem().string() + "-" + hex + ".dat");
}

std::optional<ControllerDatabase> loadSentRecord(const fs::path& datFile) {
    const fs::path file = sentRecordPath(datFile);
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return std::nullopt;
    try {
        const IniFile ini = IniFile::load(file);
        if (ini.read(kRecordSection, kRecordFileKey) != fullPath(datFile).string())
            return std::nullopt;
        return settingsIn(ini);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool saveSentRecord(const fs::path& datFile, const ControllerDatabase& sent) {
    try {
        const fs::path file = sentRecordPath(datFile);
        createPrivateFolders(file.parent_path());
        IniFile ini;
        ini.write(kRecordSection, kRecordFileKey, fullPath(datFile).string());
        ini.write("Version", "HasRTC", sent.hasRtc ? "1" : "0");
        for (const KeyDescriptor& key : keyTable())
            forEachSetting(key, [&](const std::string& keyText, const auto&) {
                const std::string& v = sent.byKey(keyText);
                // A value the ini form cannot hold (a line break) is left out of the record:
                // the setting then counts as differing, and is sent again.
                if (v.find_first_of("\r\n") == std::string::npos)
                    ini.write(key.section, keyText, v);
            });
        ini.save(file);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

std::optional<int> settingsDifferingFromRecord(const ControllerDatabase& database) {
    if (database.currentFile.empty())
        return std::nullopt;
    const std::optional<ControllerDatabase> record = loadSentRecord(database.currentFile);
    if (!record)
        return std::nullopt;
    ControllerDatabase copy = database;
    return flagDifferences(copy, *record);
}

ChangesOnlyRecord::ChangesOnlyRecord(ControllerDatabase& database) : db_(database) {
    if (!db_.currentFile.empty())
        record_ = loadSentRecord(db_.currentFile);
    if (record_)
        differing_ = flagDifferences(db_, *record_);
    setBefore_ = raisedFlags(db_);
}

void ChangesOnlyRecord::finish() {
    if (!record_)
        return;
    // The flags the upload cleared are the items the controller took.
    std::vector<FlagRef> taken;
    for (const FlagRef& f : setBefore_)
        if (!db_.uploadFlag(f.group, f.index))
            taken.push_back(slotOf(f));
    if (taken.empty())
        return;
    for (const KeyDescriptor& key : keyTable())
        forEachSetting(key, [&](const std::string& keyText, const std::optional<FlagRef>& flag) {
            if (flag && std::find(taken.begin(), taken.end(), slotOf(*flag)) != taken.end())
                record_->setByKey(keyText, db_.byKey(keyText));
        });
    saveSentRecord(db_.currentFile, *record_);
}

bool moveSentRecord(const fs::path& from, const fs::path& to) {
    const std::optional<ControllerDatabase> record = loadSentRecord(from);
    if (!record || !saveSentRecord(to, *record))
        return false;
    std::error_code ec;
    fs::remove(sentRecordPath(from), ec);
    return true;
}

void recordWholeDatabase(const ControllerDatabase& database) {
    if (!database.currentFile.empty())
        saveSentRecord(database.currentFile, database);
}

}  // namespace kelp
