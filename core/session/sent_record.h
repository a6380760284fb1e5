// What the controller holds for a database file: a copy of the settings as they were last
// sent to it (or read from it), kept in the application folder ("sent/"), keyed by the
// database file's full path. The .dat file itself is never touched.
//
// A complete upload that went through, and a download, record every setting; a changes-only
// upload records the settings whose flags the controller took, even when it ended early.
// A changes-only upload sends the flagged settings and every setting that differs from the
// record, so that changes survive closing the program.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp {

class IniFile;

// Every setting a file holds, its RTC option and firmware version, exactly as written: no
// check, no repair and no question (a record, a snapshot). Keys the file lacks stay empty.
ControllerDatabase settingsIn(const IniFile& ini);

// The record's file for a database file.
std::filesystem::path sentRecordPath(const std::filesystem::path& datFile);

// The record of a database file, or nothing when there is none (or it cannot be read, or it
// belongs to another file).
std::optional<ControllerDatabase> loadSentRecord(const std::filesystem::path& datFile);

// Writes the record all or nothing; false (the old record left as it was) when it could not.
bool saveSentRecord(const std::filesystem::path& datFile, const ControllerDatabase& sent);

// How many settings of the database differ from its record (as the controller reads them),
// or nothing when it has none or no file.
std::optional<int> settingsDifferingFromRecord(const ControllerDatabase& database);

// Around a changes-only upload of the database's file: flags every setting that differs from
// the record, and afterwards writes the settings whose flags were cleared into the record.
class ChangesOnlyRecord {
  public:
    explicit ChangesOnlyRecord(ControllerDatabase& database);
    // How many settings differed from the record (flagged for the upload); -1 without one.
    int differing() const { return differing_; }
    // After the upload, whatever its result.
    void finish();

  private:
    ControllerDatabase& db_;
    std::optional<ControllerDatabase> record_;
    std::vector<FlagRef> setBefore_;
    int differing_ = -1;
};

// The record of one file becomes the record of another (a file built under a temporary
// name and then renamed into place). False when there was nothing to move or it failed.
bool moveSentRecord(const std::filesystem::path& from, const std::filesystem::path& to);

// After a complete upload that went through, or a download into the database's file: the
// record becomes the whole database.
void recordWholeDatabase(const ControllerDatabase& database);

}  // namespace kelp
