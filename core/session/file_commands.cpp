#include "core/session/file_commands.h"

#include <filesystem>
#include <system_error>

#include "core/app/error_reporter.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/session/edit_history.h"

namespace kelp {

const char* const kDatabaseFilter = "QZ740 Database Files (*.dat)|*.dat|All files (*.*)|*.*";
const char* const kSaveDatabaseFilter = "QZ740 Database Files (*.dat) | *.dat";
const char* const kOpenDialogTitle = "Open Controller Database File";
const char* const kSaveDialogTitle = "Save Controller Database File";
const char* const kUnsavedChangesTitle = "UNSAVED CHANGES IN YOUR DAT FILE";
const char* const kUnsavedChangesText =
    "You have not saved your current .DAT file changes.\r\n"
    "All changes will be lost unless you save the file.\r\n\r\n"
    "Do you want to save the current .DAT file before opening a different .DAT file?";
const char* const kFileOpenErrorTitle = "File Open Error";
const char* const kFileDoesNotExist = "The file does not exist";
const char* const kRecentFileDoesNotExist = "The file does not exist on this computer";
const char* const kSaveAsCancelledTitle = "Save As Cancelled";
const char* const kSaveAsCancelledText =
    "A SaveAs file was not selected\r\n\r\nThe data was NOT saved";
const char* const kSaveDatabaseTitle = "Save Database";
const char* const kOverwriteText = "File Already Exists! Are you sure you want to overwrite?";
const char* const kExitSaveText =
    "You have not saved your new settings. All changes will be lost unless you do. Do you want "
    "to save the database file before exiting?";
const char* const kNothingLoadedText =
    "No database is loaded, so there is nothing to save.\r\n\r\n"
    "Open a .dat file or download from the QZ740 first.";
const char* const kHistoricalDataFolder = "C:\\Zandrel\\Kelp";
const char* const kCaptionTitle = "Zandrel Kelp Programmer";

namespace {

const char* const kModule = "KelpMain";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool isFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_regular_file(path, ignored);
}

bool fileOrFolderExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

std::filesystem::path dialogStartFolder() {
    std::error_code ignored;
    if (std::filesystem::is_directory(kHistoricalDataFolder, ignored))
        return kHistoricalDataFolder;
    return {};
}

}  // namespace

std::string fGetCaption(const std::string& currentFile) {
    std::string filePart = currentFile;
    if (filePart.size() >= 41) {
        // Long paths show only the file's own name. Either separator may occur: a database
        // carried over from another system keeps its path text in the recent files list.
        const auto slash = filePart.find_last_of(
            std::string(1, static_cast<char>(std::filesystem::path::preferred_separator)) + "/\\");
        if (slash != std::string::npos)
            filePart = filePart.substr(slash + 1);
    }
    return std::string(kCaptionTitle) + "  " + programVersion() + "  " + filePart;
}

bool loadReplacing(ControllerDatabase& database, const std::string& path, bool downloadIntoFile,
                   const std::function<void(ControllerDatabase&)>& load,
                   const std::function<void()>& unload) {
    // The copy carries what a reset keeps (the RTC and DVR flags, the DVR track table), so the
    // load sees what it would have seen in the database itself.
    ControllerDatabase fresh = database;
    fresh.currentFile = path;
    fresh.downloadIntoFile = downloadIntoFile;
    fresh.loaded = false;
    load(fresh);
    if (!fresh.loaded)
        return false;
    unload();
    database = std::move(fresh);
    // Another file: the edits of the one before cannot be undone into it.
    database.takeNewGeneration();
    return true;
}

FileCommands::FileCommands(ControllerDatabase& database, RecentFiles& recent,
                           FileCommandsHost& host, LoadFunction load, WriteFunction write)
    : db_(database),
      recent_(recent),
      host_(host),
      load_(std::move(load)),
      write_(std::move(write)) {}

void FileCommands::open() {
    openFrom(PathSource::Dialog, {}, "mnuFileOpen_Click");
}

void FileCommands::openRecent(int k) {
    if (k < 1 || k > recent_.count())
        return;
    openFrom(PathSource::Recent, recent_.item(k), "mnuFilesList_Click");
}

void FileCommands::openPath(const std::string& path) {
    std::string full = trimmed(path);
    if (!full.empty()) {
        std::error_code ignored;
        const auto absolute = std::filesystem::absolute(full, ignored);
        if (!absolute.empty())
            full = absolute.lexically_normal().string();
    }
    openFrom(PathSource::Given, full, "mnuFileOpen_Click");
}

