// File, "Export Report…": asks where to write the configuration report of the database,
// asks whether the unlock, lock and terminator codes go in (No unless the operator says so),
// and writes the report whole or not at all.
#pragma once

#include <chrono>
#include <filesystem>

namespace kelp {

class ControllerDatabase;
class ErrorLog;
class Prompter;

extern const char* const kReportDialogTitle;   // "Export Report"
extern const char* const kReportDialogFilter;  // "HTML Files (*.html)|*.html"
extern const char* const kReportCodesQuestion;
extern const char* const kNoDatabaseForReportText;

// Returns the file written, or an empty path when nothing was (no database, the dialog
// cancelled, or a write that failed; a failure is reported in a box).
std::filesystem::path exportReport(Prompter& prompter, const ControllerDatabase& database,
                                   const ErrorLog& log, std::chrono::system_clock::time_point now);

}  // namespace kelp
