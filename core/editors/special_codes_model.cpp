#include "core/editors/special_codes_model.h"

#include "core/catalogues/choice_lists.h"
#include "core/database/area_checks.h"
#include "core/database/field_checks.h"
#include "core/database/key_rules.h"

namespace kelp {

const char* const kMacroSubsetTitle = "Macro Subset";
const char* const kMacroSubsetText =
    "Start and End must be valid macro numbers and Start must be less than or equal to End";
const char* const kTollRestrictTitle = "Toll Restrict";

namespace {

const char* const kNone = "NONE";
const char* const kToll = "TollRestrict";
const char* const kAutoDial = "AutoDial";
const char* const kSubset = "MacroSubset";
const char* const kAutoDialTitle = "AutoDial";
const char* const kAutoDialText =
    "AutoDial: Phone Number invalid.  It cannot hold a control character";

// A checked box: the loader's rule for the setting decides; the refusal names the range.
struct BoxRow {
    const char* key;
    int marker;
    bool dtmf;  // a DTMF digit string: upper-cased, and its message counts characters
    int low;
    int high;
    const char* text;
    const char* title;
};

const BoxRow kBoxes[] = {
    {"DTMFRegenPrefix", SpecialCodesModel::kUserDtmfPrefixMarker, true, 1, 6,
     "User DTMF Regenerate: User DTMF Prefix invalid.  Must be between ", "User DTMF Prefix"},
    {"APPrefix", SpecialCodesModel::kAutopatchPrefixMarker, true, 1, 8,
     "Autopatch: Prefix invalid.  Must be between ", "Autopatch Prefix"},
    {"AnswerCode", SpecialCodesModel::kAnswerCodeMarker, true, 1, 15,
     "Autopatch: Answer Code invalid.  Must be between ", "Answer Code"},
    {"RingNumber", SpecialCodesModel::kRingsMarker, false, 1, 8,
     "Autopatch: Number Of Rings To Answer invalid.  Must be between ", "Ring Numbers"},
    {"APTimeOut", SpecialCodesModel::kTimeoutMarker, false, 1, 32767,
     "Autopatch: Timeout invalid.  Must be between ", "AP Timeout"},
    {"DTMFTestPrefix", SpecialCodesModel::kPadTestMarker, true, 1, 5,
     "DTMF Pad Test: Prefix invalid.  Must be between ", "DTMF Pad Test"},
    // "0" (none) is a DTMF digit string of one character, so the loader's rule passes it.
    {"PreAccessPrefix", SpecialCodesModel::kPreAccessMarker, true, 1, 3,
     "Pre Access Code invalid.  Must be between ", "Pre Access Code"},
    {"PreProgramPrefix", SpecialCodesModel::kPreCommandMarker, true, 1, 4,
     "Pre Program Prefix invalid.  Must be between ", "Pre Program Prefix"},
};

FieldSpec boxField(const BoxRow& row) {
    FieldSpec f;
    f.key = row.key;
    f.kind = FieldKind::Text;
    f.marker = row.marker;
    // No box of this window takes digits only: the prefixes hold DTMF digits, and the ring
    // count and time-out are refused in words like the others.
    f.numeric = false;
    f.upperCase = row.dtmf;
    const std::string key = row.key;
    const bool preCode = key == "PreAccessPrefix" || key == "PreProgramPrefix";
    // Only the two prefixes that may be "none" turn an emptied box into "0"; any other empty
    // box stays empty and is refused.
    f.emptyText = emptyTextIs(preCode ? "0" : "");
    std::string message = row.text + std::to_string(row.low) + " and " + std::to_string(row.high) +
                          (row.dtmf ? " DTMF characters" : "");
    f.check = [key, message = std::move(message), title = std::string(row.title)](
                  const EditorModel& m, int) -> std::optional<Notice> {
        if (keyRule(key).check(m.value(key), 0, 0))
            return std::nullopt;
        return Notice{title, message};
    };
    return f;
}

FieldSpec choiceField(const char* key, FieldKind kind, bool twoDigits = false) {
    FieldSpec f;
    f.key = key;
    f.kind = kind;
    f.numeric = false;
    f.twoDigits = twoDigits;
    return f;
}

// Autodial numbers and toll restrictions: free text, an emptied entry stays empty. The
// loader's rule still refuses a control character (a paste can carry one), which would split
// the command the text goes out in.
FieldSpec listText(const char* key, int count, bool upperCase) {
    FieldSpec f;
    f.key = key;
    f.indexing = FieldIndexing::Indexed;
    f.count = count;
    f.kind = FieldKind::Text;
    f.marker = 0;
    f.numeric = false;
    f.upperCase = upperCase;
    f.emptyText = emptyTextIs("");
    // The toll list takes its entries through addTollRestriction, which refuses the same.
    if (std::string(key) != kAutoDial)
        return f;
    f.check = [key = std::string(key)](const EditorModel& m, int index) -> std::optional<Notice> {
        if (!holdsControlCharacter(m.value(key, index)))
            return std::nullopt;
        return Notice{kAutoDialTitle, kAutoDialText};
    };
    return f;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string twoDigits(int n) {
    return formatMacroNumber(n);
}

int subsetHalf(const std::string& subset, std::size_t at) {
    if (subset.size() != 4)
        return 0;
    const std::string half = subset.substr(at, 2);
    if (!numericFieldCheck(half, 1, 90))
        return 0;
    return std::stoi(half);
}

std::string subsetHalfText(const std::string& subset, std::size_t at) {
    return subset.size() == 4 ? subset.substr(at, 2) : std::string();
}

}  // namespace

std::vector<FieldSpec> specialCodesFields() {
    std::vector<FieldSpec> f;
    for (const BoxRow& row : kBoxes) f.push_back(boxField(row));
    f.push_back(choiceField("DTMFPort", FieldKind::List));
    f.push_back(choiceField("DTMFSpeech", FieldKind::List, true));
    f.push_back(choiceField("EnablePatch", FieldKind::List));
    f.push_back(choiceField("PatchMute", FieldKind::Check));
    f.push_back(listText(kAutoDial, SpecialCodesModel::kAutoDialSlots, true));
    f.push_back(listText(kToll, SpecialCodesModel::kTollRestrictions, false));
    // The subset is edited through its two lists (editSubsetStart/End), not as a box.
    f.push_back(choiceField(kSubset, FieldKind::List));
    f.push_back(choiceField("MacroSubsetEnable", FieldKind::Check));
    f.push_back(choiceField("DTMFMuteDigitSelect", FieldKind::List));
    f.push_back(choiceField("WindDirectionSelect", FieldKind::List));
    f.push_back(choiceField("DR1Select", FieldKind::Check));
    return f;
}

SpecialCodesModel::SpecialCodesModel(ControllerDatabase& database)
    : EditorModel(database, Area::SpecialCodes, specialCodesFields(), 0) {}

std::string SpecialCodesModel::prefixShown(const std::string& value) {
    return value == "0" ? kNone : value;
}

std::string SpecialCodesModel::prefixValue(const std::string& boxText) {
    std::string text = trimmed(boxText);
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text.empty() || text == kNone ? "0" : text;
}

void SpecialCodesModel::editPrefixBox(const std::string& key, const std::string& boxText) {
    editText(key, 0, prefixValue(boxText));
}

void SpecialCodesModel::selectAutoDialSlot(int slot) {
    if (slot >= 1 && slot <= kAutoDialSlots)
        autoDialSlot_ = slot;
}

std::string SpecialCodesModel::tollEntryText(int slot, const std::string& text) {
    std::string number = std::to_string(slot);
    number.insert(0, number.size() < 3 ? 3 - number.size() : 0, '0');
    return number + " | " + text;
}

std::vector<ListEntry> SpecialCodesModel::tollEntries() const {
    std::vector<ListEntry> entries;
    for (int slot = 1; slot <= kTollRestrictions; ++slot) {
        const std::string& text = value(kToll, slot);
        if (!text.empty())
            entries.push_back(ListEntry{tollEntryText(slot, text), slot});
    }
    return entries;
}

SpecialCodesModel::TollAdd SpecialCodesModel::addTollRestriction(const std::string& text) {
    const std::string item = trimmed(text);
    TollAdd result;
    // The entry box drops the bar as it is typed; a text that holds one anyway is not taken,
    // since the list shows the bar between slot and text; nor is one holding a control
    // character, which would split the command it goes out in.
    if (item.empty() || item.find('|') != std::string::npos || holdsControlCharacter(item))
        return result;
    for (int slot = 1; slot <= kTollRestrictions; ++slot) {
        if (!value(kToll, slot).empty())
            continue;
        editText(kToll, slot, item);
        tollFrameChanged_ = differs(kToll, slot);
        result.slot = slot;
        return result;
    }
    result.refusal =
        Notice{kTollRestrictTitle, "You have used all " + std::to_string(kTollRestrictions) +
                                       " of your Toll Restrictions (Blacklist).  You cannot enter "
                                       "additional restrictions until you delete one or more "
                                       "existing restrictions\r\n\r\nToll restriction was NOT "
                                       "added"};
    return result;
}

std::optional<Notice> SpecialCodesModel::deleteTollRestriction(int slot) {
    if (slot < 1 || slot > kTollRestrictions)
        return Notice{kTollRestrictTitle, "Nothing was selected for delete"};
    editText(kToll, slot, "");
    tollFrameChanged_ = true;
    return std::nullopt;
}

int SpecialCodesModel::subsetStart() const {
    return subsetHalf(value(kSubset), 0);
}

int SpecialCodesModel::subsetEnd() const {
    return subsetHalf(value(kSubset), 2);
}

void SpecialCodesModel::editSubsetStart(int macro) {
    const std::string& subset = value(kSubset);
    const std::string end = subset.size() == 4 ? subset.substr(2, 2) : std::string("90");
    setValue(kSubset, 0, twoDigits(macro) + end);
    database().setChangeMarker(area(), 0);
}

void SpecialCodesModel::editSubsetEnd(int macro) {
    const std::string& subset = value(kSubset);
    const std::string start = subset.size() == 4 ? subset.substr(0, 2) : std::string("01");
    setValue(kSubset, 0, start + twoDigits(macro));
    database().setChangeMarker(area(), 0);
}

bool SpecialCodesModel::subsetStartDiffers() const {
    return subsetHalfText(value(kSubset), 0) != subsetHalfText(stored(kSubset), 0);
}

bool SpecialCodesModel::subsetEndDiffers() const {
    return subsetHalfText(value(kSubset), 2) != subsetHalfText(stored(kSubset), 2);
}

SpecialCodesModel::ApplyResult SpecialCodesModel::applyChanges() {
    ApplyResult result;
    forgetRefusedEntry();
    const int m = marker();
    for (const BoxRow& row : kBoxes) {
        if (row.marker != m)
            continue;
        if (auto refusal = leaveField(row.key, 0)) {
            result.notices = {*refusal, Notice{kApplyFailTitle, kApplyFailText}};
            return result;
        }
    }
    // The loader's own rule: four digits, both halves macros 1-90, start not after end.
    if (!macroSubsetCheck(value(kSubset))) {
        result.notices = {Notice{kMacroSubsetTitle, kMacroSubsetText}};
        result.subsetRefused = true;
        return result;
    }
    result.notices = apply();
    result.applied = result.notices.empty();
    return result;
}

void SpecialCodesModel::afterLoad() {
    tollFrameChanged_ = false;
}

void SpecialCodesModel::afterApply() {
    // Every setting of this window counts, the user DTMF regenerate group and the pre-command
    // prefix too: a change waiting for the controller that is not in the file would be lost
    // on exit without a question.
    for (const FieldSpec& f : fields())
        for (int i = f.indexing == FieldIndexing::Single ? 0 : 1;
             i <= (f.indexing == FieldIndexing::Single ? 0 : f.count); ++i)
            if (const std::optional<FlagRef> flag = uploadFlagFor(f, i))
                if (database().uploadFlag(flag->group, flag->index))
                    database().saved = false;
}

std::vector<ListEntry> SpecialCodesModel::userDtmfMacroEntries() {
    std::vector<ListEntry> entries{{kNone, 0}};
    for (const ListEntry& e : macroNumberEntries()) entries.push_back(e);
    return entries;
}

std::vector<ListEntry> SpecialCodesModel::macroNumberEntries() {
    return macroList().listEntries();
}

std::vector<ListEntry> SpecialCodesModel::autoDialSlotEntries() {
    std::vector<ListEntry> entries;
    for (int n = 1; n <= kAutoDialSlots; ++n) entries.push_back({std::to_string(n), n});
    return entries;
}

}  // namespace kelp
