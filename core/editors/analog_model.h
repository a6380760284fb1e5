// The Analog window's model: the scaling of the eight analog input channels (meter type,
// actual and meter low and high values), the reference voltage, and the eight meter alarms
// (meter, alarm type, trip value, macro to call).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalogues/choice_lists.h"
#include "core/editors/editor_model.h"

namespace kelp {

class AnalogModel : public EditorModel {
  public:
    explicit AnalogModel(ControllerDatabase& database);

    static constexpr int kChannels = 8;
    static constexpr int kAlarms = 8;
    // Tabs: "Ch 1".."Ch 8", then "Reference / Meter Alarms".
    static constexpr int kAlarmsTab = kChannels;

    // The alarm whose fields the window shows (1-8). Choosing another alarm is not an edit.
    void selectAlarm(int alarm);
    int selectedAlarm() const { return selectedAlarm_; }

    // What the trip value box shows after a keystroke gave it `typed`: a minus sign stands for
    // the leading "A" of a negative trip value. Nothing when the box should refuse the
    // keystroke (only one leading "A" or "a", then digits).
    static std::optional<std::string> tripValueEntry(std::string_view typed);

  private:
    int selectedAlarm_ = 1;
};

// The field list of the Analog window.
std::vector<FieldSpec> analogFields();

// "OFF" 0, "Volts" 1, "Amps" 2, "Watts" 3, "Degrees" 4, "MPH" 5, "Percent" 6.
const ChoiceList& meterTypeList();
// "Disabled" 0, "Low" 1, "High" 2.
const ChoiceList& meterAlarmTypeList();
// Meters "1".."8" (also the alarm numbers).
const ChoiceList& meterNumberList();

}  // namespace kelp
