#include "core/editors/dtmf_settings_model.h"

#include <cctype>

#include "core/catalogues/choice_lists.h"
#include "core/database/area_checks.h"
#include "core/database/field_checks.h"

namespace kelp {

namespace {

const char* const kMemoryKey = "DTMF";
const char* const kNoneStored = "NONE STORED";

std::string withoutSpaces(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != ' ')
            digits += c;
    return digits;
}

std::string upperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string memoryTitle(int memory) {
    return "DTMF Memory " + std::to_string(memory);
}

FieldSpec memoryField(int count) {
    FieldSpec f;
    f.key = kMemoryKey;
    f.indexing = FieldIndexing::Indexed;
    f.count = count;
    f.kind = FieldKind::Text;
    f.marker = 1;
    f.numeric = false;
    f.flag = UploadFlag::DtmfMemory;
    f.emptyText = emptyTextIs(kNoneStored);
    f.check = [](const EditorModel& m, int memory) -> std::optional<Notice> {
        const std::string& value = m.value(kMemoryKey, memory);
        if (!dtmfMemoryCheck(value))
            return Notice{memoryTitle(memory),
                          "Invalid DTMF String or DTMF String contains more characters than " +
                              std::to_string(kDtmfMemoryDigits)};
        if (value == kNoneStored)
            return std::nullopt;
        // A terminator waiting to be sent would cut the memory's command short once it is
        // the controller's terminator, so such a memory cannot be taken at all.
        const std::string& pending = m.database().get("NewTerminator");
        if (!pending.empty() && withoutSpaces(value).find(pending) != std::string::npos)
            return Notice{memoryTitle(memory),
                          "The DTMF string may not contain the character that is going to be "
                          "uploaded to the controller as your new Terminator Digit ('" +
                              pending + "')"};
        return std::nullopt;
    };
    return f;
}

FieldSpec parameterField(const char* key, int marker, UploadFlag flag, const std::string& word) {
    FieldSpec f;
    f.key = key;
    f.indexing = FieldIndexing::Single;
    f.kind = FieldKind::Text;
    f.marker = marker;
    f.flag = flag;
    f.check = [key, word](const EditorModel& m, int) -> std::optional<Notice> {
        constexpr std::int16_t low = 1;
        constexpr std::int16_t high = 255;
        if (numericFieldCheck(m.value(key), low, high))
            return std::nullopt;
        return Notice{"DTMF Paramters: " + word,
                      "DTMF Paramaters: " + word + " is invalid.  Must be integer number between " +
                          std::to_string(low) + " and " + std::to_string(high)};
    };
    return f;
}

}  // namespace

std::vector<FieldSpec> dtmfSettingsFields(int memoryCount) {
    return {
        memoryField(memoryCount),
        parameterField("DTMFDur", 2, UploadFlag::DtmfDuration, "Duration"),
        parameterField("DTMFDelay", 3, UploadFlag::DtmfDelay, "Delay"),
    };
}

DtmfSettingsModel::DtmfSettingsModel(ControllerDatabase& database)
    : EditorModel(database, Area::Dtmf,
                  // Without the RTC option board the controller has no memories 21-50.
                  dtmfSettingsFields(usedCount(*findKey(kMemoryKey), database.hasRtc)),
                  // The memory pages are not port tabs.
                  0) {}

int DtmfSettingsModel::memories() const {
    return field(kMemoryKey).count;
}

std::string DtmfSettingsModel::shownMemory(const std::string& value) {
    return normaliseDtmfMemory(value);
}

std::string DtmfSettingsModel::enteredMemoryText(int memory) const {
    const std::string& v = value(kMemoryKey, memory);
    return v == kNoneStored ? std::string() : shownMemory(v);
}

std::string DtmfSettingsModel::tidied(int memory) const {
    const std::string& v = value(kMemoryKey, memory);
    if (v.empty())
        return kNoneStored;
    // A value still as the database holds it is left in the database's own form.
    if (v == stored(kMemoryKey, memory))
        return v;
    return normaliseDtmfMemory(upperCase(v));
}

void DtmfSettingsModel::tidyMemory(int memory) {
    const std::string tidy = tidied(memory);
    if (tidy != value(kMemoryKey, memory))
        editText(kMemoryKey, memory, tidy);
}

std::optional<Notice> DtmfSettingsModel::leaveMemory(int memory) {
    tidyMemory(memory);
    return leaveField(kMemoryKey, memory);
}

void DtmfSettingsModel::tidyMemories() {
    for (int n = 1; n <= memories(); ++n) setValue(kMemoryKey, n, tidied(n));
}

std::optional<Notice> DtmfSettingsModel::beforeApply() {
    tidyMemories();
    return std::nullopt;
}

std::optional<Notice> DtmfSettingsModel::terminatorWarning(int memory) const {
    const std::string& v = value(kMemoryKey, memory);
    const std::string& terminator = database().get("Terminator");
    // "NONE STORED" holds a "D" but no digit at all.
    if (v == kNoneStored || terminator.empty() || !dtmfMemoryCheck(v))
        return std::nullopt;
    if (withoutSpaces(v).find(terminator) == std::string::npos)
        return std::nullopt;
    return Notice{"DTMF Strings",
                  "*** WARNING  WARNING  WARNING ***\r\n"
                  "The DTMF string contains the character that is presently defined as your "
                  "DTMF Terminator ('" +
                      terminator +
                      "')\r\n\r\n"
                      "Change the Terminator before trying to upload the new DTMF strings or "
                      "else change the DTMF strings\r\n"
                      "Failure to do so will result in loss of your new DTMF strings"};
}

std::optional<std::string> DtmfSettingsModel::withDigitAdded(const std::string& shown,
                                                             int position) {
    if (position < 1 || position > dtmfDigitList().size())
        return std::nullopt;
    const std::string digits = shown == kNoneStored ? std::string() : withoutSpaces(shown);
    if (static_cast<int>(digits.size()) >= kDtmfMemoryDigits)
        return std::nullopt;
    return normaliseDtmfMemory(upperCase(digits) + dtmfDigitList().entry(position).stored);
}

}  // namespace kelp
