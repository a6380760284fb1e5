#include "core/database/error_log.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/app/clock.h"
#include "core/app/prompter.h"
#include "core/database/atomic_file.h"
#include "core/database/controller_database.h"

namespace kelp {

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kLogFileName = "error.log";
constexpr const char* kEntryRule = "******************************************";

std::system_error logFailure(const std::filesystem::path& path, const char* what) {
    const int code = errno != 0 ? errno : static_cast<int>(std::errc::io_error);
    return std::system_error(std::error_code(code, std::generic_category()),
                             std::string(what) + " " + path.string());
}

}  // namespace

void ErrorLog::openFresh() {
    if (out_.is_open())
        out_.close();
    out_.clear();
    errno = 0;
    // The log quotes the values it repaired, the unlock and lock codes among them.
    createPrivateFile(path_);
    out_.open(path_, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!out_)
        throw logFailure(path_, "cannot create the error log");
}

void ErrorLog::writeText(const std::string& text) {
    errno = 0;
    out_ << text;
    out_.flush();
    if (!out_)
        throw logFailure(path_, "cannot write the error log");
}

void ErrorLog::create(const std::filesystem::path& folder) {
    path_ = folder / kLogFileName;
    openFresh();
}

void ErrorLog::writeHeader() {
    const ControllerDatabase& database = db();
    writeHeader(database.currentFile, database.downloadIntoFile, currentClock().wallClock());
}

void ErrorLog::writeHeader(const std::string& databaseFile, bool downloadIntoFile,
                           std::chrono::system_clock::time_point when) {
    if (path_.empty())
        path_ = appFolder() / kLogFileName;
    if (!out_.is_open())
        openFresh();
    std::string text = std::string("RESULTS OF dat EDIT/VALIDATION") + kCrLf;
    text += (downloadIntoFile ? "Download from controller into file: " : "Load of file: ") +
            databaseFile + kCrLf;
    text += "Initiated at: " + formatLogTime(localTime(when)) + kCrLf;
    writeText(text);
}

void ErrorLog::writeEntry(const std::string& text, LogSeverity severity) {
    if (path_.empty())
        path_ = appFolder() / kLogFileName;
    std::error_code ignored;
    if (!out_.is_open() || !std::filesystem::exists(path_, ignored))
        openFresh();

    std::string block = std::string(kCrLf) + kEntryRule + kCrLf;
    if (severity == LogSeverity::Warning)
        block += std::string("WARNING ONLY") + kCrLf;
    block += text + kCrLf;
    writeText(block);

    if (severity == LogSeverity::Error) {
        errors_ = true;
    } else {
        warnings_ = true;
    }
}

void ErrorLog::close() {
    if (out_.is_open())
        out_.close();
    out_.clear();
}

ErrorLog& errorLog() {
    static ErrorLog log;
    return log;
}

std::string formatLogTime(const std::tm& local) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d %02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}

void viewErrorLog(Prompter& prompter, const ErrorLog& log) {
    std::error_code ignored;
    if (log.path().empty() || !std::filesystem::exists(log.path(), ignored)) {
        prompter.message(std::string("There is no error log yet.") + kCrLf + kCrLf +
                             "The error log is written each time a dat file is loaded.",
                         "View Error Log", MessageIcon::Information);
        return;
    }
    if (!prompter.openTextFile(log.path())) {
        prompter.message(std::string("The error log could not be opened in a text viewer:") +
                             kCrLf + kCrLf + log.path().string(),
                         "View Error Log", MessageIcon::Exclamation);
    }
}

}  // namespace kelp
