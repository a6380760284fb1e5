#include "core/report/config_report.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "core/app/clock.h"
#include "core/catalogues/choice_lists.h"
#include "core/catalogues/macro_functions.h"
#include "core/database/key_rules.h"
#include "core/editors/alarms_model.h"
#include "core/editors/analog_model.h"
#include "core/editors/field_units.h"
#include "core/editors/identification_model.h"
#include "core/editors/macros_model.h"
#include "core/editors/port_switches_model.h"
#include "core/editors/special_codes_model.h"
#include "core/editors/timers_model.h"

namespace kelp {

namespace {

const char* const kSeparator = ": ";

// Print rules: one area per page, tables kept whole where they fit on a page, and rows never
// split across pages when a table must break.
const char* const kStyle = R"(<style>
body{font-family:"DejaVu Sans",Arial,sans-serif;font-size:10pt;color:#000;margin:1.5em;-webkit-print-color-adjust:exact;print-color-adjust:exact}
h1{font-size:16pt;margin:0 0 .4em}
h2{font-size:13pt;border-bottom:2px solid #333;margin:0 0 .5em;padding-bottom:.1em}
h3{font-size:11pt;margin:.8em 0 .3em;page-break-after:avoid;break-after:avoid}
.group{page-break-inside:avoid;break-inside:avoid}
table{border-collapse:collapse;margin:.2em 0 .6em}
th,td{border:1px solid #999;padding:1px 6px;text-align:left;vertical-align:top}
th{background:#eee}
tr>th:first-child{white-space:nowrap}
tr{page-break-inside:avoid;break-inside:avoid}
.repaired{background:#fde2e2}
.repair{color:#a00;font-size:8pt;white-space:pre-wrap}
.note{font-style:italic}
.area{page-break-before:always;break-before:page}
.area:first-of-type{page-break-before:auto;break-before:auto}
.pic{page-break-inside:avoid;break-inside:avoid;margin:.2em 0 .6em}
svg{max-width:100%;height:auto}
.codes{font-family:"DejaVu Sans Mono",monospace}
@page{margin:15mm}
@media print{body{margin:0}}
</style>)";

const char* const kCodesLeftOut =
    "The unlock, lock and terminator codes are left out of this report.";
const char* const kEmptyLeftOut = "Entries that hold nothing are left out.";

std::vector<std::string> splitWords(const std::string& words) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = words.find(kSeparator, from);
        parts.push_back(words.substr(from, at == std::string::npos ? at : at - from));
        if (at == std::string::npos)
            return parts;
        from = at + 2;
    }
}

std::string joinFrom(const std::vector<std::string>& parts, std::size_t first) {
    std::string out;
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (!out.empty())
            out += kSeparator;
        out += parts[i];
    }
    return out;
}

bool holdsNothing(const std::string& value) {
    return value.empty() || value == "NONE STORED" || value == "NONE";
}

// The choice list whose words a list setting shows, found by the stored text.
const ChoiceList* listOf(const std::string& key) {
    static const std::map<std::string, const ChoiceList* (*)()> lists = {
        {"TOTReset", [] { return &totResetPointList(); }},
        {"TailMessageNum", [] { return &tailMessageList(); }},
        {"DOW", [] { return &schedulerDayList(); }},
        {"Week", [] { return &schedulerOccurrenceList(); }},
        {"Hours", [] { return &schedulerHourList(); }},
        {"ID1Extras", [] { return &idExtrasList(); }},
        {"ID2Extras", [] { return &idExtrasList(); }},
        {"ID3Extras", [] { return &idExtrasList(); }},
        {"PortToAllow", [] { return &portSetList(); }},
        {"EnablePatch", [] { return &portSetList(); }},
        {"DTMFPort", [] { return &portSetList(); }},
    };
    const auto it = lists.find(key);
    return it == lists.end() ? nullptr : it->second();
}

// The settings the editors show as check boxes, from the editors' own field lists.
bool isCheckBox(const std::string& key) {
    static const std::set<std::string> keys = [] {
        std::set<std::string> found;
        for (const auto& fields :
             {timersFields(), macrosFields(), schedulerFields(), analogFields(),
              identificationFields(), alarmsFields(), specialCodesFields(), portSwitchesFields()})
            for (const FieldSpec& f : fields)
                if (f.kind == FieldKind::Check)
                    found.insert(f.key);
        return found;
    }();
    return keys.count(key) > 0;
}

bool isMacroFunctions(const std::string& key) {
    return key == "Macro" || key == "ShortMacro";
}

// A macro's functions, each with the catalogue's name beside its code.
std::string macroHtml(const std::string& value) {
    std::istringstream pieces(value);
    std::string code;
    std::string out;
    while (pieces >> code) {
        const auto name = macroFunctions().descriptionOfCode(code);
        if (!name)
            return htmlEscape(value);
        out += htmlEscape(code) + " " + htmlEscape(*name) + "<br>";
    }
    return out.empty() ? htmlEscape(value) : out;
}

std::string valueHtml(const std::string& key, const std::string& value) {
    if (isMacroFunctions(key))
        return macroHtml(value);
    if (isCheckBox(key) && (value == "0" || value == "1"))
        return std::string(value == "1" ? "Yes" : "No") + " (" + value + ")";
    if (const ChoiceList* list = listOf(key)) {
        std::string stored = value;
        int row = list->rowOfStored(stored);
        if (row < 0)
            row = list->rowOfNumber(stored);
        if (row > 0)
            return htmlEscape(list->entry(row).text) + " (" + htmlEscape(value) + ")";
    }
    return htmlEscape(value);
}

struct Entry {
    std::string label;
    std::string keyText;
    std::string valueHtml;
};

struct Table {
    std::string heading;
    std::vector<Entry> entries;
    bool leftOutEmpty = false;
};

class Builder {
  public:
    Builder(const ControllerDatabase& database, const RepairEntries& repairs,
            const ReportOptions& options)
        : db_(database), repairs_(repairs), options_(options) {}

    std::string build() {
        out_ << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>"
             << htmlEscape(title()) << "</title>\n"
             << kStyle << "\n</head><body>\n";
        header();
        for (int a = 0; a < kAreaCount; ++a) area(static_cast<Area>(a));
        out_ << "</body></html>\n";
        return out_.str();
    }

  private:
    std::string title() const { return "Configuration of " + options_.fileName; }

    void header() {
        out_ << "<section><h1>" << htmlEscape(title()) << "</h1>\n<table>\n";
        headerRow("Database file", options_.fileName);
        headerRow("Firmware version", db_.firmwareVersion);
        headerRow("RTC option", db_.hasRtc ? "Installed" : "Not installed");
        headerRow("Report date", options_.reportDate);
        out_ << "</table>\n";
        if (!options_.includeCodes)
            out_ << "<p class=\"note\">" << kCodesLeftOut << "</p>\n";
        std::vector<std::string> other;
        for (const std::string& text : repairs_.other)
            if (options_.includeCodes || !namesCode(text))
                other.push_back(text);
        if (!repairs_.byKey.empty() || !other.empty())
            out_ << "<p>Values the load of this file repaired are marked "
                    "<span class=\"repaired\">like this</span>, with the repair report's "
                    "entry beside them.</p>\n";
        if (!other.empty()) {
            out_ << "<h3>Other entries of the repair report</h3>\n";
            for (const std::string& text : other)
                out_ << "<div class=\"repair\">" << htmlEscape(text) << "</div>\n";
        }
        out_ << "</section>\n";
    }

    void headerRow(const std::string& label, const std::string& value) {
        out_ << "<tr><th>" << htmlEscape(label) << "</th><td>" << htmlEscape(value)
             << "</td></tr>\n";
    }

    static bool namesCode(const std::string& words) {
        return words.rfind(codeWordsPrefix(), 0) == 0;
    }
    static const std::string& codeWordsPrefix() {
        static const std::string prefix = splitWords(keyRule("Lock").itemWords(0, 0))[0] +
                                          kSeparator +
                                          splitWords(keyRule("Lock").itemWords(0, 0))[1];
        return prefix;
    }

    std::string repairHtml(const std::string& keyText) const {
        const auto it = repairs_.byKey.find(keyText);
        if (it == repairs_.byKey.end())
            return {};
        return "<div class=\"repair\">" + htmlEscape(it->second) + "</div>";
    }

    void area(Area area) {
        const std::string& caption = areaTabCaption(area);
        out_ << "<section class=\"area\"><h2>" << htmlEscape(caption) << "</h2>\n";
        if (area == Area::Courtesy) {
            courtesy();
        } else {
            tables(caption);
            if (area == Area::Scheduler)
                schedule();
        }
        out_ << "</section>\n";
    }

    // Every setting whose words open with the area's caption, in table order; a table per
    // frame (the words' second part), a row per entry.
    void tables(const std::string& caption) {
        std::vector<Table> tables;
        const auto tableFor = [&tables](const std::string& heading) -> Table& {
            for (Table& t : tables)
                if (t.heading == heading)
                    return t;
            tables.push_back(Table{heading, {}, false});
            return tables.back();
        };
        for (const KeyDescriptor& key : keyTable()) {
            if (key.shape == KeyShape::Courtesy)
                continue;
            const KeyRule& rule = keyRule(key);
            if (!rule.itemWords)
                continue;
            const int count = key.shape == KeyShape::Single ? 1 : usedCount(key, db_.hasRtc);
            for (int n = key.shape == KeyShape::Single ? 0 : 1;
                 n <= (key.shape == KeyShape::Single ? 0 : count); ++n) {
                const std::string words = rule.itemWords(0, n);
                const std::vector<std::string> parts = splitWords(words);
                if (parts[0] != caption)
                    continue;
                const bool code = namesCode(words);
                if (code && !options_.includeCodes)
                    continue;
                const std::string text = keyText(key.name, n);
                const std::string& value = db_.get(key.name, n);
                // A frame or a port heads a table; an entry's own number ("Macro 5", "Ch 3")
                // stays in the row's label.
                const bool framed = parts.size() > 2 &&
                                    (parts[1].rfind("Port ", 0) == 0 ||
                                     !std::isdigit(static_cast<unsigned char>(parts[1].back())));
                const std::string heading = framed ? parts[1] : "";
                Table& table = tableFor(heading);
                const bool repaired = repairs_.byKey.count(text) > 0;
                // Long lists (macros, memories, dial slots) show only what they hold.
                if (key.count > 5 && holdsNothing(value) && !repaired) {
                    table.leftOutEmpty = true;
                    continue;
                }
                std::string shown = valueHtml(key.name, value);
                if (!value.empty() && !fieldUnit(key.name).empty())
                    shown += " " + htmlEscape(fieldUnit(key.name));
                if (code)
                    shown = "<span class=\"codes\">" + shown + "</span>";
                table.entries.push_back({joinFrom(parts, framed ? 2 : 1), text, shown});
            }
        }
        for (const Table& t : tables) writeTable(t);
    }

    std::string cellHtml(const Entry& e) const {
        const std::string repair = repairHtml(e.keyText);
        return std::string("<td") + (repair.empty() ? "" : " class=\"repaired\"") + ">" +
               e.valueHtml + repair + "</td>";
    }

    // Entries of numbered things ("Setpoint Number 3: Macro To Run", "Macro 5: Code") make a
    // grid, a row per thing and a column per field; the others a list of label and value.
    void writeTable(const Table& t) {
        std::vector<std::string> rows;
        std::vector<std::string> columns;
        std::map<std::pair<std::string, std::string>, const Entry*> grid;
        std::vector<const Entry*> plain;
        const auto addOnce = [](std::vector<std::string>& list, const std::string& item) {
            if (std::find(list.begin(), list.end(), item) == list.end())
                list.push_back(item);
        };
        for (const Entry& e : t.entries) {
            const std::vector<std::string> parts = splitWords(e.label);
            std::size_t i = 0;
            while (i < parts.size() && !std::isdigit(static_cast<unsigned char>(
                                           parts[i].empty() ? ' ' : parts[i].back())))
                ++i;
            if (i == parts.size()) {
                plain.push_back(&e);
                continue;
            }
            std::vector<std::string> head(parts.begin(), parts.begin() + static_cast<long>(i) + 1);
            const std::string row = joinFrom(head, 0);
            const std::string column = joinFrom(parts, i + 1);
            addOnce(rows, row);
            addOnce(columns, column);
            grid[{row, column}] = &e;
        }
        // One thing, or things without fields of their own ("Hang Timer 1"), read as a list.
        const bool named =
            std::any_of(columns.begin(), columns.end(), [](auto& c) { return !c.empty(); });
        if (rows.size() < 2 || !named) {
            plain.clear();
            for (const Entry& e : t.entries) plain.push_back(&e);
            grid.clear();
            rows.clear();
        }
        const std::size_t lines = rows.size() + plain.size();
        // A table that fits on a page is kept whole; a longer one breaks between rows.
        out_ << (lines <= 40 ? "<div class=\"group\">" : "<div>");
        if (!t.heading.empty())
            out_ << "<h3>" << htmlEscape(t.heading) << "</h3>\n";
        if (!rows.empty()) {
            out_ << "<table>\n";
            if (named) {
                out_ << "<tr><th></th>";
                for (const std::string& c : columns) out_ << "<th>" << htmlEscape(c) << "</th>";
                out_ << "</tr>\n";
            }
            for (const std::string& r : rows) {
                out_ << "<tr><th>" << htmlEscape(r) << "</th>";
                for (const std::string& c : columns) {
                    const auto it = grid.find({r, c});
                    out_ << (it == grid.end() ? "<td></td>" : cellHtml(*it->second));
                }
                out_ << "</tr>\n";
            }
            out_ << "</table>\n";
        }
        if (!plain.empty()) {
            out_ << "<table>\n";
            for (const Entry* e : plain)
                out_ << "<tr><th>" << htmlEscape(e->label) << "</th>" << cellHtml(*e) << "</tr>\n";
            out_ << "</table>\n";
        }
        if (t.leftOutEmpty)
            out_ << "<p class=\"note\">" << kEmptyLeftOut << "</p>\n";
        out_ << "</div>\n";
    }

    // Each port's ten courtesy tones: a table of the four segments and the tone's picture.
    void courtesy() {
        ControllerDatabase copy = db_;
        CourtesyModel model(copy);
        model.open();
        const std::string columnKeys[4] = {CourtesyModel::delayKey(1),
                                           CourtesyModel::durationKey(1), CourtesyModel::toneKey(1),
                                           CourtesyModel::toneKey(2)};
        for (int port = 1; port <= kCourtesyPorts; ++port) {
            for (int tone = 1; tone <= kCourtesyTones; ++tone) {
                const std::vector<std::string> head =
                    splitWords(keyRule(columnKeys[0]).itemWords(port, tone));
                out_ << "<div class=\"pic\"><h3>" << htmlEscape(head[1] + kSeparator + head[2])
                     << "</h3>\n<table>\n<tr><th></th>";
                for (const std::string& k : columnKeys)
                    out_ << "<th>"
                         << htmlEscape(splitWords(keyRule(k).itemWords(port, tone)).back()) << " ("
                         << htmlEscape(fieldUnit(k)) << ")</th>";
                out_ << "</tr>\n";
                for (int s = 1; s <= CourtesyModel::kSegments; ++s) {
                    const std::string keys[4] = {
                        CourtesyModel::delayKey(s), CourtesyModel::durationKey(s),
                        CourtesyModel::toneKey(2 * s - 1), CourtesyModel::toneKey(2 * s)};
                    out_ << "<tr><th>"
                         << htmlEscape(splitWords(keyRule(keys[0]).itemWords(port, tone))[3])
                         << "</th>";
                    for (const std::string& k : keys) {
                        const std::string text = courtesyKeyText(k, port, tone);
                        const std::string repair = repairHtml(text);
                        out_ << "<td" << (repair.empty() ? "" : " class=\"repaired\"") << ">"
                             << htmlEscape(db_.courtesy(k, port, tone)) << repair << "</td>";
                    }
                    out_ << "</tr>\n";
                }
                out_ << "</table>\n"
                     << courtesySvg(courtesyTimeline(model.shape(port, tone))) << "</div>\n";
            }
        }
    }

    void schedule() {
        ControllerDatabase copy = db_;
        SchedulerModel model(copy);
        model.open();
        out_ << "<div class=\"pic\">" << scheduleSvg(scheduleMarks(model)) << "</div>\n";
    }

    const ControllerDatabase& db_;
    const RepairEntries& repairs_;
    const ReportOptions& options_;
    std::ostringstream out_;
};

std::string svgText(int x, int y, const std::string& text, const char* anchor = "start",
                    const char* fill = "#000", int size = 10) {
    return "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" font-size=\"" +
           std::to_string(size) + "\" text-anchor=\"" + anchor + "\" fill=\"" + fill + "\">" +
           htmlEscape(text) + "</text>";
}

std::string svgRect(int x, int y, int w, int h, const std::string& style) {
    return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
           std::to_string(w) + "\" height=\"" + std::to_string(h) + "\" " + style + "/>";
}

std::string svgLine(int x1, int y1, int x2, int y2, const char* stroke = "#000") {
    return "<line x1=\"" + std::to_string(x1) + "\" y1=\"" + std::to_string(y1) + "\" x2=\"" +
           std::to_string(x2) + "\" y2=\"" + std::to_string(y2) + "\" stroke=\"" + stroke + "\"/>";
}

}  // namespace

std::string htmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            case '\r':
                break;
            default:
                out += c;
        }
    }
    return out;
}

