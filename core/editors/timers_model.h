// The Timers window's model: every port's timers and tail message program, and the
// global timers (aux audio, fan, speech/CW delay, general timers, timeout linking).
#pragma once

#include "core/editors/editor_model.h"

namespace kelp {

class TimersModel : public EditorModel {
  public:
    explicit TimersModel(ControllerDatabase& database);

    // Tabs: "Port 1".."Port 3", then "Global".
    static constexpr int kGlobalTab = 3;

    // A port's tail counter, tail timer and their labels are usable only while the port has a
    // tail message ("NONE" disables them).
    bool tailControlsEnabled(int port) const;
    // A port's inactivity macro list is usable only while its inactivity timer is not 0.
    bool inactivityMacroEnabled(int port) const;

    // The list entry a stored macro number selects ("07" -> position 6), or -1 when the
    // stored text is not a macro number 1-90.
    static int macroListPosition(const std::string& stored);

  protected:
    bool storesEdit(const std::string& key, int index) const override;
};

// The field list of the Timers window, shared with the database file loader's report words.
std::vector<FieldSpec> timersFields();

}  // namespace kelp
