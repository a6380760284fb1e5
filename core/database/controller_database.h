// The one in-memory copy of every QZ740 setting, with the process-wide state that the
// editors, the file loader and writer, the upload and the download share.
//
// Every setting is text in exactly its .dat form. A setting is named by its .dat key
// name; indexed settings are 1-based arrays at their largest size (the RTC option board
// only decides how many entries are loaded, saved and sent).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelp {

// How a key is indexed in the .dat file.
enum class KeyShape {
    Single,    // "FanTime"
    Indexed,   // "HangTime1(2)", "Macro(40)" — 1..count
    Courtesy,  // "P2Tone5(10)" — port 1..3 by courtesy tone 1..count
};

// One row per .dat key, in the order the writer writes them. The database file code
// extends the rows' use with checks, defaults and report words kept beside this table.
struct KeyDescriptor {
    const char* section;  // without brackets: "Timers"
    const char* name;     // "HangTime1", "Tone5" (courtesy keys get "P<port>" in front)
    KeyShape shape;
    int count;            // entries (1 for Single); courtesy: tones per port
    int countWithoutRtc;  // entries without the RTC option board (== count when it does not matter)
};

// Every key of every area, in writer order.
const std::vector<KeyDescriptor>& keyTable();
// The row for a key name (case-sensitive, as written in code), or nullptr. Courtesy keys are
// found by their plain name ("Tone5"), not by the "P2Tone5" form of the file.
const KeyDescriptor* findKey(std::string_view name);
// The row's position in keyTable(), so that tables kept beside it (checks, defaults, report
// words) can be indexed in the same order.
std::size_t keyRow(const KeyDescriptor& key);

// How many entries of the key the controller has: countWithoutRtc unless the RTC option
// board is present.
inline int usedCount(const KeyDescriptor& key, bool hasRtc) {
    return hasRtc ? key.count : key.countWithoutRtc;
}

// One setting's address: its row, the port (courtesy keys only, else 0) and the index (0 for
// single keys, 1..count otherwise).
struct KeyRef {
    const KeyDescriptor* key = nullptr;
    int port = 0;
    int index = 0;
};

// The address of a setting named as get() takes it: a key name with an index (0 or 1 for a
// single key, 1..count otherwise), or a courtesy key in its "P2Tone5" form with the tone as
// index. Throws std::out_of_range for an unknown name or an index out of range, and
// std::invalid_argument for a courtesy key's plain name.
KeyRef resolveKey(std::string_view name, int index);
// A courtesy key by plain name ("Tone5"), port 1-3 and tone 1..count. Throws
// std::out_of_range for an unknown name, port or tone, std::invalid_argument for a name that
// is not a courtesy key.
KeyRef resolveCourtesyKey(std::string_view name, int port, int tone);

// Reads key text as the file writes it: "FanTime", "HangTime1(2)", "P3Tone8(10)".
// Text that is not of that form throws std::invalid_argument (no index on an indexed key, an
// index on a courtesy key's bare name, empty or non-digit or zero-led index, text after ")");
// an unknown name or an index or port out of range throws std::out_of_range. A single key
// also accepts "(0)" or "(1)", as get() accepts those indices.
KeyRef parseKey(std::string_view keyText);

// The file's key text for an address, the inverse of parseKey: "FanTime", "HangTime1(2)",
// "P3Tone8(10)". Throws like parseKey for an unknown name or an index out of range.
std::string keyText(std::string_view name, int index = 0);
std::string courtesyKeyText(std::string_view name, int port, int tone);

// Upload change flags: one group per setting group that the upload sends as a unit.
// Each group is an array of flags (1-based); groups of one flag use index 0 or 1.
enum class UploadFlag : int {
    // Timers
    HangTimers,            // per port: HangTime1-3
    TimeoutTimer,          // per port: TimeOut
    TotResetPoint,         // per port: TOTReset
    TotResetTimer,         // per port: TOTResetTimer
    InitialIdTimer,        // per port: IIDTime
    PendingIdTimer,        // per port: PIDTime
    InactivityTimer,       // per port: InActiveTime
    InactivityMacro,       // per port: InActivityMacro
    DtmfMuteTimer,         // per port: DTMFTime
    EncodeTimer,           // per port: CTCSSTime
    KerchunkTimer,         // per port: KerchunkTime
    KerchunkTimeout,       // per port: KerchunkTimeout
    PendingIdSpeechTimer,  // per port: IDSpeakTime
    TailTimer,             // per port: AnnounceTime
    TailCounter,           // per port: TailCounter
    TailMessageNumber,     // per port: TailMessageNum
    TailMessageMacros,     // per port: P<port>MessageNum(1-3)
    AuxAudioTimer,         // timer 1-3: AuxTime
    GeneralTimer,          // timer 1-6: GeneralTimer, GeneralTimerMacro
    FanTimer,              // FanTime
    FanSelect,             // FanSelect
    TransmitDelay,         // XmtDelay
    TimeoutLink,           // TimeoutLink

