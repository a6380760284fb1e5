#include "core/report/config_report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/app/scripted_prompter.h"
#include "core/database/error_log.h"
#include "core/database/key_rules.h"
#include "core/report/report_export.h"

namespace kelp {
namespace {

struct ReportCase {
    const char* what;
    std::function<void(ControllerDatabase&, RepairEntries&)> setUp;
    bool includeCodes;
    std::vector<std::string> present;
    std::vector<std::string> absent;
};

TEST(ConfigReport, ShowsEachSettingByItsEditorWordsAndHidesTheCodesUnlessAsked) {
    const std::string lockRepair =
        "Special Codes/Autopatch: Unlock/Lock/Terminator: Lock not valid -- DAT item: Lock\n"
        "Value received is '9Z'\nValue has been defaulted to #";
    const std::vector<ReportCase> cases = {
        {"a per-port timer under its port",
         [](ControllerDatabase& d, RepairEntries&) { d.set("HangTime1", 2, "75"); },
         false,
         {"<h3>Port 2</h3>", "<tr><th>Hang Timer 1</th><td>75 1/10 seconds</td></tr>"},
         {}},
        {"numbered things with fields make a grid, a row per thing",
         [](ControllerDatabase& d, RepairEntries&) {
             d.set("MacroToRun", 3, "12");
             d.set("DOW", 4, "1");
         },
         false,
         {"<tr><th></th><th>Day Of The Week</th><th>Macro To Run</th></tr>",
          "<tr><th>Setpoint Number 3</th><td></td><td>12</td></tr>",
          "<tr><th>Setpoint Number 4</th><td>Monday (1)</td><td></td></tr>"},
         {"<th>Setpoint Number 3: Macro To Run</th>"}},
        {"a list setting shows its list's words beside the stored text",
         [](ControllerDatabase& d, RepairEntries&) { d.set("TOTReset", 1, "2"); },
         false,
         {"<th>TOT Reset Point</th><td>After CT Seg 2 (2)</td>"},
         {}},
        {"a macro's functions carry their catalogue names",
         [](ControllerDatabase& d, RepairEntries&) { d.set("Macro", 3, "001 013"); },
         false,
         {"<th>Macro 3</th><td>001 Port 1 Carrier &amp; Tone Access<br>013 Port 1 Transmit "
          "Enable<br>"},
         {}},
        {"empty entries of long lists are left out, with a note",
         [](ControllerDatabase& d, RepairEntries&) {
             d.set("AutoDial", 2, "5551234");
             d.set("AutoDial", 1, "");
         },
         false,
         {"AutoDial Slot 2: Phone Number</th><td>5551234</td>",
          "Entries that hold nothing are left out."},
         {"AutoDial Slot 1:"}},
        {"a repaired value carries its repair report entry",
         [](ControllerDatabase& d, RepairEntries& r) {
             d.set("HangTime1", 1, "50");
             r.byKey["HangTime1(1)"] = "Timers: Port 1: Hang Timer 1 not valid";
         },
         false,
         {"<td class=\"repaired\">50 1/10 seconds<div class=\"repair\">Timers: Port 1: Hang Timer "
          "1 not "
          "valid</div>"},
         {}},
        {"without codes: no code and no repair entry that tells one",
         [&](ControllerDatabase& d, RepairEntries& r) {
             d.set("Lock", "4321");
             d.set("CurrentPortUnlock", 1, "16937");
             r.byKey["Lock"] = lockRepair;
             r.other.push_back(lockRepair);
         },
         false,
         {"The unlock, lock and terminator codes are left out of this report."},
         {"4321", "16937", "9Z", "Unlock/Lock/Terminator"}},
        {"with codes: the codes and their repairs",
         [&](ControllerDatabase& d, RepairEntries& r) {
             d.set("Lock", "4321");
             d.set("CurrentPortUnlock", 1, "16937");
             r.byKey["Lock"] = lockRepair;
         },
         true,
         {"<span class=\"codes\">4321</span>", "<span class=\"codes\">16937</span>", "9Z"},
         {"left out of this report"}},
        {"text is escaped",
         [](ControllerDatabase& d, RepairEntries&) { d.set("RemoteBasePrefix", "<b>&"); },
         false,
         {"&lt;b&gt;&amp;"},
         {"<b>&"}},
    };
    for (const ReportCase& c : cases) {
        ControllerDatabase database;
        database.hasRtc = true;
        RepairEntries repairs;
        c.setUp(database, repairs);
        ReportOptions options{"club.dat", "2026-12-09 06:05", c.includeCodes};
        const std::string html = configurationReport(database, repairs, options);
        for (const std::string& text : c.present)
            EXPECT_NE(html.find(text), std::string::npos) << c.what << ": missing " << text;
        for (const std::string& text : c.absent)
            EXPECT_EQ(html.find(text), std::string::npos) << c.what << ": holds " << text;
    }
}

TEST(ConfigReport, IsOnePageWithTheHeaderAndTheAreasInTabOrderAndNothingFetched) {
    ControllerDatabase database;
    database.firmwareVersion = "700";
    database.hasRtc = false;
    const std::string html =
        configurationReport(database, {}, ReportOptions{"club.dat", "2026-12-09 06:05", false});
    for (const char* text :
         {"<th>Database file</th><td>club.dat</td>", "<th>Firmware version</th><td>700</td>",
          "<th>RTC option</th><td>Not installed</td>",
          "<th>Report date</th><td>2026-12-09 06:05</td>", "@media print",
          "page-break-inside:avoid"})
        EXPECT_NE(html.find(text), std::string::npos) << text;
    std::size_t last = 0;
    for (int a = 0; a < kAreaCount; ++a) {
        const std::string heading = "<section class=\"area\"><h2>" +
                                    htmlEscape(areaTabCaption(static_cast<Area>(a))) + "</h2>";
        const std::size_t at = html.find(heading);
        ASSERT_NE(at, std::string::npos) << heading;
        EXPECT_GT(at, last) << heading;
        last = at;
    }
    for (const char* outside : {"<script", "src=", "href=", "<link", "url(", "@import"})
        EXPECT_EQ(html.find(outside), std::string::npos) << outside;
}

TEST(ConfigReport, ReadsTheRepairReportsEntriesByTheKeyTheyName) {
    const std::string stars(42, '*');
    const std::string log =
        "RESULTS OF dat EDIT/VALIDATION\r\nLoad of file: x.dat\r\n"
        "Initiated at: 20261209 0605\r\n\r\n" +
        stars +
        "\r\nTimers: Port 1: Hang Timer 1 not valid -- DAT item: "
        "HangTime1(1)\r\nValue received was '999'\r\nDefaulted to "
        "50\r\n\r\n" +
        stars + "\r\nWARNING ONLY\r\nLogic Alarms/R Base: Memory Number 12\r\n";
    const RepairEntries entries = parseRepairReport(log);
    ASSERT_EQ(entries.byKey.size(), 1u);
    EXPECT_EQ(entries.byKey.at("HangTime1(1)"),
              "Timers: Port 1: Hang Timer 1 not valid -- DAT item: HangTime1(1)\n"
              "Value received was '999'\nDefaulted to 50");
    ASSERT_EQ(entries.other.size(), 1u);
    EXPECT_EQ(entries.other[0], "WARNING ONLY\nLogic Alarms/R Base: Memory Number 12");
    EXPECT_TRUE(parseRepairReport("RESULTS OF dat EDIT/VALIDATION\r\n").byKey.empty());
}

TEST(ConfigReport, ThePicturesDrawTheModelsNumbers) {
    CourtesyShape shape{};
    shape[0] = {100, 200, 440, 880};
    shape[1] = {50, 100, 0, 0};
    const std::string tone = courtesySvg(courtesyTimeline(shape));
    for (const char* text : {"440/880 Hz", "silence", ">0 ms<", ">450 ms<", "stroke-dasharray"})
        EXPECT_NE(tone.find(text), std::string::npos) << text;
    EXPECT_NE(courtesySvg(courtesyTimeline(CourtesyShape{})).find(kCourtesyNoSoundText),
              std::string::npos);

    ScheduleMark mark;
    mark.setpoint = 3;
    mark.macro = 12;
    mark.day = 1;
    mark.hour = 7;
    mark.minute = 5;
    const std::string week = scheduleSvg({mark});
    EXPECT_NE(week.find(">" + markLabel(mark) + "<"), std::string::npos);
    EXPECT_NE(week.find(htmlEscape(markDescription(mark))), std::string::npos);
    // Monday's column, the eighth hour's row.
    EXPECT_NE(week.find("<rect x=\"137\" y=\"115\""), std::string::npos) << week;
    EXPECT_NE(scheduleSvg({}).find(kNoSetpointEnabledText), std::string::npos);
}

}  // namespace
}  // namespace kelp

