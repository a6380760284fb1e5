// The .dat keys, one row each, in the order the writer writes them, and the routines that
// turn key text into a setting's address and back.
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "core/database/controller_database.h"

namespace kelp {
namespace {

constexpr KeyDescriptor single(const char* section, const char* name) {
    return {section, name, KeyShape::Single, 1, 1};
}
constexpr KeyDescriptor perPort(const char* section, const char* name) {
    return {section, name, KeyShape::Indexed, 3, 3};
}
constexpr KeyDescriptor indexed(const char* section, const char* name, int count) {
    return {section, name, KeyShape::Indexed, count, count};
}
// Remote base memories, message macros and DTMF memories: the RTC option board enlarges them.
constexpr KeyDescriptor rtcIndexed(const char* section, const char* name, int count,
                                   int countWithoutRtc) {
    return {section, name, KeyShape::Indexed, count, countWithoutRtc};
}
constexpr KeyDescriptor courtesy(const char* name) {
    return {"Courtesy", name, KeyShape::Courtesy, kCourtesyTones, kCourtesyTones};
}

// clang-format off
constexpr KeyDescriptor kKeys[] = {
    perPort("Timers", "HangTime1"),
    perPort("Timers", "HangTime2"),
    perPort("Timers", "HangTime3"),
    perPort("Timers", "TimeOut"),
    perPort("Timers", "TOTReset"),
    perPort("Timers", "TOTResetTimer"),
    perPort("Timers", "IIDTime"),
    perPort("Timers", "PIDTime"),
    perPort("Timers", "InActiveTime"),
    perPort("Timers", "InActivityMacro"),
    perPort("Timers", "DTMFTime"),
    perPort("Timers", "CTCSSTime"),
    perPort("Timers", "KerchunkTime"),
    perPort("Timers", "KerchunkTimeout"),
    perPort("Timers", "IDSpeakTime"),
    perPort("PortSwitches", "TailMessageNum"),
    perPort("Timers", "AnnounceTime"),
    perPort("PortSwitches", "TailCounter"),
    perPort("PortSwitches", "P1MessageNum"),
    perPort("PortSwitches", "P2MessageNum"),
    perPort("PortSwitches", "P3MessageNum"),
    perPort("Timers", "AuxTime"),
    indexed("Alarms", "GeneralTimer", 6),
    indexed("Alarms", "GeneralTimerMacro", 6),
    single("Timers", "FanTime"),
    single("Timers", "FanSelect"),
    single("Timers", "XmtDelay"),
    single("Timers", "TimeoutLink"),
    indexed("Alarms", "AlarmLowMacroNum", 5),
    indexed("Alarms", "AlarmHighMacroNum", 5),
    indexed("PortSwitches", "Alarm", 5),
    indexed("Scheduler", "DOW", 20),
    indexed("Scheduler", "Monthly", 20),
    indexed("Scheduler", "Week", 20),
    indexed("Scheduler", "Hours", 20),
    indexed("Scheduler", "Minutes", 20),
    indexed("Scheduler", "MacroToRun", 20),
    single("Scheduler", "TwentyFour"),
    single("Scheduler", "SayHour"),
    single("Scheduler", "SayYear"),
    single("Scheduler", "ClockCorrection"),
    indexed("Analog", "Meter", 8),
    indexed("Analog", "RealLow", 8),
    indexed("Analog", "MeterLow", 8),
    indexed("Analog", "RealHigh", 8),
    indexed("Analog", "MeterHigh", 8),
    single("Analog", "Vref"),
    indexed("Analog", "MeterAlarmType", 8),
    indexed("Analog", "MeterNum", 8),
    indexed("Analog", "MeterSetPoint", 8),
    indexed("Analog", "MeterMacro", 8),
    single("Remote", "RadioType"),
    single("Remote", "YaesuType"),
    single("Remote", "RemoteBasePrefix"),
    rtcIndexed("Remote", "FreqString", 40, 10),
    rtcIndexed("Remote", "CTCSS", 40, 10),
    rtcIndexed("Remote", "CTCSSMode", 40, 10),
    rtcIndexed("Remote", "RadioMode", 40, 10),
    perPort("ID", "VoiceID1"),
    perPort("ID", "VoiceID2"),
    perPort("ID", "VoiceID3"),
    perPort("ID", "CWID1"),
    perPort("ID", "CWID2"),
    perPort("ID", "CWSpeed"),
    perPort("ID", "CWTone1"),
    perPort("ID", "CWTone2"),
    perPort("ID", "SpeechEnable"),
    perPort("ID", "ConstantID"),
    perPort("IDExtras", "ID1Extras"),
    perPort("IDExtras", "ID2Extras"),
    perPort("IDExtras", "ID3Extras"),
    single("Unlock", "DTMFRegenPrefix"),
    single("Unlock", "DTMFPort"),
    single("Unlock", "DTMFSpeech"),
    single("Autopatch", "APPrefix"),
    single("Autopatch", "AnswerCode"),
    indexed("Autopatch", "AutoDial", 200),
    indexed("Autopatch", "TollRestrict", 100),
    single("Autopatch", "RingNumber"),
    single("Autopatch", "APTimeOut"),
    single("Autopatch", "EnablePatch"),
    single("Autopatch", "PatchMute"),
    single("PadTest", "DTMFTestPrefix"),
    single("PreAccess", "PreAccessPrefix"),
    single("PreProgram", "PreProgramPrefix"),
    single("MacroSubset", "MacroSubset"),
    single("MacroSubset", "MacroSubsetEnable"),
    single("DTMFMuteDigitSelect", "DTMFMuteDigitSelect"),
    single("WindDirectionSelect", "WindDirectionSelect"),
    single("DR1Select", "DR1Select"),
    indexed("Macros", "Macro", 40),
    indexed("Macros", "MacroCode", 40),
    indexed("Macros", "ShortMacro", 50),
    indexed("Macros", "ShortMacroCode", 50),
    indexed("Macros", "PortToAllow", 90),
    rtcIndexed("MessageMacros", "MessageMacro", 70, 40),
    perPort("Macros", "RcvMacroActive"),
    perPort("Macros", "RcvMacroInactive"),
    courtesy("Delay1"),
    courtesy("Delay2"),
    courtesy("Delay3"),
    courtesy("Delay4"),
    courtesy("Dur1"),
    courtesy("Dur2"),
    courtesy("Dur3"),
    courtesy("Dur4"),
    courtesy("Tone1"),
    courtesy("Tone2"),
    courtesy("Tone3"),
    courtesy("Tone4"),
    courtesy("Tone5"),
    courtesy("Tone6"),
    courtesy("Tone7"),
    courtesy("Tone8"),
    rtcIndexed("DTMF", "DTMF", 50, 20),
    single("DTMF", "DTMFDur"),
    single("DTMF", "DTMFDelay"),
    perPort("PortSwitches", "TxEnable"),
    perPort("PortSwitches", "RxEnable"),
    perPort("PortSwitches", "FDup"),
    perPort("PortSwitches", "SpeechOverride"),
    perPort("PortSwitches", "SpeechIDOverride"),
    perPort("PortSwitches", "PLAccess"),
    perPort("PortSwitches", "DTMFEnable"),
    perPort("PortSwitches", "DTMFNeedPL"),
    perPort("PortSwitches", "DTMFMute"),
    perPort("PortSwitches", "DTMFCovertone"),
    perPort("PortSwitches", "MonMix"),
    perPort("PortSwitches", "Kerchunk"),
    perPort("PortSwitches", "CTCSSID"),
    perPort("PortSwitches", "CTCSSCT"),
    perPort("PortSwitches", "PLEncodePolarity"),
    perPort("PortSwitches", "COSClose"),
    perPort("PortSwitches", "IDStartSelect"),
    single("PortSwitches", "AllowTerminatorSpeech"),
    indexed("DVR", "DVRSeconds", 64),
    indexed("DVR", "DVRTracks", 20),
    indexed("DVR", "DVRRowsUsed", 20),
    perPort("Unlock", "CurrentPortUnlock"),
    perPort("Unlock", "NewPortUnlock"),
    single("Unlock", "Lock"),
    single("Unlock", "NewLock"),
    single("Unlock", "Terminator"),
    single("Unlock", "NewTerminator"),
};
// clang-format on

using KeyIndex = std::unordered_map<std::string_view, const KeyDescriptor*>;

const KeyIndex& keyIndex() {
    static const KeyIndex index = [] {
        KeyIndex built;
        const auto& table = keyTable();
        built.reserve(table.size());
        for (const KeyDescriptor& key : table) built.emplace(key.name, &key);
        return built;
    }();
    return index;
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

[[noreturn]] void malformed(std::string_view keyText, const char* why) {
    throw std::invalid_argument("setting key " + quoted(keyText) + ": " + why);
}

[[noreturn]] void unknownKey(std::string_view name) {
    throw std::out_of_range("no setting key " + quoted(name));
}

[[noreturn]] void indexOutOfRange(std::string_view name, const char* what, int value) {
    throw std::out_of_range(std::string(what) + " " + std::to_string(value) +
                            " out of range for setting key " + quoted(name));
}

bool isNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// "P2Tone5" → the Tone5 row and port 2; nullptr when the name is not of that form.
const KeyDescriptor* splitCourtesyName(std::string_view name, int& port) {
    if (name.size() < 3 || name[0] != 'P' || name[1] < '0' || name[1] > '9')
        return nullptr;
    const KeyDescriptor* key = findKey(name.substr(2));
    if (key == nullptr || key->shape != KeyShape::Courtesy)
        return nullptr;
    port = name[1] - '0';
    return key;
}

}  // namespace

const std::vector<KeyDescriptor>& keyTable() {
    static const std::vector<KeyDescriptor> table(std::begin(kKeys), std::end(kKeys));
    return table;
}

const KeyDescriptor* findKey(std::string_view name) {
    const KeyIndex& index = keyIndex();
    auto found = index.find(name);
    return found == index.end() ? nullptr : found->second;
}

std::size_t keyRow(const KeyDescriptor& key) {
    return static_cast<std::size_t>(&key - keyTable().data());
}

KeyRef resolveCourtesyKey(std::string_view name, int port, int tone) {
    const KeyDescriptor* key = findKey(name);
    if (key == nullptr)
        unknownKey(name);
    if (key->shape != KeyShape::Courtesy)
        throw std::invalid_argument("setting key " + quoted(name) + " is not a courtesy tone key");
    if (port < 1 || port > kCourtesyPorts)
        indexOutOfRange(name, "port", port);
    if (tone < 1 || tone > key->count)
        indexOutOfRange(name, "courtesy tone", tone);
    return {key, port, tone};
}

KeyRef resolveKey(std::string_view name, int index) {
    if (const KeyDescriptor* key = findKey(name)) {
        switch (key->shape) {
            case KeyShape::Single:
                if (index != 0 && index != 1)
                    indexOutOfRange(name, "index", index);
                return {key, 0, 0};
            case KeyShape::Indexed:
                if (index < 1 || index > key->count)
                    indexOutOfRange(name, "index", index);
                return {key, 0, index};
            case KeyShape::Courtesy:
                throw std::invalid_argument("courtesy tone key " + quoted(name) + " needs a port");
        }
    }
    int port = 0;
    if (const KeyDescriptor* key = splitCourtesyName(name, port)) {
        if (port < 1 || port > kCourtesyPorts)
            indexOutOfRange(name, "port", port);
        if (index < 1 || index > key->count)
            indexOutOfRange(name, "courtesy tone", index);
        return {key, port, index};
    }
    unknownKey(name);
}

KeyRef parseKey(std::string_view text) {
    const std::size_t open = text.find('(');
    const std::string_view name = text.substr(0, open);
    if (name.empty())
        malformed(text, "no name");
    for (char c : name)
        if (!isNameCharacter(c))
            malformed(text, "the name holds a character other than a letter or digit");

    if (open == std::string_view::npos) {
        // Only a single key is written without an index.
        const KeyDescriptor* key = findKey(name);
        int port = 0;
        if (key == nullptr && splitCourtesyName(name, port) == nullptr)
            unknownKey(name);
        if (key == nullptr || key->shape != KeyShape::Single)
            malformed(text, "the index is missing");
        return {key, 0, 0};
    }

    if (text.back() != ')')
        malformed(text, "the index does not end with ')'");
    const std::string_view digits = text.substr(open + 1, text.size() - open - 2);
    if (digits.empty())
        malformed(text, "the index is empty");
    for (char c : digits)
        if (c < '0' || c > '9')
            malformed(text, "the index is not a decimal number");
    if (digits.size() > 1 && digits[0] == '0')
        malformed(text, "the index has a leading zero");
    // Anything this long is far beyond every array; keep it from overflowing int.
    if (digits.size() > 6)
        throw std::out_of_range("index out of range in setting key " + quoted(text));
    int index = 0;
    for (char c : digits) index = index * 10 + (c - '0');
    return resolveKey(name, index);
}

std::string keyText(std::string_view name, int index) {
    const KeyRef ref = resolveKey(name, index);
    switch (ref.key->shape) {
        case KeyShape::Single:
            return ref.key->name;
        case KeyShape::Indexed:
            return std::string(ref.key->name) + "(" + std::to_string(ref.index) + ")";
        case KeyShape::Courtesy:
            break;
    }
    return courtesyKeyText(ref.key->name, ref.port, ref.index);
}

std::string courtesyKeyText(std::string_view name, int port, int tone) {
    const KeyRef ref = resolveCourtesyKey(name, port, tone);
    return "P" + std::to_string(ref.port) + ref.key->name + "(" + std::to_string(ref.index) + ")";
}

}  // namespace kelp
