// The printable configuration report: the whole controller database as one self-contained
// HTML page (styles inline, no script, nothing fetched), area by area in the main window's
// tab order, each setting named by the words the editors and the repair report use. Values
// the last load had to repair carry that load's repair report entry beside them.
//
// The unlock, lock and terminator codes let anyone program the repeater; they are in the
// report only when asked for.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/database/controller_database.h"
#include "core/editors/courtesy_model.h"
#include "core/editors/scheduler_model.h"

namespace kelp {

// The repair report of a load, read back from error.log: each entry by the file key it names
// ("HangTime1(2)"), and the entries that name no single key.
struct RepairEntries {
    std::map<std::string, std::string> byKey;
    std::vector<std::string> other;
};

// Splits the text of error.log into its entries (line ends CR LF or LF). A text without
// entries gives none.
RepairEntries parseRepairReport(const std::string& logText);

// The entries of the error.log at the path; none when there is no such file.
RepairEntries readRepairReport(const std::filesystem::path& log);

// The report date as the header shows it: local "yyyy-mm-dd hh:mm".
std::string reportDateText(std::chrono::system_clock::time_point when);

struct ReportOptions {
    std::string fileName;    // the database file's name as the header shows it
    std::string reportDate;  // "2026-12-09 06:05", as the caller words the date
    bool includeCodes = false;
};

std::string configurationReport(const ControllerDatabase& database, const RepairEntries& repairs,
                                const ReportOptions& options);

// The pictures, as inline SVG: a courtesy tone's segments on its time axis, and the week's
// schedule (days across, hours down) with every run of a setpoint marked.
std::string courtesySvg(const CourtesyTimeline& timeline);
std::string scheduleSvg(const std::vector<ScheduleMark>& marks);

// Text made safe for HTML element content and attribute values.
std::string htmlEscape(const std::string& text);

}  // namespace kelp
