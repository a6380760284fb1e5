// The Scheduler window's model: the controller's 20 setpoints (each runs a macro at a time of
// day on given days, weekly or on one occurrence of the day in the month), the clock's speech
// options and its correction.
//
// The setpoint lists show the setpoint chosen in SetPointNumSet; choosing another is no edit
// (unapplied values of the others are kept, and the change marker stays as it was). The
// week's picture of the schedule comes from the working copy through scheduleMarks().
#pragma once

#include <string>
#include <vector>

#include "core/editors/editor_model.h"

namespace kelp {

class SchedulerModel : public EditorModel {
  public:
    explicit SchedulerModel(ControllerDatabase& database);

    static constexpr int kSetpoints = 20;

    int selectedSetpoint() const { return selected_; }
    // Choosing a setpoint number: the lists show it; no value and no marker changes.
    void selectSetpoint(int setpoint);

    // The occurrence list and its label are enabled while the setpoint is monthly.
    bool occurrenceEnabled(int setpoint) const;
    // "Say Hours" is enabled while "24 Hour Readback" is ticked.
    bool sayHoursEnabled() const;

    // Its own question: Set Clock and the date format are not undone.
    Notice cancelQuestion() const override;

  protected:
    // Any setpoint or clock flag still waiting for an upload, from this Apply or an earlier
    // one, keeps the database marked unsaved.
    void afterApply() override;

  private:
    int selected_ = 1;
};

// The field list of the window: the six setpoint lists (marker 0), the three clock check
// boxes (marker 0) and the clock correction box (marker 1).
std::vector<FieldSpec> schedulerFields();

extern const char* const kClockCorrectionTitle;  // "Clock Corrections"
extern const char* const kClockCorrectionText;

// ---- The week's picture ---------------------------------------------------------------

// One run of a setpoint in the week: day 0 (Sunday) to 6 (Saturday) at hour 0-23.
struct ScheduleMark {
    int setpoint = 0;  // 1-20
    int macro = 0;     // 1-90
    int day = 0;
    int hour = 0;
    int minute = 0;
    bool everyHour = false;  // one of the 24 marks of an "Every Hour" setpoint
    bool monthly = false;    // runs only on one occurrence of the day in the month
    int occurrence = 0;      // 1-5 when monthly
    bool operator==(const ScheduleMark& o) const;
};

// Every run of every enabled setpoint of the working copy, by setpoint, then day, then hour.
// A disabled setpoint, or one whose day, hour or macro is no value of its list, has none.
std::vector<ScheduleMark> scheduleMarks(const SchedulerModel& model);

// What a mark says: "3: M12", with the occurrence of a monthly one ("3: M12 2nd").
std::string markLabel(const ScheduleMark& mark);

// The whole of a mark, for its tool tip: "Setpoint 3: macro 12 at 7:05 AM on Monday", with
// "every hour at :05" for an "Every Hour" setpoint and "the 2nd Monday of the month" for a
// monthly one.
std::string markDescription(const ScheduleMark& mark);

// The week's picture in words, for a screen reader: each mark's description once (an "Every
// Hour" setpoint once a day), joined with "; "; with no mark, kNoSetpointEnabledText.
std::string weekSummary(const std::vector<ScheduleMark>& marks);
// What the week's picture says when it has no mark.
extern const char* const kNoSetpointEnabledText;

// The day columns' headings, Sunday first.
const std::vector<std::string>& weekDayNames();

}  // namespace kelp