    // Courtesy tones: one table per segment, port 1-3 by courtesy tone 1-10, indexed by
    // courtesyFlagIndex(port, tone). Segment s covers Delay<s>, Dur<s>, Tone<2s-1>, Tone<2s>.
    CourtesySegment1,
    CourtesySegment2,
    CourtesySegment3,
    CourtesySegment4,

    // Macros
    MacroFunctions,       // macro 1-40: Macro
    MacroCode,            // macro 1-40: MacroCode
    ShortMacroFunctions,  // short macro 1-50: ShortMacro
    ShortMacroCode,       // short macro 1-50: ShortMacroCode
    PortToAllow,          // macro 1-90: PortToAllow
    RcvMacroActive,       // per port: RcvMacroActive
    RcvMacroInactive,     // per port: RcvMacroInactive

    // Scheduler
    SchedulerSetpoint,  // setpoint 1-20: DOW, Monthly, Week, Hours, Minutes, MacroToRun
    SayYear,            // SayYear
    SayHour,            // SayHour
    TwentyFour,         // TwentyFour
    ClockCorrection,    // ClockCorrection

    // Analog
    MeterSetup,  // meter 1-8: Meter, RealLow, MeterLow, RealHigh, MeterHigh; kVrefFlagIndex: Vref
    MeterAlarm,  // alarm 1-8: MeterNum, MeterAlarmType, MeterSetPoint, MeterMacro

    // Identification, all per port
    VoiceId1,    // VoiceID1
    VoiceId2,    // VoiceID2
    VoiceId3,    // VoiceID3
    CwId1,       // CWID1
    CwId2,       // CWID2
    CwSpeed,     // CWSpeed
    CwTone1,     // CWTone1
    CwTone2,     // CWTone2
    SpeechIds,   // SpeechEnable
    ConstantId,  // ConstantID
    IdExtras1,   // ID1Extras
    IdExtras2,   // ID2Extras
    IdExtras3,   // ID3Extras

    // Message macros
    MessageMacro,  // message 1-70: MessageMacro

    // DTMF settings
    DtmfMemory,    // memory 1-50: DTMF
    DtmfDuration,  // DTMFDur
    DtmfDelay,     // DTMFDelay

    // Alarms and remote base
    LogicAlarmEnable,    // alarm 1-5: Alarm
    AlarmLowMacro,       // alarm 1-5: AlarmLowMacroNum
    AlarmHighMacro,      // alarm 1-5: AlarmHighMacroNum
    RadioType,           // RadioType and YaesuType
    RemoteBasePrefix,    // RemoteBasePrefix
    RemoteBaseMemories,  // every FreqString, CTCSS, CTCSSMode, RadioMode

    // Special codes and autopatch
    DtmfRegenerate,       // DTMFRegenPrefix, DTMFPort and DTMFSpeech together
    AutopatchPrefix,      // APPrefix
    AnswerCode,           // AnswerCode
    RingNumber,           // RingNumber
    AutopatchTimeout,     // APTimeOut
    PatchPorts,           // EnablePatch
    PatchMute,            // PatchMute
    AutoDial,             // slot 1-200: AutoDial
    TollRestrict,         // slot 1-100: TollRestrict
    PadTestPrefix,        // DTMFTestPrefix
    PreAccessCode,        // PreAccessPrefix
    PreCommandPrefix,     // PreProgramPrefix
    MacroSubset,          // MacroSubset
    MacroSubsetEnable,    // MacroSubsetEnable
    DtmfMuteDigit,        // DTMFMuteDigitSelect
    WindDirectionFormat,  // WindDirectionSelect
    Dr1Mode,              // DR1Select

    // Port switches, all per port except the last
    TransmitterEnable,      // TxEnable
    ReceiverEnable,         // RxEnable
    RepeaterMode,           // FDup
    DtmfEnable,             // DTMFEnable
    DtmfRequireTone,        // DTMFNeedPL
    DtmfMute,               // DTMFMute
    DtmfCovertone,          // DTMFCovertone
    MonitorMix,             // MonMix
    KerchunkFilter,         // Kerchunk
    SpeechOverride,         // SpeechOverride
    SpeechIdOverride,       // SpeechIDOverride
    AccessMode,             // PLAccess
    ToneEncodeDuringId,     // CTCSSID
    ToneEncodeTimerStart,   // CTCSSCT
    IdTimerStart,           // IDStartSelect
    DtmfEvaluateOnClosure,  // COSClose
    ToneEncodePolarity,     // PLEncodePolarity
    AllowTerminatorSpeech,  // AllowTerminatorSpeech (one flag)

    // Unlock codes: set by the unlock codes window, consumed by its Send and by a complete upload
    PortUnlock,      // per port: NewPortUnlock waiting to become CurrentPortUnlock
    LockCode,        // NewLock waiting to become Lock
    TerminatorCode,  // NewTerminator waiting to become Terminator

    Count_
};
constexpr int kUploadFlagGroupCount = static_cast<int>(UploadFlag::Count_);

// The courtesy segment tables hold port 1-3 by courtesy tone 1-10 as one 1-based array:
// index = (port - 1) * 10 + tone, so port 1 is 1-10, port 2 11-20, port 3 21-30.
constexpr int kCourtesyPorts = 3;
constexpr int kCourtesyTones = 10;
constexpr int courtesyFlagIndex(int port, int tone) {
    return (port - 1) * kCourtesyTones + tone;
}

