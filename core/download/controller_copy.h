// What the controller holds, without touching the open database: its memory downloaded into
// a database of its own (for "Compare with QZ740" and the backup before a complete upload),
// and the open database as the controller would hold it after a complete upload, so that the
// two compare setting by setting.
//
// The download runs the same steps as "Download from QZ740" — the main image, the RTC and
// autopatch option images when asked for, the firmware version — with the same progress
// window, "&Escape" and time-outs, and relocks the controller with the open database's lock
// code. Its image files go to a folder of the caller's, never over the ones a download keeps.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/database/controller_database.h"
#include "core/database/setting_compare.h"

namespace kelp {

struct ControllerCopyOptions {
    bool rtc = false;  // the RTC option board's image too
    bool ap = false;   // the autopatch board's image too
};

// Downloads the controller's memory into `copy` (reset first; its firmware version is the
// controller's answer, its RTC option the rtc option). False when the main image did not
// arrive whole or could not be decoded, or an asked option image failed (the boxes were
// shown); `copy` is then of no use.
bool downloadControllerCopy(ControllerDatabase& copy, const ControllerCopyOptions& options,
                            const std::filesystem::path& folder);

// The database as the controller would hold it after a complete upload: its images decoded
// into `held` (reset first). Settings no image carries are left as a download leaves them.
void asControllerWouldHold(const ControllerDatabase& database, ControllerDatabase& held,
                           const ControllerCopyOptions& options);

// The settings whose values in `file` would run differently from those the controller holds
// (`controller`, a downloaded copy): a is the file's value, b the controller's. The firmware
// version is no setting (and the controller words it its own way): it is not compared.
std::vector<SettingDifference> controllerDifferences(const ControllerDatabase& file,
                                                     const ControllerDatabase& controller,
                                                     const ControllerCopyOptions& options);

// Raises in `file` the upload flag of every setting controllerDifferences lists, so that a
// changes-only upload sends exactly the file's values of those. Returns how many differ.
int flagControllerDifferences(ControllerDatabase& file, const ControllerDatabase& controller,
                              const ControllerCopyOptions& options);

// Downloads the controller's memory and writes it as a database file in `folder` named
// "Backup_" + stamp + ".dat". True with `written` set when the whole backup was written.
bool backUpController(const ControllerCopyOptions& options, const std::filesystem::path& folder,
                      const std::string& stamp, std::filesystem::path& written);

// The backup before a complete upload: the controller's memory (the RTC board's too when the
// database has the RTC option, the autopatch board's when `ap`) written as a Backup_ file in
// the application folder, stamped with the current clock. On failure the "Backup Failed" box
// says that nothing was sent. True with `written` set when the backup is complete.
extern const char* const kBackupFailedTitle;  // "Backup Failed"
bool backUpBeforeUpload(const ControllerDatabase& database, bool ap,
                        std::filesystem::path& written);

}  // namespace kelp
