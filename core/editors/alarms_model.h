// The Alarms window's model: the five logic alarms, the remote base radio and prefix, and the
// remote base memories. A memory's stored FreqString is the frequency digits followed by one
// offset digit; the window edits the two apart, so the model keeps them split and joins them
// back into the working FreqString after every edit.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/catalogues/list_entry.h"
#include "core/editors/editor_model.h"

namespace kelp {

class AlarmsModel : public EditorModel {
  public:
    explicit AlarmsModel(ControllerDatabase& database);

    static constexpr int kAlarms = 5;
    static constexpr int kMemories = 40;

    // Change marker numbers of the text boxes.
    static constexpr int kPrefixMarker = 1;
    static constexpr int kFrequencyMarker = 2;
    static constexpr int kCtcssMarker = 3;

    // Memories the controller has: 40 with the real-time-clock option, else 10.
    int memoryCount() const;

    // A memory's frequency digits and offset digit ("1" minus, "2" simplex, "3" plus), each
    // "NONE" for a memory not in use, and whether they differ from the database.
    const std::string& frequency(int memory) const;
    const std::string& offset(int memory) const;
    bool frequencyDiffers(int memory) const;
    bool offsetDiffers(int memory) const;

    void editFrequency(int memory, const std::string& text);
    void editOffset(int memory, int code);
    // Leaving the frequency box: the refusal to show, or nothing (the digits are then padded
    // on the left to six).
    std::optional<Notice> leaveFrequency(int memory);
    void editCtcss(int memory, const std::string& text);
    // Leaving the CTCSS box: the refusal, or nothing (the code is then padded to two digits).
    std::optional<Notice> leaveCtcss(int memory);

    // Leaving the prefix box: an empty box becomes "A7", lower case is upper-cased. The boxes
    // to show in order: the warning that the prefix holds the present terminator, then, when
    // `refused`, the refusal (the focus stays in the box).
    struct PrefixLeave {
        std::vector<Notice> notices;
        bool refused = false;
    };
    PrefixLeave leavePrefix();

    // Sets a memory back to not in use: every part "NONE". Memories 1-10 must stay in use
    // (false, nothing changes).
    bool clearMemory(int memory);

    // Apply with the area's own checks first: a Yaesu radio needs a Yaesu type (nothing is
    // applied); memories partly "NONE" are reported and stored as not in use ("NONE" in every
    // part), so that half a memory never reaches the controller. The notices to
    // show, in order; `applied` says whether the database was written.
    struct ApplyResult {
        std::vector<Notice> notices;
        bool applied = false;
    };
    ApplyResult applyChanges();

    // The prefix as its box shows it: "No Prefix" for a stored "0", and back.
    static std::string prefixShown(const std::string& value);
    static std::string prefixValue(const std::string& shown);

    // The radio type and Yaesu type lists (text, code).
    static const std::vector<ListEntry>& radioTypes();
    static const std::vector<ListEntry>& yaesuTypes();

  protected:
    void afterLoad() override;

  private:
    void joinFrequency(int memory);
    static void split(const std::string& stored, std::string& frequency, std::string& offset);
    std::vector<std::string> frequency_;  // by memory - 1
    std::vector<std::string> offset_;
    int lastMemory_ = 1;  // the memory whose frequency was edited last
    int lastCtcss_ = 1;   // the memory whose CTCSS code was edited last
};

std::vector<FieldSpec> alarmsFields();

}  // namespace kelp
