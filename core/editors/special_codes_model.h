// The Special Codes window's model: the user DTMF regenerate prefix, port and macro; the
// autopatch codes, ring count, time-out, ports and muting; the 200 autodial memories; the
// 100 toll restrictions; the pad test, pre-access and pre-command prefixes; the macro subset;
// the DTMF mute digit, the wind direction format and the DR1 mode. The window has no port
// tabs: every setting is a single value or an indexed list.
//
// Every box is checked by the rule the database file loader uses for its setting, so a value
// the window takes is one the loader takes back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/catalogues/list_entry.h"
#include "core/editors/editor_model.h"

namespace kelp {

class SpecialCodesModel : public EditorModel {
  public:
    explicit SpecialCodesModel(ControllerDatabase& database);

    static constexpr int kAutoDialSlots = 200;
    static constexpr int kTollRestrictions = 100;

    // Change marker numbers of the checked boxes.
    static constexpr int kUserDtmfPrefixMarker = 4;
    static constexpr int kAutopatchPrefixMarker = 5;
    static constexpr int kAnswerCodeMarker = 6;
    static constexpr int kRingsMarker = 7;
    static constexpr int kTimeoutMarker = 8;
    static constexpr int kPadTestMarker = 9;
    static constexpr int kPreAccessMarker = 10;
    static constexpr int kPreCommandMarker = 11;

    // The pre-access and pre-command boxes: a stored "0" shows as "NONE"; a box holding
    // exactly "NONE" (any case) or nothing stores "0".
    static std::string prefixShown(const std::string& value);
    static std::string prefixValue(const std::string& boxText);
    // Typing into one of those two boxes.
    void editPrefixBox(const std::string& key, const std::string& boxText);

    // The autodial slot shown in the number box (1-200). Choosing one is no edit.
    int autoDialSlot() const { return autoDialSlot_; }
    void selectAutoDialSlot(int slot);

    // The toll restriction list: one entry per slot in use, in slot order, "002 | text"
    // with the slot as item data.
    std::vector<ListEntry> tollEntries() const;
    static std::string tollEntryText(int slot, const std::string& text);
    // The character the entry box refuses while it is typed.
    static bool tollCharacterAllowed(char c) { return c != '|'; }

    // "&Add": the trimmed text into the first free slot. Nothing happens for an empty text
    // (or one holding the refused character); with every slot in use the refusal is returned.
    struct TollAdd {
        int slot = 0;  // the slot filled, 0 when nothing was added
        std::optional<Notice> refusal;
    };
    TollAdd addTollRestriction(const std::string& text);
    // "&Delete" of the selected entry's slot; 0 means nothing was selected (the refusal).
    std::optional<Notice> deleteTollRestriction(int slot);
    // The "Toll Restrict" frame's colour after the last Add or Delete.
    bool tollFrameChanged() const { return tollFrameChanged_; }

    // The macro subset lists: the start and end macro numbers (1-90) of the working subset,
    // 0 when that half is not a macro number; choosing one replaces its two digits.
    int subsetStart() const;
    int subsetEnd() const;
    void editSubsetStart(int macro);
    void editSubsetEnd(int macro);
    bool subsetStartDiffers() const;
    bool subsetEndDiffers() const;

    // Apply: the box named by the change marker is checked again (its refusal, then
    // "APPLY FAIL"); then the macro subset (its own refusal only; the start list takes the
    // focus). Nothing is written after a refusal. `applied` says whether the database was
    // written.
    struct ApplyResult {
        std::vector<Notice> notices;
        bool applied = false;
        bool subsetRefused = false;
    };
    ApplyResult applyChanges();

    // The lists' entries (text, item data).
    static std::vector<ListEntry> userDtmfMacroEntries();  // "NONE" (0), "1".."90"
    static std::vector<ListEntry> macroNumberEntries();    // "1".."90"
    static std::vector<ListEntry> autoDialSlotEntries();   // "1".."200"

  protected:
    void afterLoad() override;
    void afterApply() override;

  private:
    int autoDialSlot_ = 1;
    bool tollFrameChanged_ = false;
};

std::vector<FieldSpec> specialCodesFields();

extern const char* const kMacroSubsetTitle;
extern const char* const kMacroSubsetText;
extern const char* const kTollRestrictTitle;

}  // namespace kelp
