#include "core/editors/scheduler_model.h"

#include <stdexcept>

#include "core/catalogues/choice_lists.h"
#include "core/database/area_checks.h"

namespace kelp {

const char* const kClockCorrectionTitle = "Clock Corrections";
const char* const kClockCorrectionText =
    "Clock correction must be an integer between 0 and 59, with a leading 'A' allowed to "
    "indicate negative correction";

namespace {

constexpr int kDisabledHour = 25;
constexpr int kEveryHour = 99;

const char* const kCancelExtra =
    "It does not cancel any 'Set Clock' or 'Date Format' changes because those were processed "
    "immediately upon your input";

FieldSpec setpointList(const char* key, FieldKind kind, bool twoDigits) {
    FieldSpec f;
    f.key = key;
    f.indexing = FieldIndexing::Indexed;
    f.count = SchedulerModel::kSetpoints;
    f.kind = kind;
    f.twoDigits = twoDigits;
    return f;
}

FieldSpec clockCheck(const char* key) {
    FieldSpec f;
    f.key = key;
    f.kind = FieldKind::Check;
    return f;
}

// The value of a list's stored text, when it is one of the list's entries.
std::optional<int> listValue(const ChoiceList& list, const std::string& stored) {
    const int row = list.rowOfNumber(stored);
    if (row < 0)
        return std::nullopt;
    return static_cast<int>(list.entry(row).itemData);
}

// The days of the week (0 Sunday) a day code runs on.
std::vector<int> daysOf(int code) {
    switch (code) {
        case 0:
            return {0, 1, 2, 3, 4, 5, 6};
        case 7:
            return {0};
        case 8:
            return {1, 2, 3, 4, 5};
        case 9:
            return {0, 6};
        default:
            return {code};  // 1 Monday ... 6 Saturday
    }
}

}  // namespace

std::vector<FieldSpec> schedulerFields() {
    FieldSpec correction;
    correction.key = "ClockCorrection";
    correction.marker = 1;
    correction.numeric = false;
    // The stored form of a negative correction has a capital "A", as the loader writes it.
    correction.upperCase = true;
    // An emptied box means no correction ("0") but is left empty for the operator.
    correction.emptyBoxStaysEmpty = true;
    correction.check = [](const EditorModel& m, int) -> std::optional<Notice> {
        if (clockCorrectionCheck(m.value("ClockCorrection")))
            return std::nullopt;
        return Notice{kClockCorrectionTitle, kClockCorrectionText};
    };
    return {
        setpointList("DOW", FieldKind::List, false),
        setpointList("Monthly", FieldKind::Check, false),
        setpointList("Week", FieldKind::List, false),
        setpointList("Hours", FieldKind::List, true),
        setpointList("Minutes", FieldKind::List, true),
        setpointList("MacroToRun", FieldKind::List, true),
        clockCheck("SayYear"),
        clockCheck("TwentyFour"),
        clockCheck("SayHour"),
        correction,
    };
}

SchedulerModel::SchedulerModel(ControllerDatabase& database)
    : EditorModel(database, Area::Scheduler, schedulerFields(), 0) {}

void SchedulerModel::selectSetpoint(int setpoint) {
    if (setpoint < 1 || setpoint > kSetpoints)
        throw std::out_of_range("setpoint " + std::to_string(setpoint));
    selected_ = setpoint;
}

bool SchedulerModel::occurrenceEnabled(int setpoint) const {
    return value("Monthly", setpoint) != "0";
}

bool SchedulerModel::sayHoursEnabled() const {
    return value("TwentyFour") == "1";
}

Notice SchedulerModel::cancelQuestion() const {
    return Notice{cancelTitle(area()), cancelSentence(area()) + "\r\n\r\n" + kCancelExtra +
                                           "\r\n\r\n" + kCancelQuestionTail};
}

void SchedulerModel::afterApply() {
    bool waiting = false;
    for (int n = 1; n <= kSetpoints; ++n)
        waiting = waiting || database().uploadFlag(UploadFlag::SchedulerSetpoint, n);
    for (const UploadFlag f : {UploadFlag::SayYear, UploadFlag::SayHour, UploadFlag::TwentyFour,
                               UploadFlag::ClockCorrection})
        waiting = waiting || database().uploadFlag(f, 0);
    if (waiting)
        database().saved = false;
}

bool ScheduleMark::operator==(const ScheduleMark& o) const {
    return setpoint == o.setpoint && macro == o.macro && day == o.day && hour == o.hour &&
           minute == o.minute && everyHour == o.everyHour && monthly == o.monthly &&
           occurrence == o.occurrence;
}

std::vector<ScheduleMark> scheduleMarks(const SchedulerModel& model) {
    std::vector<ScheduleMark> marks;
    for (int n = 1; n <= SchedulerModel::kSetpoints; ++n) {
        const auto day = listValue(schedulerDayList(), model.value("DOW", n));
        const auto hour = listValue(schedulerHourList(), model.value("Hours", n));
        const int macroRow = macroListRow(model.value("MacroToRun", n));
        if (!day || !hour || *hour == kDisabledHour || macroRow < 0)
            continue;
        ScheduleMark mark;
        mark.setpoint = n;
        mark.macro = macroRow;
        mark.minute = listValue(schedulerMinuteList(), model.value("Minutes", n)).value_or(0);
        mark.monthly = model.occurrenceEnabled(n);
        if (mark.monthly)
            mark.occurrence =
                listValue(schedulerOccurrenceList(), model.value("Week", n)).value_or(1);
        mark.everyHour = *hour == kEveryHour;
        for (const int d : daysOf(*day)) {
            mark.day = d;
            for (int h = 0; h < 24; ++h) {
                if (!mark.everyHour && h != *hour)
                    continue;
                mark.hour = h;
                marks.push_back(mark);
            }
        }
    }
    return marks;
}

std::string markLabel(const ScheduleMark& mark) {
    std::string label = std::to_string(mark.setpoint) + ": M" + std::to_string(mark.macro);
    if (mark.monthly)
        label += " " + schedulerOccurrenceList().entry(mark.occurrence).text;
    return label;
}

std::string markDescription(const ScheduleMark& mark) {
    static const char* const days[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
    const std::string minute = (mark.minute < 10 ? ":0" : ":") + std::to_string(mark.minute);
    std::string text =
        "Setpoint " + std::to_string(mark.setpoint) + ": macro " + std::to_string(mark.macro) + " ";
    if (mark.everyHour) {
        text += "every hour at " + minute;
    } else {
        const int onClock = mark.hour % 12 == 0 ? 12 : mark.hour % 12;
        text += "at " + std::to_string(onClock) + minute + (mark.hour < 12 ? " AM" : " PM");
    }
    const std::string day = days[mark.day];
    if (mark.monthly)
        return text + " on the " + schedulerOccurrenceList().entry(mark.occurrence).text + " " +
               day + " of the month";
    return text + " on " + day;
}

const char* const kNoSetpointEnabledText = "No setpoint is enabled";

std::string weekSummary(const std::vector<ScheduleMark>& marks) {
    if (marks.empty())
        return kNoSetpointEnabledText;
    std::string text;
    std::string last;
    for (const ScheduleMark& m : marks) {
        std::string one = markDescription(m);
        if (one == last)
            continue;
        text += (text.empty() ? "" : "; ") + one;
        last = std::move(one);
    }
    return text;
}

const std::vector<std::string>& weekDayNames() {
    static const std::vector<std::string> names{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return names;
}

}  // namespace kelp
