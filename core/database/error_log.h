// The repair report of the last database file load: error.log in the application folder,
// one entry per value the loader had to replace. The user reads it in the text viewer
// ("View Error Log", or Yes to the loader's closing question).
//
// Layout (lines end in CR LF):
//   RESULTS OF dat EDIT/VALIDATION
//   Load of file: <file>              (or: Download from controller into file: <file>)
//   Initiated at: yyyymmdd hhnn
// then per entry: an empty line, 42 asterisks, "WARNING ONLY" for a warning, the entry text.
#pragma once

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace kelp {

class Prompter;

enum class LogSeverity { Warning = 0, Error = 1 };

class ErrorLog {
  public:
    // Creates the log afresh as error.log in the given folder (any old content is lost) and
    // makes it the log path. Throws std::system_error when the file cannot be created.
    void create(const std::filesystem::path& folder);
    // Writes the header for the current database file, the download-into-file flag and the
    // current wall clock time.
    void writeHeader();
    void writeHeader(const std::string& databaseFile, bool downloadIntoFile,
                     std::chrono::system_clock::time_point when);
    // Writes one entry block and sets the errors or warnings flag. When the log file has gone
    // (never created, or deleted during the load) it is created again first, without a
    // header. Each entry reaches the disk before the call returns. Throws std::system_error
    // when the file cannot be written.
    void writeEntry(const std::string& text, LogSeverity severity);
    // Ends the load's writing; the path and the flags stay.
    void close();

    // Empty until the first load since the program started.
    const std::filesystem::path& path() const { return path_; }
    bool errors() const { return errors_; }
    bool warnings() const { return warnings_; }
    void clearFlags() { errors_ = warnings_ = false; }

  private:
    void openFresh();
    void writeText(const std::string& text);

    std::filesystem::path path_;
    std::ofstream out_;
    bool errors_ = false;
    bool warnings_ = false;
};

// The process-wide error log.
ErrorLog& errorLog();

// "yyyymmdd hhnn" for a local date and time.
std::string formatLogTime(const std::tm& local);

// "View Error Log": opens the log in the text viewer. Before any load (or when the file has
// been removed since) it says so in a box instead; a viewer that cannot be started is
// reported in a box too.
void viewErrorLog(Prompter& prompter, const ErrorLog& log);

}  // namespace kelp