// ---- File, "Export Report…" -------------------------------------------------------------

namespace kelp {
namespace {

struct ExportCase {
    const char* what;
    bool loaded;
    std::optional<std::string> saveAs;  // file name in the folder, nothing: cancelled
    Answer codes;
    const char* written;  // file expected, "" for none
    bool withCodes;
};

TEST(ReportExport, AsksWhereAndWhetherTheCodesGoInAndWritesOnlyWhenAsked) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "kelp-report-export-test";
    const std::vector<ExportCase> cases = {
        {"no database", false, "a.html", Answer::No, "", false},
        {"dialog cancelled", true, std::nullopt, Answer::No, "", false},
        {"codes left out", true, "b.html", Answer::No, "b.html", false},
        {"codes in", true, "c.html", Answer::Yes, "c.html", true},
        {"no extension gets .html", true, "d", Answer::No, "d.html", false},
    };
    for (const ExportCase& c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        ControllerDatabase database;
        database.loaded = c.loaded;
        database.currentFile = (folder / "club.dat").string();
        database.set("Lock", "4321");
        ScriptedPrompter prompter;
        if (c.saveAs)
            prompter.queueSaveFile(folder / *c.saveAs);
        else
            prompter.queueSaveFile(std::nullopt);
        if (c.loaded && c.saveAs)
            prompter.queueAnswer(c.codes);
        ErrorLog log;
        const fs::path written =
            exportReport(prompter, database, log, std::chrono::system_clock::now());
        if (*c.written == '\0') {
            EXPECT_TRUE(written.empty()) << c.what;
            EXPECT_TRUE(fs::is_empty(folder)) << c.what;
            continue;
        }
        ASSERT_EQ(written, folder / c.written) << c.what;
        std::ifstream in(written);
        const std::string html((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
        EXPECT_EQ(html.find("4321") != std::string::npos, c.withCodes) << c.what;
        EXPECT_NE(html.find("<td>club.dat</td>"), std::string::npos) << c.what;
        const PromptRecord& question = prompter.lastMessageBox();
        EXPECT_EQ(question.text, kReportCodesQuestion) << c.what;
        EXPECT_EQ(question.defaultButton, DefaultButton::Second) << c.what;
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kelp
