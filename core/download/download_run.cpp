#include "core/download/download_run.h"

#include <ctime>
#include <filesystem>
#include <optional>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/profile.h"
#include "core/download/download_protocol.h"
#include "core/download/download_state.h"
#include "core/download/eram_decoder.h"
#include "core/download/memory_import.h"
#include "core/download/option_decoders.h"
#include "core/link/link_preferences.h"
#include "core/session/file_commands.h"
#include "core/session/preferences.h"
#include "core/session/recent_files.h"
#include "core/session/sent_record.h"

namespace kelp {

#define KELP_CRLF "\r\n"  // for the texts below, joined at compile time

const char* const kDownloadUnsavedText =
    "You have not saved your current .DAT file changes." KELP_CRLF
    "All changes will be lost unless you save the file." KELP_CRLF KELP_CRLF
    "Do you want to save the current .DAT file before downloading from the controller?";
const char* const kDtmfModeTitle = "Unable to download in DTMF Mode";
const char* const kDtmfModeText =
    "You may not download from the QZ-740 by radio (DTMF Mode)" KELP_CRLF
    "Please connect directly by cable (Serial Port Mode) and try again";
const char* const kConfirmDownloadTitle = "Confirm Download";
const char* const kConfirmDownloadText =
    "Downloading will cause other operations of the QZ-740 to stop until the download is "
    "complete. Are you sure you want to do this?";
const char* const kDownloadErrorTitle = "Download Error";
const char* const kDownloadErrorText =
    "An error occurred during the download" KELP_CRLF KELP_CRLF
    "The download is not complete and is not useable" KELP_CRLF KELP_CRLF
    "Please check your cables and connection to the controller and try again";
const char* const kEramDecodeErrorTitle = "ERAM Decode Error";
const char* const kEramDecodeErrorText =
    "An error occurred while decoding the download" KELP_CRLF KELP_CRLF
    "The data is not complete and is not useable" KELP_CRLF KELP_CRLF
    "Please try the download again";
const char* const kRtcQuestionTitle = "Download from RTC";
const char* const kApQuestionTitle = "Download from AP1";
const char* const kDownloadRtcQuestion =
    "Download Complete! Do you have the RTC (Real Time Clock) Option installed?";
const char* const kDownloadApQuestion =
    "Download Complete! Do you have the AP1 (Autopatch) Option installed?";
const char* const kImportRtcQuestion = "Do you have the RTC (Real Time Clock) Option installed?";
const char* const kImportApQuestion = "Do you have the AP1 (Autopatch) Option installed?";
const char* const kOptionErrorTitle = "Download error";
const char* const kDownloadCompleteTitle = "Download from QZ740";
const char* const kImportFilter = "Linux Memory Download (*.mem)|*.mem|All files (*.*)|*.*";
const char* const kImportMainTitle = "Open Linux QZ-740 memory download file";
const char* const kImportRtcTitle = "Open Linux QZ-740 RTC memory download file";
const char* const kImportApTitle = "Open Linux QZ-740 AP memory download file";

#undef KELP_CRLF

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kProceedWithoutRtcOption =
    "The program will proceed without the RTC Option data";
constexpr const char* kProceedWithoutRtc = "The program will proceed without the RTC data";
constexpr const char* kRtcDecodeFailure = "An error occurred while decoding the RTC data";

std::string twoLines(const std::string& first, const std::string& second) {
    return first + kCrLf + kCrLf + second;
}

void optionWarning(const std::string& text) {
    currentPrompter().message(text, kOptionErrorTitle, MessageIcon::Exclamation);
}

bool askYesNoDefaultNo(const char* text, const char* title) {
    return currentPrompter().message(text, title, MessageIcon::Question, MessageButtons::YesNo,
                                     DefaultButton::Second) == Answer::Yes;
}

// The import's option image: chosen in a dialog, converted, decoded. The warning to show, or
// nothing when the image was decoded.
std::optional<std::string> importOption(const char* dialogTitle, const std::string& which,
                                        std::string& memfile,
                                        int (*decode)(const std::string&, ControllerDatabase&),
                                        ControllerDatabase& database,
                                        const std::string& decodeFailure) {
    const std::string proceed = "The program will proceed without the " + which + " Option data";
    const auto chosen =
        currentPrompter().openFileDialog(FileDialogRequest{dialogTitle, kImportFilter, {}, {}});
    if (!chosen || chosen->empty())
        return twoLines("The Linux " + which + " mem file was not selected", proceed);
    memfile = convert_Linux(chosen->string());
    if (memfile.empty())
        return twoLines("The Linux " + which + " mem file was not found", proceed);
    if (decode(memfile, database) != kDecodeOk)
        return decodeFailure;
    return std::nullopt;
}

// Once a run has reset the database for the new one, a run that ends without loading it
// (a failure, a cancel, a load declined at the firmware question) leaves no database at all:
// no current file that a save could write defaults into, and the caption says so.
class NoneUnlessLoaded {
  public:
    NoneUnlessLoaded(ControllerDatabase& database, FileCommandsHost& host)
        : db_(database), host_(host) {}
    ~NoneUnlessLoaded() {
        if (!armed_ || db_.loaded)
            return;
        db_.reset();
        db_.currentFile.clear();
        db_.downloadIntoFile = false;
        try {
            host_.captionChanged();
        } catch (...) {
        }
    }
    NoneUnlessLoaded(const NoneUnlessLoaded&) = delete;
    NoneUnlessLoaded& operator=(const NoneUnlessLoaded&) = delete;
    void arm() { armed_ = true; }