bool FileCommands::unsavedChangesQuestion() {
    if (db_.saved)
        return true;
    const Answer answer =
        currentPrompter().message(kUnsavedChangesText, kUnsavedChangesTitle,
                                  MessageIcon::Exclamation, MessageButtons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    // Yes saves under a name the operator chooses; whatever Save As did, the open goes on.
    if (answer == Answer::Yes)
        saveAs();
    return true;
}

void FileCommands::openFrom(PathSource source, const std::string& givenPath, const char* routine) {
    Prompter& prompter = currentPrompter();
    std::string step = "get RCFILE NAME";
    std::string path;
    try {
        if (!host_.unappliedChangesClear())
            return;
        if (!unsavedChangesQuestion())
            return;
        if (source == PathSource::Dialog) {
            const auto chosen = prompter.openFileDialog(
                FileDialogRequest{kOpenDialogTitle, kDatabaseFilter, dialogStartFolder(), {}});
            path = chosen ? trimmed(chosen->string()) : std::string();
        } else {
            path = givenPath;
        }
        if (path.empty()) {
            prompter.beep();
            return;
        }

        step = "check that file exists";
        if (!isFile(path)) {
            prompter.beep();
            if (source == PathSource::Recent)
                prompter.message(kRecentFileDoesNotExist, kFileOpenErrorTitle,
                                 MessageIcon::Exclamation);
            else
                prompter.message(path + "\r\n\r\n" + kFileDoesNotExist, kFileOpenErrorTitle,
                                 MessageIcon::Exclamation);
            return;
        }
    } catch (...) {
        reportError(kModule, routine, step, db_.currentFile);
        return;
    }

    // The file becomes the current one only once its load has completed: a load declined at
    // the firmware question leaves the open database, its file and its windows as they were.
    bool replaced = false;
    try {
        step = "call fUpdateFilesList";
        if (recent_.fUpdateFilesList(path))
            host_.recentFilesChanged();
        step = "set up for newly opened file";
        replaced = loadReplacing(db_, path, false, load_, [this] { host_.fUnloadForms(); });
    } catch (...) {
        reportError(kModule, routine, step, path);
    }
    if (!replaced)
        return;

    try {
        host_.showLoadedDatabase();
        if (db_.lockConflict && host_.openUnlockCodes())
            db_.lockConflict = false;
        host_.focusTimers();
    } catch (...) {
        reportError(kModule, routine, step, db_.currentFile);
    }
}

bool FileCommands::writeTo(const std::string& path, const char* routine) {
    const std::string previous = db_.currentFile;
    db_.currentFile = path;
    bool written = false;
    try {
        written = write_(db_);
    } catch (...) {
        reportError(kModule, routine, "", path);
        written = false;
    }
    // A file that was not written is not the database's file, and its changes are not saved.
    if (!written) {
        db_.currentFile = previous;
        return false;
    }
    db_.saved = true;
    if (EditHistory* history = historyOf(db_))
        history->databaseSaved();
    return true;
}

bool FileCommands::somethingToSave() {
    if (db_.loaded)
        return true;
    currentPrompter().message(kNothingLoadedText, kSaveDatabaseTitle, MessageIcon::Exclamation);
    return false;
}

bool FileCommands::save() {
    if (!host_.unappliedChangesClear() || !somethingToSave())
        return false;
    // Nothing has been opened or saved yet: there is no file to write to, so ask for one.
    if (db_.currentFile.empty())
        return saveAs();
    return writeTo(db_.currentFile, "mnuFileSave_Click");
}

bool FileCommands::saveAs() {
    Prompter& prompter = currentPrompter();
    if (!host_.unappliedChangesClear() || !somethingToSave())
        return false;
    const auto chosen = prompter.saveFileDialog(FileDialogRequest{
        kSaveDialogTitle, kSaveDatabaseFilter, dialogStartFolder(), db_.currentFile});
    const std::string path = chosen ? trimmed(chosen->string()) : std::string();
    if (path.empty()) {
        prompter.message(kSaveAsCancelledText, kSaveAsCancelledTitle, MessageIcon::Exclamation);
        return false;
    }
    if (fileOrFolderExists(path) &&
        prompter.message(kOverwriteText, kSaveDatabaseTitle, MessageIcon::Exclamation,
                         MessageButtons::YesNo) != Answer::Yes)
        return false;
    if (!writeTo(path, "mnuFileSaveAs_Click"))
        return false;
    if (recent_.fUpdateFilesList(path))
        host_.recentFilesChanged();
    host_.captionChanged();
    return true;
}

bool FileCommands::exitQuestions() {
    if (!host_.unappliedChangesClear())
        return false;
    if (db_.saved)
        return true;
    const Answer answer = currentPrompter().message(kExitSaveText, kSaveDatabaseTitle,
                                                    MessageIcon::None, MessageButtons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Yes)
        saveAs();
    return true;
}

bool FileCommands::closeRequest() {
    if (!host_.unappliedChangesClear())
        return false;
    if (db_.saved)
        return true;
    const Answer answer = currentPrompter().message(kExitSaveText, kSaveDatabaseTitle,
                                                    MessageIcon::None, MessageButtons::YesNoCancel);
    if (answer == Answer::No)
        return true;
    // Yes saves and keeps the program running: the operator closes again once it is saved.
    if (answer == Answer::Yes)
        saveAs();
    return false;
}

}  // namespace kelp