// The reference voltage shares the meter set-up group as its ninth flag.
constexpr int kVrefFlagIndex = 9;

// One flag: its group and index (as uploadFlag() takes them).
struct FlagRef {
    UploadFlag group;
    int index = 0;
    bool operator==(const FlagRef& o) const { return group == o.group && index == o.index; }
};

struct UploadFlagDescriptor {
    UploadFlag flag;
    const char* name;  // for traces and tests: "HangTimers"
    int count;         // flags in the group (1 for a single flag)
};
// Every group in enumerator order: uploadFlagTable()[int(flag)].flag == flag.
const std::vector<UploadFlagDescriptor>& uploadFlagTable();
const UploadFlagDescriptor& uploadFlagDescriptor(UploadFlag group);

// The eleven editor areas in the order of the main window's tabs.
enum class Area : int {
    Timers = 0,
    Courtesy = 1,
    Macros = 2,
    Scheduler = 3,
    Analog = 4,
    Identification = 5,
    MessageMacros = 6,
    Dtmf = 7,
    AlarmsRemoteBase = 8,
    SpecialCodes = 9,
    PortSwitches = 10,
};
constexpr int kAreaCount = 11;

class ControllerDatabase {
  public:
    ControllerDatabase();

    // Setting access. index is 0 (or 1) for Single keys, 1..count otherwise; every array has
    // its largest size whatever the RTC option flag says. An unknown name or an index out of
    // range throws std::out_of_range; a courtesy key's plain name throws
    // std::invalid_argument (it needs a port: use courtesy(), or the "P2Tone5" form here).
    const std::string& get(std::string_view name, int index = 0) const;
    void set(std::string_view name, int index, std::string value);
    void set(std::string_view name, std::string value) { set(name, 0, std::move(value)); }

    // Courtesy tones by field name ("Delay1".."Dur4", "Tone1".."Tone8"), port 1-3, tone 1-10.
    const std::string& courtesy(std::string_view name, int port, int tone) const;
    void setCourtesy(std::string_view name, int port, int tone, std::string value);

    // Access by full key text as in the file: "HangTime1(2)", "P3Tone8(10)", "FanTime".
    // Malformed text throws as parseKey() does.
    const std::string& byKey(std::string_view keyText) const;
    void setByKey(std::string_view keyText, std::string value);

    // Upload change flags. index as for settings: 0 or 1 for single flags, 1..count otherwise
    // (courtesy segments: courtesyFlagIndex(port, tone)); out of range throws std::out_of_range.
    bool uploadFlag(UploadFlag group, int index = 0) const;
    void setUploadFlag(UploadFlag group, int index, bool on);
    bool anyUploadFlag() const;

    // Change markers, one per area: -1 none, 0 list/check edit, >0 the text field edited last.
    std::int16_t changeMarker(Area area) const { return markers_[static_cast<int>(area)]; }
    void setChangeMarker(Area area, std::int16_t value) {
        markers_[static_cast<int>(area)] = value;
    }

    // Empties the database: every setting but the DVR track table becomes "", every upload
    // flag false, firmware version empty, loaded false, saved true, markers -1. The RTC option
    // flag, the DVR write flag, the DVR track table and the current file are left alone.
    void reset();

    // True while every setting outside the DVR track table is empty: the database was reset
    // (or made) and nothing has been loaded or decoded into it since.
    bool holdsNoSettings() const;

    // Which database this is: a number no other reset or load has had. reset() and a load
    // that replaces the database take a new one, so that whatever follows the database (the
    // history of applied edits) sees that it was replaced, even where nobody told it.
    std::uint64_t generation() const { return generation_; }
    void takeNewGeneration();

    // Database-wide state.
    std::string currentFile;        // full path of the .dat being edited, "" when none
    bool saved = true;              // no changes outside the current file
    bool loaded = false;            // a file or download has been loaded completely
    bool downloadIntoFile = false;  // the database being built comes from a download/import
    std::string firmwareVersion;    // "mnn", no dot
    bool hasRtc = false;            // RTC option board present
    bool dvrWrite = false;          // write the DVR track table to the controller
    bool lockConflict = false;      // Lock equals Terminator after a load

  private:
    std::string& cell(const KeyRef& ref);
    const std::string& cell(const KeyRef& ref) const;
    std::size_t flagSlot(UploadFlag group, int index) const;

    // Storage per key row, flat 0-based: Single 1 entry, Indexed count entries, Courtesy
    // 3 * count entries with (port - 1) * count + (tone - 1).
    std::vector<std::vector<std::string>> values_;
    std::vector<std::vector<bool>> flags_;  // by flag group, then index - 1
    std::array<std::int16_t, kAreaCount> markers_{};
    std::uint64_t generation_ = 0;
};

// The process-wide controller database. Tests may call resetProcessDatabase() for a fresh one;
// it replaces the contents in place, so references taken earlier from db() stay valid.
ControllerDatabase& db();
void resetProcessDatabase();

}  // namespace kelp
