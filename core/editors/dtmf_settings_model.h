// The DTMF window's model: the DTMF memories (stored digit strings) and the duration and
// delay the controller uses when it regenerates DTMF.
//
// A memory is stored upper case with one space between digits, or "NONE STORED" when
// empty. While a box is being typed in, its working value is the raw text; leaving the box
// (or pressing Apply) tidies it into the stored form before it is checked.
#pragma once

#include <optional>
#include <string>

#include "core/editors/editor_model.h"

namespace kelp {

class DtmfSettingsModel : public EditorModel {
  public:
    explicit DtmfSettingsModel(ControllerDatabase& database);

    // Tabs: three pages of memory boxes, then "All Memories / Parameters".
    static constexpr int kMemoriesPerTab = 20;
    static constexpr int kParametersTab = 3;

    // Memories the controller has: 50 with the real-time-clock option board, 20 without.
    int memories() const;

    // What a memory box shows for a value: "NONE STORED" as is, anything else spaced.
    static std::string shownMemory(const std::string& value);
    // What a memory box holds once entered: a box showing "NONE STORED" is emptied for typing.
    std::string enteredMemoryText(int memory) const;

    // Leaving a memory box: an empty box becomes "NONE STORED", other text is upper-cased and
    // spaced. A value that changes counts as an edit of that memory.
    void tidyMemory(int memory);
    // tidyMemory, then the memory's check; a refusal is returned as leaveField() returns it.
    std::optional<Notice> leaveMemory(int memory);
    // Before Apply: the box being typed in may not have been left, so every memory that
    // differs from the database is brought to its stored form (no marker change).
    void tidyMemories();

    // A valid memory holding the controller's present terminator digit is accepted, but the
    // operator is warned: in DTMF mode the digit would end the command early.
    std::optional<Notice> terminatorWarning(int memory) const;

    // A double-click on the digit list: the memory box's text with the digit at `position`
    // (1-16, as dtmfDigitList() orders them) added, or nothing when the memory already holds
    // its ten digits or the position is not a digit.
    static std::optional<std::string> withDigitAdded(const std::string& shown, int position);

  protected:
    std::optional<Notice> beforeApply() override;

  private:
    std::string tidied(int memory) const;
};

// The field list of the DTMF window: memories 1..memoryCount, duration, delay.
std::vector<FieldSpec> dtmfSettingsFields(int memoryCount);

}  // namespace kelp
