// The two runs that build a new database from the controller's memory images: the download
// ("Download from QZ740", mnuQZ740Download_Click) reads them over the serial link, the import
// ("Import a Linux Download File", mnuImportLinux_Click) takes image files another host's
// download tool saved. Both decode the images into a reset database, write it as a new
// "Dwnld_yyyymmdd_hhnn.dat" in the application folder and load that file as the current one.
//
// Every question and message goes through the current Prompter and the progress through the
// current DownloadProgress; what only the main window can do (the unapplied-changes guard,
// unloading and showing the editor windows, the unlock window) goes through its
// FileCommandsHost.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace kelp {

class ControllerDatabase;
class FileCommandsHost;
class RecentFiles;

// The run's own words.
extern const char* const kDownloadUnsavedText;
extern const char* const kDtmfModeTitle;
extern const char* const kDtmfModeText;
extern const char* const kConfirmDownloadTitle;
extern const char* const kConfirmDownloadText;
extern const char* const kDownloadErrorTitle;  // "Download Error"
extern const char* const kDownloadErrorText;
extern const char* const kEramDecodeErrorTitle;  // "ERAM Decode Error"
extern const char* const kEramDecodeErrorText;
extern const char* const kRtcQuestionTitle;  // "Download from RTC"
extern const char* const kApQuestionTitle;   // "Download from AP1"
extern const char* const kDownloadRtcQuestion;
extern const char* const kDownloadApQuestion;
extern const char* const kImportRtcQuestion;
extern const char* const kImportApQuestion;
extern const char* const kOptionErrorTitle;       // "Download error"
extern const char* const kDownloadCompleteTitle;  // "Download from QZ740"
extern const char* const kImportFilter;
extern const char* const kImportMainTitle;
extern const char* const kImportRtcTitle;
extern const char* const kImportApTitle;

// "yyyymmdd_hhnn" of a moment, in local time: "20240131_0905".
std::string downloadStamp(std::chrono::system_clock::time_point when);

// The information box text after the new database has been written.
std::string downloadCompleteText(const std::string& file, const std::string& stamp);

class DownloadRun {
  public:
    using LoadFunction = std::function<void(ControllerDatabase&)>;
    using WriteFunction = std::function<bool(ControllerDatabase&)>;

    // saveAs is File, Save As (true when it wrote the database). load and write default to
    // FileLoad and FileWrite.
    DownloadRun(ControllerDatabase& database, RecentFiles& recent, FileCommandsHost& host,
                std::function<bool()> saveAs, LoadFunction load = {}, WriteFunction write = {});

    void mnuQZ740Download_Click();
    void mnuImportLinux_Click();

    // Where the new database goes, from the run's date-time stamp; by default the
    // application folder's "Dwnld_" + stamp + ".dat". kelp-cli names its own file.
    void setDatabaseFileNamer(std::function<std::string(const std::string& stamp)> namer) {
        namer_ = std::move(namer);
    }

  private:
    bool unsavedChangesAllowGoingOn(const char* text);
    void startNewDatabase(const std::string& stamp);
    void finish(const std::string& stamp);
    void recordHasRtc(bool hasRtc);

    ControllerDatabase& db_;
    RecentFiles& recent_;
    FileCommandsHost& host_;
    std::function<bool()> saveAs_;
    LoadFunction load_;
    WriteFunction write_;
    std::function<std::string(const std::string&)> namer_;
};

}  // namespace kelp