RepairEntries parseRepairReport(const std::string& logText) {
    RepairEntries entries;
    const std::string stars(42, '*');
    std::string text;
    for (char c : logText)
        if (c != '\r')
            text += c;
    std::size_t at = text.find(stars);
    while (at != std::string::npos) {
        const std::size_t from = at + stars.size() + 1;
        const std::size_t next = text.find(stars, from);
        std::string entry = text.substr(from, next == std::string::npos ? next : next - from);
        while (!entry.empty() && (entry.back() == '\n' || entry.back() == ' ')) entry.pop_back();
        const std::string marker = " -- DAT item: ";
        const std::size_t item = entry.find(marker);
        if (item != std::string::npos) {
            const std::size_t start = item + marker.size();
            const std::size_t end = entry.find('\n', start);
            std::string key = entry.substr(start, end == std::string::npos ? end : end - start);
            std::string& slot = entries.byKey[key];
            slot += slot.empty() ? entry : "\n" + entry;
        } else if (!entry.empty()) {
            entries.other.push_back(entry);
        }
        at = next;
    }
    return entries;
}

RepairEntries readRepairReport(const std::filesystem::path& log) {
    std::error_code ec;
    if (log.empty() || !std::filesystem::is_regular_file(log, ec))
        return {};
    std::ifstream in(log, std::ios::binary);
    return parseRepairReport(
        std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

std::string reportDateText(std::chrono::system_clock::time_point when) {
    return localTimeText(when, "%Y-%m-%d %H:%M");
}

std::string configurationReport(const ControllerDatabase& database, const RepairEntries& repairs,
                                const ReportOptions& options) {
    return Builder(database, repairs, options).build();
}

std::string courtesySvg(const CourtesyTimeline& timeline) {
    const int width = 480;
    const int left = 8;
    const int right = width - 8;
    const int span = right - left;
    const int barTop = 28;
    const int barHeight = 16;
    const int axisY = barTop + barHeight + 4;
    const int height = axisY + 16;
    const int total = std::max(timeline.totalMs, 1);
    const auto x = [&](int ms) { return left + static_cast<int>(1LL * ms * span / total); };
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
                      std::to_string(width) + " " + std::to_string(height) + "\">";
    svg += svgLine(left, axisY, right, axisY) + svgLine(left, axisY - 3, left, axisY + 3) +
           svgLine(right, axisY - 3, right, axisY + 3);
    svg += svgText(left, axisY + 13, courtesyAxisText(0));
    svg += svgText(right, axisY + 13, courtesyAxisText(timeline.totalMs), "end");
    if (timeline.totalMs == 0) {
        svg += svgText(width / 2, barTop + 12, kCourtesyNoSoundText, "middle");
        return svg + "</svg>";
    }
    const char* fills[] = {"#4682b4", "#3ca06e", "#c88c28", "#965aaa"};
    for (const CourtesyBar& bar : timeline.bars) {
        if (bar.endMs == bar.startMs)
            continue;
        const int x0 = x(bar.startMs);
        const int x1 = std::max(x(bar.endMs), x0 + 1);
        const char* fill = fills[(bar.segment - 1) % 4];
        const std::string style = bar.silent() ? std::string("fill=\"none\" stroke=\"") + fill +
                                                     "\" stroke-dasharray=\"3,2\""
                                               : std::string("fill=\"") + fill + "\"";
        svg += svgRect(x0, barTop, x1 - x0, barHeight, style);
        svg += svgText((x0 + x1) / 2, barTop + 12, std::to_string(bar.segment), "middle",
                       bar.silent() ? "#000" : "#fff");
        const int row = (bar.segment - 1) % 2;
        svg += svgText((x0 + x1) / 2, 11 + row * 12, courtesyTonesText(bar), "middle", fill);
    }
    return svg + "</svg>";
}

std::string scheduleSvg(const std::vector<ScheduleMark>& marks) {
    const int left = 48;
    const int top = 16;
    const int column = 88;
    const int row = 14;
    const int width = left + 7 * column + 1;
    const int height = top + 24 * row + 1;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
                      std::to_string(width) + " " + std::to_string(height) + "\">";
    const auto& days = weekDayNames();
    for (int d = 0; d < 7; ++d)
        svg += svgText(left + d * column + column / 2, top - 4, days[static_cast<std::size_t>(d)],
                       "middle");
    for (int h = 0; h < 24; ++h)
        // The hour list's own names, after its "Disabled" and "Every Hour" rows.
        svg += svgText(left - 4, top + h * row + row - 3, schedulerHourList().entry(h + 3).text,
                       "end", "#000", 9);
    for (int d = 0; d <= 7; ++d)
        svg += svgLine(left + d * column, top, left + d * column, top + 24 * row, "#999");
    for (int h = 0; h <= 24; ++h)
        svg += svgLine(left, top + h * row, left + 7 * column, top + h * row, "#999");
    if (marks.empty()) {
        svg += svgText(left + 7 * column / 2, top + 12 * row, kNoSetpointEnabledText, "middle");
        return svg + "</svg>";
    }
    // Marks of one hour of one day share its cell, side by side.
    std::map<std::pair<int, int>, std::vector<const ScheduleMark*>> cells;
    for (const ScheduleMark& m : marks) cells[{m.day, m.hour}].push_back(&m);
    for (const auto& [cell, inCell] : cells) {
        const int n = static_cast<int>(inCell.size());
        const int w = column / n;
        for (int i = 0; i < n; ++i) {
            const ScheduleMark& m = *inCell[static_cast<std::size_t>(i)];
            const int x0 = left + cell.first * column + i * w;
            const int y0 = top + cell.second * row;
            svg += "<g><title>" + htmlEscape(markDescription(m)) + "</title>";
            svg += svgRect(x0 + 1, y0 + 1, w - 2, row - 2,
                           m.monthly ? "fill=\"#f3d9a4\"" : "fill=\"#bcd4ec\"");
            svg += svgText(x0 + w / 2, y0 + row - 3, markLabel(m), "middle", "#000", 9) + "</g>";
        }
    }
    return svg + "</svg>";
}

}  // namespace kelp