  private:
    ControllerDatabase& db_;
    FileCommandsHost& host_;
    bool armed_ = false;
};

}  // namespace

std::string downloadStamp(std::chrono::system_clock::time_point when) {
    return localTimeText(when, "%Y%m%d_%H%M");
}

std::string downloadCompleteText(const std::string& file, const std::string& stamp) {
    return std::string("Your data has been downloaded and saved to file: ") + kCrLf + file + kCrLf +
           kCrLf + "where " + stamp +
           " is the date/time of the download in year month day hour minute (yyyymmdd_hhmm) "
           "format" +
           kCrLf + kCrLf + "The data will now be loaded into Kelp";
}

DownloadRun::DownloadRun(ControllerDatabase& database, RecentFiles& recent, FileCommandsHost& host,
                         std::function<bool()> saveAs, LoadFunction load, WriteFunction write)
    : db_(database),
      recent_(recent),
      host_(host),
      saveAs_(std::move(saveAs)),
      load_(load ? std::move(load) : LoadFunction([](ControllerDatabase& d) { FileLoad(d); })),
      write_(write ? std::move(write)
                   : WriteFunction([](ControllerDatabase& d) { return FileWrite(d); })),
      namer_([](const std::string& stamp) {
          return (appFolder() / ("Dwnld_" + stamp + ".dat")).string();
      }) {}

bool DownloadRun::unsavedChangesAllowGoingOn(const char* text) {
    if (db_.saved)
        return true;
    const Answer answer = currentPrompter().message(
        text, kUnsavedChangesTitle, MessageIcon::Exclamation, MessageButtons::YesNoCancel);
    if (answer == Answer::Cancel)
        return false;
    if (answer == Answer::Yes && saveAs_)
        saveAs_();
    return true;
}

void DownloadRun::startNewDatabase(const std::string& stamp) {
    host_.fUnloadForms();
    db_.reset();
    db_.currentFile = namer_(stamp);
}

void DownloadRun::recordHasRtc(bool hasRtc) {
    db_.hasRtc = hasRtc;
    WriteSetting("Version", "HasRTC", hasRtc ? "1" : "0", db_.currentFile);
}

void DownloadRun::finish(const std::string& stamp) {
    // The new file holds what the controller holds: that is now its sent record (taken
    // before the load repairs anything, so a repaired value counts as still to be sent).
    // A file that could not be written (its two boxes said so) is neither announced as saved
    // nor loaded: the load would fill what is missing with defaults and show them as the
    // controller's. The images stay in the application folder to import again.
    if (!write_(db_))
        return;
    recordWholeDatabase(db_);
    currentPrompter().message(downloadCompleteText(db_.currentFile, stamp), kDownloadCompleteTitle,
                              MessageIcon::Information);
    load_(db_);
    if (!db_.loaded)
        return;
    host_.showLoadedDatabase();
    if (recent_.fUpdateFilesList(db_.currentFile))
        host_.recentFilesChanged();
    host_.captionChanged();
    if (db_.lockConflict && host_.openUnlockCodes())
        db_.lockConflict = false;
    host_.focusTimers();
}

