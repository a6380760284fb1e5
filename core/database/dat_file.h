// The database file writer and loader: FileWrite saves the whole controller database into
// the current .dat file, FileLoad resets the database and fills it from that file, repairing
// every value that fails its check and reporting each repair in error.log.
//
// Both parse the file once and the writer saves it once, all or nothing, so a failure never
// leaves a half-written database file behind. The two values the loader learns from the
// operator (a firmware version typed in, the RTC answer) are written to the file at once.
#pragma once

#include <functional>
#include <string>

namespace kelp {

class ControllerDatabase;

// The "Saving Database" indication the writer shows while it works. The GUI installs its
// window; without one the writer shows nothing.
class SaveIndicator {
  public:
    virtual ~SaveIndicator() = default;
    // Shown without blocking: "Please wait while your database is saved".
    virtual void show() = 0;
    virtual void hide() = 0;
};

// Installs the indication (not owned; it must outlive its use). nullptr: none.
void setSaveIndicator(SaveIndicator* indicator);

// The RTC and DVR menu marks as the loader leaves them ("RTC-YES" / "RTC-NO", "Write DVR
// Track info" / "Don't Write DVR Track Info", and whether the "R&TC" and "D&VR" menus are
// enabled). The main window reads them after a load; its menu commands may change them.
struct LoadMenuState {
    bool rtcYes = false;
    bool rtcNo = false;
    bool dvrWrite = false;
    bool dvrDontWrite = false;
    bool rtcMenuEnabled = false;
    bool dvrMenuEnabled = false;
};
LoadMenuState& loadMenuState();

// What happens after the loader has reported an unexpected runtime error: the program ends
// at once. Tests and kelp-cli install a hook that only records it; when the hook returns,
// FileLoad returns with the loaded flag false. An empty function restores the default,
// std::exit(1).
void setLoadTerminateHook(std::function<void()> hook);

// Writes [Version] and every setting key of the database into the database's current file (db()
// when not given), keeping the file's other keys. Returns true when the file was saved completely;
// then the saved state is true. Any failure is reported in two boxes (the error reporter's and the
// writer's own warning) and leaves the saved state false.
// A database that holds no setting at all (reset, nothing loaded or decoded since) is never
// written: the box below says so and FileWrite returns false, the file untouched.
bool FileWrite();
bool FileWrite(ControllerDatabase& database);
extern const char* const kNothingToWriteTitle;  // "Save Database"
extern const char* const kNothingToWriteText;   // followed by a blank line and the path

// Resets the database and loads its current file (db() when not given) with every check and repair.
// The loaded flag tells the outcome: true when the load completed, false when the operator stopped
// it at the firmware question or a runtime error ended it.
void FileLoad();
void FileLoad(ControllerDatabase& database);

// Whether the last FileLoad stopped at the firmware question (No to "VERSION DIFFERENCE").
bool loadStoppedAtFirmware();

}  // namespace kelp
