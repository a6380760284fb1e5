#include "core/report/report_export.h"

#include <exception>

#include "core/app/prompter.h"
#include "core/database/atomic_file.h"
#include "core/database/controller_database.h"
#include "core/database/error_log.h"
#include "core/report/config_report.h"

namespace kelp {

const char* const kReportDialogTitle = "Export Report";
const char* const kReportDialogFilter = "HTML Files (*.html)|*.html";
const char* const kReportCodesQuestion =
    "Include the unlock, lock and terminator codes in the report?\r\n\r\n"
    "Anyone who reads them can program the repeater.";
const char* const kNoDatabaseForReportText =
    "Open or download a database before exporting its report.";

std::filesystem::path exportReport(Prompter& prompter, const ControllerDatabase& database,
                                   const ErrorLog& log, std::chrono::system_clock::time_point now) {
    namespace fs = std::filesystem;
    if (!database.loaded) {
        prompter.message(kNoDatabaseForReportText, kReportDialogTitle, MessageIcon::Exclamation);
        return {};
    }
    const fs::path current(database.currentFile);
    FileDialogRequest request;
    request.title = kReportDialogTitle;
    request.filter = kReportDialogFilter;
    request.startFolder = current.parent_path();
    request.fileName = current.stem().string() + ".html";
    std::optional<fs::path> target = prompter.saveFileDialog(request);
    if (!target)
        return {};
    if (target->extension().empty())
        target->replace_extension(".html");

    ReportOptions options;
    options.fileName = current.filename().string();
    options.reportDate = reportDateText(now);
    options.includeCodes =
        prompter.message(kReportCodesQuestion, kReportDialogTitle, MessageIcon::Question,
                         MessageButtons::YesNo, DefaultButton::Second) == Answer::Yes;
    const std::string html = configurationReport(database, readRepairReport(log.path()), options);
    try {
        writeFileAtomically(*target, html);
    } catch (const std::exception& e) {
        prompter.message(
            "The report could not be written to " + target->string() + ":\r\n" + e.what(),
            kReportDialogTitle, MessageIcon::Critical);
        return {};
    }
    return *target;
}

}  // namespace kelp