void DownloadRun::mnuQZ740Download_Click() {
    BusyGuard busy("The download");
    Prompter& prompter = currentPrompter();
    DownloadState& state = downloadState();
    NoneUnlessLoaded none(db_, host_);
    try {
        if (!host_.unappliedChangesClear())
            return;
        if (!unsavedChangesAllowGoingOn(kDownloadUnsavedText))
            return;
        if (linkPreferences().ComPort == 0) {
            prompter.message(kDtmfModeText, kDtmfModeTitle, MessageIcon::Exclamation);
            return;
        }
        if (prompter.message(kConfirmDownloadText, kConfirmDownloadTitle, MessageIcon::Question,
                             MessageButtons::YesNo) == Answer::No)
            return;

        const std::string stamp = downloadStamp(currentClock().wallClock());
        none.arm();
        startNewDatabase(stamp);
        state.DownloadCancel = false;
        const std::filesystem::path folder = appFolder();
        state.Memfile = (folder / kMainImageName).string();
        state.APMemfile = (folder / kAutopatchImageName).string();
        state.RTCMemfile = (folder / kRtcImageName).string();

        if (!QZ740Download()) {
            prompter.message(kDownloadErrorText, kDownloadErrorTitle, MessageIcon::Exclamation);
            return;
        }
        Preferences().writeMemFile(state.Memfile);
        if (LoadEram(state.Memfile, db_) != kDecodeOk) {
            prompter.message(kEramDecodeErrorText, kEramDecodeErrorTitle, MessageIcon::Exclamation);
            return;
        }
        db_.downloadIntoFile = true;

        if (askYesNoDefaultNo(kDownloadRtcQuestion, kRtcQuestionTitle)) {
            recordHasRtc(true);
            if (!RTCDownload())
                optionWarning(twoLines("The RTC Option data could NOT be downloaded",
                                       kProceedWithoutRtcOption));
            else if (LoadRTCEram(state.RTCMemfile, db_) != kDecodeOk)
                optionWarning(twoLines(kRtcDecodeFailure, kProceedWithoutRtc));
        } else {
            recordHasRtc(false);
        }

        if (askYesNoDefaultNo(kDownloadApQuestion, kApQuestionTitle)) {
            const char* failure = nullptr;
            if (!APDownload())
                failure = "The Autopatch Option data could NOT be downloaded";
            else if (LoadAPEram(state.APMemfile, db_) != kDecodeOk)
                failure = "An error occurred while decoding the autopatch data";
            if (failure != nullptr)
                optionWarning(twoLines(
                    failure, "The program will proceed without the Autopatch Option data"));
        }

        VersionDownload();
        finish(stamp);
    } catch (...) {
        reportError("KelpMain", "mnuQZ740Download_Click", std::string(),
                    "Error during QZ740 download");
    }
}

void DownloadRun::mnuImportLinux_Click() {
    Prompter& prompter = currentPrompter();
    DownloadState& state = downloadState();
    NoneUnlessLoaded none(db_, host_);
    try {
        if (!host_.unappliedChangesClear())
            return;
        if (!unsavedChangesAllowGoingOn(kUnsavedChangesText))
            return;
        const auto chosen =
            prompter.openFileDialog(FileDialogRequest{kImportMainTitle, kImportFilter, {}, {}});
        if (!chosen || chosen->empty()) {
            prompter.beep();
            return;
        }
        // The main image is read as chosen: the decoder takes any kind of line end.
        state.Memfile = chosen->string();
        const std::string stamp = downloadStamp(currentClock().wallClock());
        none.arm();
        startNewDatabase(stamp);

        if (LoadEram(state.Memfile, db_) != kDecodeOk) {
            prompter.message(kEramDecodeErrorText, kEramDecodeErrorTitle, MessageIcon::Exclamation);
            return;
        }
        db_.downloadIntoFile = true;

        if (askYesNoDefaultNo(kImportRtcQuestion, kRtcQuestionTitle)) {
            recordHasRtc(true);
            const auto warning =
                importOption(kImportRtcTitle, "RTC", state.RTCMemfile, &LoadRTCEram, db_,
                             twoLines(kRtcDecodeFailure, kProceedWithoutRtc));
            if (warning)
                optionWarning(*warning);
        } else {
            recordHasRtc(false);
        }

        if (askYesNoDefaultNo(kImportApQuestion, kApQuestionTitle)) {
            const auto warning =
                importOption(kImportApTitle, "AP", state.APMemfile, &LoadAPEram, db_,
                             twoLines("An error occurred while decoding the AP data",
                                      "The program will proceed without the AP data"));
            if (warning)
                optionWarning(*warning);
        }

        finish(stamp);
    } catch (...) {
        reportError("KelpMain", "mnuImportLinux_Click", std::string(),
                    "Error during QZ740 download");
    }
}

}  // namespace kelp
