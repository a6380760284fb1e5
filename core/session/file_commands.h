// The File menu's commands that move the controller database between memory and .dat
// files: Open, Save, Save As, a recent file, and the questions of the exit sequence and of
// closing the main window. The windows' part (unloading and showing the editor windows,
// the caption, the tab strip) is reached through a FileCommandsHost, and every question goes
// through the current Prompter, so the whole logic runs in tests without a window.
#pragma once

#include <functional>
#include <string>

#include "core/session/recent_files.h"
#include "core/database/controller_database.h"

namespace kelp {

// The words of the file commands.
extern const char* const kDatabaseFilter;      // open dialog
extern const char* const kSaveDatabaseFilter;  // save dialog
extern const char* const kOpenDialogTitle;
extern const char* const kSaveDialogTitle;
extern const char* const kUnsavedChangesTitle;
extern const char* const kUnsavedChangesText;
extern const char* const kFileOpenErrorTitle;
extern const char* const kFileDoesNotExist;  // after the path and a blank line
extern const char* const kRecentFileDoesNotExist;
extern const char* const kSaveAsCancelledTitle;
extern const char* const kSaveAsCancelledText;
extern const char* const kSaveDatabaseTitle;
extern const char* const kOverwriteText;
extern const char* const kExitSaveText;
// The folder the file dialogs start in when it exists (older installations kept their
// databases there); otherwise the dialog picks the user's documents folder.
extern const char* const kHistoricalDataFolder;

// Save or Save As while no database is loaded (none opened yet, or a load that was declined).
extern const char* const kNothingLoadedText;

// The program title part of the main window's caption.
extern const char* const kCaptionTitle;  // "Zandrel Kelp Programmer"

// fGetCaption: "Zandrel Kelp Programmer  " + version + "  " + the current database file, or
// only its last path component when the path is 41 characters or longer.
std::string fGetCaption(const std::string& currentFile);

// What the file commands need from the main window.
class FileCommandsHost {
  public:
    virtual ~FileCommandsHost() = default;
    // The unapplied-changes guard on the tab that is showing. False when blocked: the guard
    // has shown its warning and put the tab back.
    virtual bool unappliedChangesClear() = 0;
    // fUnloadForms: unloads every editor window, then resets the database.
    virtual void fUnloadForms() = 0;
    // After a successful load: fShowForms, the caption, the tab strip enabled on tab 0.
    virtual void showLoadedDatabase() = 0;
    // A lock equal to the terminator was loaded: opens the unlock codes window modally and
    // answers true, or answers false while the program has no such window (the lock conflict
    // flag then stays set for it).
    virtual bool openUnlockCodes() { return false; }
    // Gives the focus to the Timers window.
    virtual void focusTimers() {}
    // The current database file changed (fGetCaption again).
    virtual void captionChanged() {}
    // The recent files list changed (the menu shows it again).
    virtual void recentFilesChanged() {}
};

// Loads path with load into a database of its own, a copy of database that the load resets
// as it begins. Only a load that completes replaces database, after unload has unloaded the
// editor windows; a declined or failed load leaves database, its current file and the windows
// as they were. True when database was replaced.
bool loadReplacing(ControllerDatabase& database, const std::string& path, bool downloadIntoFile,
                   const std::function<void(ControllerDatabase&)>& load,
                   const std::function<void()>& unload);

class FileCommands {
  public:
    // FileLoad: reads db.currentFile into the (reset) database, setting db.loaded when it
    // completed. FileWrite: writes the whole database to db.currentFile; false when the file
    // could not be written (the writer has said so already).
    using LoadFunction = std::function<void(ControllerDatabase&)>;
    using WriteFunction = std::function<bool(ControllerDatabase&)>;

    FileCommands(ControllerDatabase& database, RecentFiles& recent, FileCommandsHost& host,
                 LoadFunction load, WriteFunction write);

    // File, Open (toolbar button 1).
    void open();
    // The recent files item k (1-based); the path is the item's text.
    void openRecent(int k);
    // Opens a file named on the command line: as Open, with the path in place of the dialog.
    void openPath(const std::string& path);
    // File, Save (toolbar button 2). With no current file yet it runs Save As instead.
    // True when the database was written. Save and Save As refuse while nothing is loaded.
    bool save();
    // File, Save As. True when the database was written.
    bool saveAs();

    // Exit sequence, steps 1-2: the guard and the "Save Database" question (Yes runs Save As
    // and goes on whatever it did). True when the program may go on to end.
    bool exitQuestions();
    // Closing the main window: the guard and the same question, but Yes saves and keeps the
    // program running. True when the close may go on.
    bool closeRequest();

  private:
    enum class PathSource { Dialog, Recent, Given };
    void openFrom(PathSource source, const std::string& givenPath, const char* routine);
    // The unsaved-changes question before opening another file; false on Cancel.
    bool unsavedChangesQuestion();
    // Says so and answers false while no database is loaded.
    bool somethingToSave();
    bool writeTo(const std::string& path, const char* routine);

    ControllerDatabase& db_;
    RecentFiles& recent_;
    FileCommandsHost& host_;
    LoadFunction load_;
    WriteFunction write_;
};

}  // namespace kelp
