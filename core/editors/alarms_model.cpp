#include "core/editors/alarms_model.h"

#include <cctype>

#include "core/database/area_checks.h"
#include "core/database/field_checks.h"

namespace kelp {

namespace {

const char* const kCrLf = "\r\n";
const char* const kNone = "NONE";
const char* const kDefaultPrefix = "A7";
const char* const kNoPrefix = "No Prefix";

FieldSpec choiceField(std::string key, int count, UploadFlag flag, bool twoDigits = false,
                      int flagIndex = 0) {
    FieldSpec f;
    f.key = std::move(key);
    f.indexing = count > 1 ? FieldIndexing::Indexed : FieldIndexing::Single;
    f.count = count;
    f.kind = FieldKind::List;
    f.numeric = false;
    f.twoDigits = twoDigits;
    f.flag = flag;
    f.flagIndex = flagIndex;
    return f;
}

std::string memoryLine(int memory) {
    return "Remote Base Memory " + std::to_string(memory) + kCrLf;
}

std::string padLeft(std::string text, std::size_t width) {
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

}  // namespace

std::vector<FieldSpec> alarmsFields() {
    using U = UploadFlag;
    constexpr int kAlarms = AlarmsModel::kAlarms;
    constexpr int kMemories = AlarmsModel::kMemories;
    std::vector<FieldSpec> f;
    {
        FieldSpec enabled = choiceField("Alarm", kAlarms, U::LogicAlarmEnable);
        enabled.kind = FieldKind::Check;
        f.push_back(std::move(enabled));
    }
    f.push_back(choiceField("AlarmLowMacroNum", kAlarms, U::AlarmLowMacro, true));
    f.push_back(choiceField("AlarmHighMacroNum", kAlarms, U::AlarmHighMacro, true));
    // The radio type and the Yaesu type travel together as one group.
    f.push_back(choiceField("RadioType", 1, U::RadioType));
    f.push_back(choiceField("YaesuType", 1, U::RadioType));
    {
        FieldSpec prefix;
        prefix.key = "RemoteBasePrefix";
        prefix.kind = FieldKind::Text;
        prefix.numeric = false;
        prefix.marker = AlarmsModel::kPrefixMarker;
        prefix.flag = U::RemoteBasePrefix;
        prefix.check = [](const EditorModel& m, int) -> std::optional<Notice> {
            if (dtmfDigitStringCheck(m.value("RemoteBasePrefix"), 1, 5))
                return std::nullopt;
            return Notice{"Remote Base Prefix",
                          "Remote Base Setup: Remote Base Prefix is invalid.  Must be 1-5 valid "
                          "DTMF characters"};
        };
        f.push_back(std::move(prefix));
    }
    // All memories are one upload group. The frequency box and the offset buttons are the
    // model's own (they share FreqString), so the framework treats FreqString as a choice.
    f.push_back(choiceField("FreqString", kMemories, U::RemoteBaseMemories, false, 1));
    {
        FieldSpec ctcss = choiceField("CTCSS", kMemories, U::RemoteBaseMemories, false, 1);
        ctcss.kind = FieldKind::Text;
        ctcss.marker = AlarmsModel::kCtcssMarker;
        ctcss.check = [](const EditorModel& m, int memory) -> std::optional<Notice> {
            const std::string& code = m.value("CTCSS", memory);
            if (ctcssCheck(code, memory))
                return std::nullopt;
            if (code == kNone)
                return Notice{"Remote Base CTCSS",
                              memoryLine(memory) +
                                  "Remote Base Memory: CTCSS is required for Remote Base "
                                  "Memories 1-10"};
            return Notice{"Remote Base CTCSS",
                          memoryLine(memory) +
                              "Remote Base Memory: CTCSS code invalid, must be between numeric "
                              "and must be valid for the radio"};
        };
        f.push_back(std::move(ctcss));
    }
    f.push_back(choiceField("CTCSSMode", kMemories, U::RemoteBaseMemories, false, 1));
    f.push_back(choiceField("RadioMode", kMemories, U::RemoteBaseMemories, false, 1));
    return f;
}

AlarmsModel::AlarmsModel(ControllerDatabase& database)
    : EditorModel(database, Area::AlarmsRemoteBase, alarmsFields()),
      frequency_(kMemories),
      offset_(kMemories) {}

int AlarmsModel::memoryCount() const {
    return usedCount(*findKey("FreqString"), database().hasRtc);
}

void AlarmsModel::split(const std::string& stored, std::string& frequency, std::string& offset) {
    // A memory out of use is "NONE" for both. A memory that was applied half in use keeps its
    // "NONE" part whole, so that it reads back as it was written.
    if (stored == kNone) {
        frequency = offset = kNone;
    } else if (stored.size() > 4 && stored.compare(stored.size() - 4, 4, kNone) == 0) {
        frequency = stored.substr(0, stored.size() - 4);
        offset = kNone;
    } else if (stored.empty()) {
        frequency.clear();
        offset.clear();
    } else {
        frequency = stored.substr(0, stored.size() - 1);
        offset = stored.substr(stored.size() - 1);
    }
}

void AlarmsModel::afterLoad() {
    for (int m = 1; m <= kMemories; ++m)
        split(value("FreqString", m), frequency_[m - 1], offset_[m - 1]);
    lastMemory_ = 1;
    lastCtcss_ = 1;
}

void AlarmsModel::joinFrequency(int memory) {
    const std::string& f = frequency_.at(memory - 1);
    const std::string& o = offset_.at(memory - 1);
    setValue("FreqString", memory, f == kNone && o == kNone ? std::string(kNone) : f + o);
}

const std::string& AlarmsModel::frequency(int memory) const {
    return frequency_.at(memory - 1);
}
const std::string& AlarmsModel::offset(int memory) const {
    return offset_.at(memory - 1);
}

bool AlarmsModel::frequencyDiffers(int memory) const {
    std::string f, o;
    split(stored("FreqString", memory), f, o);
    return frequency(memory) != f;
}

bool AlarmsModel::offsetDiffers(int memory) const {
    std::string f, o;
    split(stored("FreqString", memory), f, o);
    return offset(memory) != o;
}

void AlarmsModel::editFrequency(int memory, const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    frequency_.at(memory - 1) = first == std::string::npos
                                    ? std::string()
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
    joinFrequency(memory);
    lastMemory_ = memory;
    database().setChangeMarker(area(), kFrequencyMarker);
}

void AlarmsModel::editOffset(int memory, int code) {
    offset_.at(memory - 1) = std::to_string(code);
    joinFrequency(memory);
    database().setChangeMarker(area(), 0);
}

std::optional<Notice> AlarmsModel::leaveFrequency(int memory) {
    if (frequency(memory).empty())
        editFrequency(memory, "0");
    const std::string& f = frequency(memory);
    if (f == kNone && memory <= kRequiredRemoteMemories)
        return Notice{"Remote Base Frequency",
                      memoryLine(memory) +
                          "Remote Base Memory: Frequency is required for Remote Base Memories "
                          "1-10"};
    if (!remoteFrequencyCheck(f, memory))
        return Notice{
            "Remote Base Frequency",
            memoryLine(memory) + "Remote Base Memory: Frequency is invalid.  Must be numeric"};
    // The controller takes six frequency digits; a seventh would be read as the offset.
    if (f != kNone && f.size() > 6)
        return Notice{"Remote Base Frequency",
                      memoryLine(memory) +
                          "Remote Base Memory: Frequency is invalid.  Must be at most 6 digits"};
    if (f != kNone && f.size() < 6) {
        frequency_.at(memory - 1) = padLeft(f, 6);
        joinFrequency(memory);
    }
    return std::nullopt;
}

void AlarmsModel::editCtcss(int memory, const std::string& text) {
    editText("CTCSS", memory, text);
    lastCtcss_ = memory;
}

std::optional<Notice> AlarmsModel::leaveCtcss(int memory) {
    if (auto refusal = leaveField("CTCSS", memory))
        return refusal;
    const std::string& code = value("CTCSS", memory);
    if (code != kNone && code.size() < 2)
        setValue("CTCSS", memory, padLeft(code, 2));
    return std::nullopt;
}

AlarmsModel::PrefixLeave AlarmsModel::leavePrefix() {
    if (value("RemoteBasePrefix").empty())
        editText("RemoteBasePrefix", 0, kDefaultPrefix);
    // DTMF letters are stored in upper case, as the DTMF memories store them.
    std::string upper = value("RemoteBasePrefix");
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper != value("RemoteBasePrefix"))
        setValue("RemoteBasePrefix", 0, upper);
    PrefixLeave result;
    if (auto refusal = leaveField("RemoteBasePrefix", 0)) {
        result.notices.push_back(*refusal);
        result.refused = true;
        return result;
    }
    const std::string& prefix = value("RemoteBasePrefix");
    if (prefix == "0")  // no prefix
        return result;
    // The present terminator only matters until the next upload, so it is a warning; a
    // terminator waiting to be uploaded would cut the new prefix short for good, so it is
    // refused. A prefix holding both gets both boxes.
    const std::string& terminator = database().get("Terminator");
    if (!terminator.empty() && prefix.find(terminator) != std::string::npos)
        result.notices.push_back(Notice{
            "Remote Base Prefix",
            std::string("*** WARNING  WARNING  WARNING ***") + kCrLf +
                "The Remote Base Prefix string contains the character that is presently "
                "defined as your DTMF Terminator ('" +
                terminator + "')" + kCrLf + kCrLf +
                "Change the Terminator before trying to upload the new Remote Base Prefix or "
                "else change the Remote Base Terminator" +
                kCrLf + "Failure to do so will result in loss of your new Remote Base Prefix"});
    const std::string& pending = database().get("NewTerminator");
    if (!pending.empty() && prefix.find(pending) != std::string::npos) {
        result.notices.push_back(Notice{"Remote Base Prefix",
                                        "The Remote Base Prefix string may not contain the "
                                        "character that is going to be uploaded to the "
                                        "controller as your new Terminator Digit ('" +
                                            pending + "')"});
        result.refused = true;
    }
    return result;
}

bool AlarmsModel::clearMemory(int memory) {
    if (memory <= kRequiredRemoteMemories || memory > memoryCount())
        return false;
    frequency_.at(memory - 1) = kNone;
    offset_.at(memory - 1) = kNone;
    joinFrequency(memory);
    for (const char* key : {"CTCSS", "CTCSSMode", "RadioMode"}) setValue(key, memory, kNone);
    database().setChangeMarker(area(), 0);
    return true;
}

AlarmsModel::ApplyResult AlarmsModel::applyChanges() {
    ApplyResult result;
    forgetRefusedEntry();
    // An emptied prefix box left unchecked (another control was edited after it) must not
    // reach the database empty: it takes the default, as leaving the box would have.
    if (value("RemoteBasePrefix").empty())
        setValue("RemoteBasePrefix", 0, kDefaultPrefix);
    // The box edited last is checked again first, as every window does.
    std::optional<Notice> refusal;
    switch (marker()) {
        case kPrefixMarker: {
            PrefixLeave leave = leavePrefix();
            if (leave.refused)
                refusal = leave.notices.back();
            break;
        }
        case kFrequencyMarker:
            refusal = leaveFrequency(lastMemory_);
            break;
        case kCtcssMarker:
            refusal = leaveCtcss(lastCtcss_);
            break;
        default:
            break;
    }
    if (refusal) {
        result.notices = {*refusal, Notice{kApplyFailTitle, kApplyFailText}};
        return result;
    }
    if (value("RadioType") == "3" && value("YaesuType") == "0") {
        result.notices.push_back(
            Notice{"Yaesu Type", "Yaesu Type required with Radio Type: Yaesu"});
        return result;
    }
    std::string numbers;
    std::string example;
    std::vector<int> halfUsed;
    for (int m = 1; m <= memoryCount(); ++m) {
        const std::string parts[] = {frequency(m), offset(m), value("CTCSS", m),
                                     value("CTCSSMode", m), value("RadioMode", m)};
        int unused = 0;
        for (const std::string& p : parts) unused += p == kNone ? 1 : 0;
        if (unused == 0 || unused == 5)
            continue;
        halfUsed.push_back(m);
        numbers += (numbers.empty() ? "" : ", ") + std::to_string(m);
        example = "Remote Base Memory = " + std::to_string(m) + kCrLf + "  Freq = '" + parts[0] +
                  "'" + kCrLf + "  Offset = '" + parts[1] + "'" + kCrLf + "  CTCSS = '" + parts[2] +
                  "'" + kCrLf + "  CTCSS Mode = '" + parts[3] + "'" + kCrLf + "  Radio Mode = '" +
                  parts[4] + "'";
    }
    if (!numbers.empty())
        result.notices.push_back(Notice{
            "Remote Base Error",
            std::string("WARNING") + kCrLf + kCrLf +
                "Data for Remote Base Memories is inconsistent.  Some of the parameters for a "
                "memory have been entered and some have not been entered (value of 'NONE')." +
                kCrLf + "For example: " + kCrLf + example + kCrLf + kCrLf +
                "Data for the following Remote Base Memories is inconsistent and data for these "
                "individual memories will not be uploaded to the controller:" +
                kCrLf + numbers});
    // The box promises that these memories are not uploaded: they are stored as not in use,
    // so that no later upload (nor a file read back) can send half a memory.
    for (int m : halfUsed) clearMemory(m);
    std::vector<Notice> failed = apply();
    if (!failed.empty()) {
        result.notices.insert(result.notices.end(), failed.begin(), failed.end());
        return result;
    }
    result.applied = true;
    return result;
}

std::string AlarmsModel::prefixShown(const std::string& value) {
    return value == "0" ? std::string(kNoPrefix) : value;
}

std::string AlarmsModel::prefixValue(const std::string& shown) {
    return shown == kNoPrefix ? std::string("0") : shown;
}

const std::vector<ListEntry>& AlarmsModel::radioTypes() {
    static const std::vector<ListEntry> list{{"Kenwood Serial", 1},
                                             {"Icom", 2},
                                             {"Yaesu", 3},
                                             {"Kenwood V7A", 4},
                                             {"Tarvel", 5},
                                             {"Kenwood G707", 7},
                                             {"Kenwood TM-271/281", 8},
                                             {"Kenwood TM-V71/D710", 9}};
    return list;
}

const std::vector<ListEntry>& AlarmsModel::yaesuTypes() {
    static const std::vector<ListEntry> list{{"Non-Yaesu", 0}, {"FT-100D", 1}, {"FT-817", 2},
                                             {"FT-847", 3},    {"FT-857", 4},  {"FT-897", 5}};
    return list;
}

}  // namespace kelp
