// One rule per .dat key: what the loader checks, what replaces a refused value, what an
// empty value silently becomes, and how the repair report names the setting. The report
// names a setting as its editor shows it: the main window's tab, the port or entry, then
// the frame and label of the field.
#include "core/database/key_rules.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/database/area_checks.h"
#include "core/database/field_checks.h"

namespace kelp {

const char* const kFactoryLockCode = "#";

std::string factoryUnlockCode(int port) {
    if (port < 1 || port > 3) {
        throw std::out_of_range("factory unlock code of port " + std::to_string(port));
    }
    return std::to_string(port) + "6937";
}

namespace {

using Check = std::function<bool(const std::string& value, int port, int index)>;
using Default = std::function<std::string(int port, int index, bool hasRtc)>;
using Words = std::function<std::string(int port, int index)>;

// The main window's tab captions, which open every report entry.
const std::string kTimers = "Timers";
const std::string kCourtesy = "Courtesy Tones";
const std::string kMacros = "Macros";
const std::string kScheduler = "Scheduler/Clock";
const std::string kAnalog = "Analog";
const std::string kIds = "IDs";
const std::string kMessages = "Messages";
const std::string kDtmf = "DTMF";
const std::string kAlarmsRemote = "Logic Alarms/R Base";
const std::string kSpecialCodes = "Special Codes/Autopatch";
const std::string kPortSwitches = "Port Switches";

const std::string kTimersGlobal = kTimers + ": Global";
const std::string kLogicAlarm = kAlarmsRemote + ": Logic Alarm Setup: Alarm Number ";
const std::string kRemoteSetup = kAlarmsRemote + ": Remote Base Setup: ";
const std::string kRemoteMemory = kAlarmsRemote + ": Remote Base Memories: Memory Number ";
const std::string kSetpoint = kScheduler + ": Scheduler: Setpoint Number ";
const std::string kClock = kScheduler + ": Real Time Clock: ";
const std::string kMeterAlarm = kAnalog + ": Meter Alarms: Alarm Number ";
const std::string kUserDtmf = kSpecialCodes + ": User DTMF Regenerate: ";
const std::string kAutopatch = kSpecialCodes + ": Autopatch: ";
const std::string kUnlock = kSpecialCodes + ": Unlock/Lock/Terminator: ";
const std::string kDvr = "DVR Track Info: ";

constexpr int kLongMacros = 40;

std::string num(int n) {
    return std::to_string(n);
}

// ---- checks -------------------------------------------------------------------------

// A check and what it lets through, in words.
struct Checked {
    Check check;
    std::string words;
};

Checked number(int low, int high) {
    return {[low, high](const std::string& v, int, int) {
                return numericFieldCheck(v, static_cast<std::int16_t>(low),
                                         static_cast<std::int16_t>(high));
            },
            num(low) + " to " + num(high)};
}

Checked boolean() {
    return {[](const std::string& v, int, int) { return booleanFieldCheck(v); }, "0 or 1"};
}

Checked dtmfDigits(int shortest, int longest) {
    return {[shortest, longest](const std::string& v, int, int) {
                return dtmfDigitStringCheck(v, shortest, longest);
            },
            shortest == longest ? num(shortest) + " DTMF digit" + (shortest == 1 ? "" : "s")
                                : num(shortest) + " to " + num(longest) + " DTMF digits"};
}

// A pending code: none (empty), or 1 to longest DTMF digits, as the unlock window takes it.
Checked pendingCode(int longest) {
    return {[longest](const std::string& v, int, int) {
                return v.empty() || dtmfDigitStringCheck(v, 1, longest);
            },
            "none, or " + (longest == 1 ? std::string("1 DTMF digit") : "1 to " + num(longest) + " DTMF digits") +
                ", sent when asked"};
}

Checked area(bool (*check)(std::string_view), std::string words) {
    return {[check](const std::string& v, int, int) { return check(v); }, std::move(words)};
}

// Remote base checks depend on the memory number (the entry index).
Checked byMemory(bool (*check)(std::string_view, int), std::string words) {
    return {[check](const std::string& v, int, int memory) { return check(v, memory); },
            std::move(words)};
}

Checked portList(PortSetNone admitted) {
    return {[admitted](const std::string& v, int, int) { return portListCheck(v, admitted); },
            "a set of ports"};
}

Checked macroFunctions(int maxSlots) {
    return {[maxSlots](const std::string& v, int, int) {
                return macroCheck(v, maxSlots) == MacroCheck::Passed;
            },
            "NONE STORED or function codes taking up to " + num(maxSlots) + " slots"};
}

// ---- defaults -----------------------------------------------------------------------

Default fixed(std::string value) {
    return [value = std::move(value)](int, int, bool) { return value; };
}

// Keys that are never checked have no default to give.
Default noDefault() {
    return fixed("");
}

// ---- report words -------------------------------------------------------------------

Words words(std::string text) {
    return [text = std::move(text)](int, int) { return text; };
}

// Per-port keys: the index is the port. "Timers: Port 2: Hang Timer 1".
Words portField(const std::string& window, const std::string& field) {
    return [prefix = window + ": Port ", suffix = ": " + field](int, int port) {
        return prefix + num(port) + suffix;
    };
}

// Indexed keys: before + entry + after. "Analog: Ch 3: Meter Type".
Words entryField(std::string before, std::string after = "", int offset = 0) {
    return [before = std::move(before), after = std::move(after), offset](int, int index) {
        return before + num(index + offset) + after;
    };
}

// P1MessageNum-P3MessageNum: the port is in the key name, the index is the message 1-3.
Words tailMessageMacro(int port) {
    return entryField(kPortSwitches + ": Port " + num(port) +
                      ": Tail Message Program: Macro To Use: Msg ");
}

// Courtesy keys come with their port and courtesy tone.
Words courtesyField(int segment, const std::string& field) {
    return [segment, field](int port, int tone) {
        return kCourtesy + ": Port " + num(port) + ": Courtesy Tone " + num(tone) + ": Segment " +
               num(segment) + ": " + field;
    };
}

Words courtesyTone(int tone) {
    const int segment = (tone + 1) / 2;
    return courtesyField(segment, tone % 2 == 1 ? "Tone 1" : "Tone 2");
}

// ---- rows ---------------------------------------------------------------------------

struct Row {
    const char* name;
    KeyRule rule;
};

KeyRule rule(Checked checked, Default defaultValue, Words itemWords) {
    KeyRule r;
    r.check = std::move(checked.check);
    r.rangeWords = std::move(checked.words);
    r.defaultValue = std::move(defaultValue);
    r.itemWords = std::move(itemWords);
    return r;
}

// A rule whose range and default the help words itself.
KeyRule withWords(KeyRule r, std::string range, std::string defaultWords) {
    r.rangeWords = std::move(range);
    r.defaultWords = std::move(defaultWords);
    return r;
}

KeyRule silent(KeyRule r, std::string emptyValue) {
    r.silentDefault = std::move(emptyValue);
    return r;
}

// A key whose value the loader takes as it is; words say what it holds. Only a damaged value
// (a control character) is replaced, by damaged (empty: the value is dropped).
KeyRule unchecked(std::string words, Words itemWords, std::string damaged = "") {
    return rule(Checked{Check{}, std::move(words)},
                damaged.empty() ? noDefault() : fixed(std::move(damaged)), std::move(itemWords));
}

KeyRule timerRule(Checked check, const char* def, const std::string& field) {
    return rule(std::move(check), fixed(def), portField(kTimers, field));
}

KeyRule switchRule(const char* def, const std::string& field) {
    return rule(boolean(), fixed(def), portField(kPortSwitches, field));
}

KeyRule courtesyRule(Checked check, const char* def, Words itemWords) {
    return rule(std::move(check), fixed(def), std::move(itemWords));
}

// Remote base memories 1-10 must be in use; above them a refused value leaves the memory
// unused rather than half filled.
Default memoryDefault(std::string inUse) {
    return [inUse = std::move(inUse)](int, int memory, bool) {
        return memory <= kRequiredRemoteMemories ? inUse : std::string("NONE");
    };
}

// A macro without a code answers to "7351" and its macro number.
Default macroCodeDefault(int offset) {
    return [offset](int, int index, bool) { return "7351" + num(index + offset); };
}

std::vector<Row> buildRows() {
    std::vector<Row> rows = {
        // Timers, per port
        {"HangTime1", timerRule(number(0, 255), "50", "Hang Timer 1")},
        {"HangTime2", timerRule(number(0, 255), "50", "Hang Timer 2")},
        {"HangTime3", timerRule(number(0, 255), "50", "Hang Timer 3")},
        {"TimeOut", timerRule(number(0, 32767), "180", "Timeout Timer")},
        {"TOTReset", timerRule(number(0, 4), "0", "TOT Reset Point")},
        {"TOTResetTimer", timerRule(number(0, 255), "10", "TOT Reset Timer")},
        {"IIDTime", timerRule(number(0, 255), "10", "Initial ID Timer")},
        {"PIDTime", timerRule(number(0, 255), "10", "Pending ID Timer")},
        {"InActiveTime", timerRule(number(0, 255), "20", "Inactivity Timer: Timer")},
        {"InActivityMacro", timerRule(number(1, 90), "90", "Inactivity Timer: Macro To Use")},
        {"DTMFTime", timerRule(number(0, 99), "7", "DTMF Mute Timer")},
        {"CTCSSTime", timerRule(number(0, 255), "50", "Encode Timer")},
        {"KerchunkTime", timerRule(number(0, 32000), "1000", "Kerchunk Timer")},
        {"KerchunkTimeout", timerRule(number(0, 255), "60", "Kerchunk Timeout")},
        // The loader checks the speech timer against the port's pending ID timer as well;
        // a refused value falls back to the pending ID timer in seconds. The loader has
        // already stored the port's pending ID timer when it reaches this key.
        {"IDSpeakTime",
         withWords(
             rule(number(0, 15300),
                  [](int, int port, bool) {
                      return pendingIdSpeechDefault(db().get("PIDTime", port));
                  },
                  portField(kTimers, "Pending ID Speech Timer")),
             "0 to 15300, at most the Pending ID Timer in seconds",
             "the Pending ID Timer in seconds")},
        {"TailMessageNum", rule(area(tailMessageCheck, "NONE or message 1 to 3"), fixed("0"),
                                portField(kPortSwitches, "Tail Message Program: Tail Msg #"))},
        {"AnnounceTime", timerRule(number(0, 3600), "0", "Tail Message Program: Timer")},
        {"TailCounter", rule(number(0, 254), fixed("0"),
                             portField(kTimers, "Tail Message Program: Tail Counter"))},
        {"P1MessageNum", rule(number(1, 90), fixed("90"), tailMessageMacro(1))},
        {"P2MessageNum", rule(number(1, 90), fixed("90"), tailMessageMacro(2))},
        {"P3MessageNum", rule(number(1, 90), fixed("90"), tailMessageMacro(3))},

        // Timers, global
        {"AuxTime",
         rule(number(0, 32767), fixed("50"), entryField(kTimersGlobal + ": Aux Audio Timer "))},
        {"GeneralTimer", rule(number(0, 32767), fixed("0"),
                              entryField(kTimersGlobal + ": General Timers: Timer "))},
        {"GeneralTimerMacro",
         rule(number(1, 90), fixed("90"),
              entryField(kTimersGlobal + ": General Timers: Timer ", ": Macro To Use"))},
        {"FanTime", rule(number(0, 255), fixed("1"), words(kTimersGlobal + ": Fan: Timer"))},
        {"FanSelect",
         rule(boolean(), fixed("0"), words(kTimersGlobal + ": Fan: All Xmt Activity"))},
        {"XmtDelay", rule(number(0, 32767), fixed("1000"),
                          words(kTimersGlobal + ": Speech/CW Delay: Before Transmit"))},
        {"TimeoutLink",
         rule(boolean(), fixed("0"),
              words(kTimersGlobal + ": Timeout Timer Control: Enable Linking Control"))},

        // Logic alarms
        {"AlarmLowMacroNum",
         rule(number(1, 90), fixed("90"), entryField(kLogicAlarm, ": Low-to-High Macro To Use"))},
        {"AlarmHighMacroNum",
         rule(number(1, 90), fixed("90"), entryField(kLogicAlarm, ": High-to-Low Macro To Use"))},
        {"Alarm", rule(boolean(), fixed("1"), entryField(kLogicAlarm, ": Alarm Enabled"))},

        // Scheduler
        {"DOW",
         rule(area(schedulerDayCheck, "a day or days of the week"), fixed("0"), entryField(kSetpoint, ": Day Of The Week"))},
        {"Monthly", silent(rule(boolean(), fixed("0"), entryField(kSetpoint, ": Monthly")), "0")},
        {"Week", silent(rule(area(schedulerOccurrenceCheck, "1st to 5th"), fixed("1"),
                             entryField(kSetpoint, ": Number of Occurance this month")),
                        "1")},
        {"Hours",
         rule(area(schedulerHourCheck, "an hour of the day, every hour or disabled"), fixed("25"), entryField(kSetpoint, ": Start Hours"))},
        {"Minutes", rule(number(0, 59), fixed("00"), entryField(kSetpoint, ": Start Minutes"))},
        {"MacroToRun", rule(number(1, 90), fixed("90"), entryField(kSetpoint, ": Macro To Run"))},
        {"TwentyFour", rule(boolean(), fixed("0"), words(kClock + "24 Hour Readback"))},
        {"SayHour", rule(boolean(), fixed("1"), words(kClock + "Say Hours"))},
        {"SayYear", rule(boolean(), fixed("1"), words(kClock + "Say Year"))},
        {"ClockCorrection",
         rule(area(clockCorrectionCheck, "0 to 59, a leading A for negative"), fixed("0"), words(kClock + "Clock Correction"))},

        // Analog
        {"Meter",
         rule(area(meterTypeCheck, "a meter type"), fixed("0"), entryField(kAnalog + ": Ch ", ": Meter Type"))},
        {"RealLow",
         rule(number(0, 32767), fixed("0"), entryField(kAnalog + ": Ch ", ": Actual Low Value"))},
        {"MeterLow",
         rule(number(0, 32767), fixed("0"), entryField(kAnalog + ": Ch ", ": Meter Low Value"))},
        {"RealHigh",
         rule(number(0, 32767), fixed("0"), entryField(kAnalog + ": Ch ", ": Actual High Value"))},
        {"MeterHigh",
         rule(number(0, 32767), fixed("0"), entryField(kAnalog + ": Ch ", ": Meter High Value"))},
        {"Vref", rule(number(0, 520), fixed("500"), words(kAnalog + ": Reference Voltage"))},
        {"MeterAlarmType", silent(rule(area(meterAlarmTypeCheck, "disabled, low or high"), fixed("0"),
                                       entryField(kMeterAlarm, ": Alarm Type")),
                                  "0")},
        {"MeterNum", rule(number(1, 8), fixed("1"), entryField(kMeterAlarm, ": Meter Number"))},
        {"MeterSetPoint",
         silent(rule(area(meterSetPointCheck, "0 to 35000, a leading A for negative"), fixed("0"), entryField(kMeterAlarm, ": Trip Value")),
                "0")},
        {"MeterMacro",
         silent(rule(number(1, 90), fixed("90"), entryField(kMeterAlarm, ": Macro To Call")),
                "90")},

        // Remote base
        {"RadioType", rule(area(radioTypeCheck, "a radio of the list"), fixed("2"), words(kRemoteSetup + "Radio Type"))},
        {"YaesuType", rule(area(yaesuTypeCheck, "a Yaesu type of the list"), fixed("1"), words(kRemoteSetup + "Yaesu Type"))},
        {"RemoteBasePrefix",
         rule(dtmfDigits(1, 5), fixed("A7"), words(kRemoteSetup + "Remote Base Prefix"))},
        {"FreqString", rule(byMemory(remoteFrequencyCheck, "digits, NONE above memory 10"), memoryDefault("1465202"),
                            entryField(kRemoteMemory, ": Frequency"))},
        {"CTCSS", rule(byMemory(ctcssCheck, "0 to 49, NONE above memory 10"), memoryDefault("10"),
                       entryField(kRemoteMemory, ": CTCSS Code"))},
        {"CTCSSMode", rule(byMemory(ctcssModeCheck, "off, encode or decode"), memoryDefault("0"),
                           entryField(kRemoteMemory, ": CTCSS Mode"))},
        {"RadioMode", rule(byMemory(radioModeCheck, "LSB, USB, CW, FM or AM"), memoryDefault("4"),
                           entryField(kRemoteMemory, ": Radio Mode"))},

        // Identification
        {"VoiceID1",
         rule(area(voiceIdCheck, "1 to 22 vocabulary words"), fixed("Q Z SEVEN FOURTY"), portField(kIds, "Voice ID 1"))},
        {"VoiceID2",
         rule(area(voiceIdCheck, "1 to 22 vocabulary words"), fixed("Q Z SEVEN FOURTY"), portField(kIds, "Voice ID 2"))},
        {"VoiceID3",
         rule(area(voiceIdCheck, "1 to 22 vocabulary words"), fixed("Q Z SEVEN FOURTY"), portField(kIds, "Voice ID 3"))},
        {"CWID1", rule(area(cwIdCheck, "1 to 15 CW characters"), fixed("Q Z 7 4 0"), portField(kIds, "CW ID 1"))},
        {"CWID2", rule(area(cwIdCheck, "1 to 15 CW characters"), fixed("Q Z 7 4 0"), portField(kIds, "CW ID 2"))},
        {"CWSpeed", rule(number(5, 50), fixed("20"), portField(kIds, "CW Speed"))},
        {"CWTone1", rule(number(200, 3500), fixed("500"), portField(kIds, "CW Tone 1"))},
        {"CWTone2", rule(area(cwTone2Check, "200 to 3500, or 0 for none"), fixed("500"), portField(kIds, "CW Tone 2"))},
        {"SpeechEnable", rule(boolean(), fixed("1"), portField(kIds, "Speech IDs: Enabled"))},
        {"ConstantID", rule(boolean(), fixed("0"), portField(kIds, "Constant ID: Enabled"))},
        {"ID1Extras",
         rule(area(idExtrasCheck, "an extra of the list"), fixed("0"), portField(kIds, "ID Extras: Voice ID 1"))},
        {"ID2Extras",
         rule(area(idExtrasCheck, "an extra of the list"), fixed("0"), portField(kIds, "ID Extras: Voice ID 2"))},
        {"ID3Extras",
         rule(area(idExtrasCheck, "an extra of the list"), fixed("0"), portField(kIds, "ID Extras: Voice ID 3"))},

        // User DTMF regenerate
        {"DTMFRegenPrefix",
         rule(dtmfDigits(1, 6), fixed("12345"), words(kUserDtmf + "User DTMF Prefix"))},
        {"DTMFPort",
         rule(portList(PortSetNone::NinetyNine), fixed("1"), words(kUserDtmf + "Send To Port"))},
        {"DTMFSpeech", rule(number(0, 90), fixed("0"), words(kUserDtmf + "Macro To Use"))},

        // Autopatch
        {"APPrefix", rule(dtmfDigits(1, 8), fixed("C1"), words(kAutopatch + "Prefix"))},
        {"AnswerCode",
         silent(rule(dtmfDigits(1, 15), fixed("5820"), words(kAutopatch + "Answer Code")), "5820")},
        // Free text as the window takes it; the controller judges the number itself. The
        // loader still refuses a control character in them, as in every value.
        {"AutoDial", unchecked("a telephone number", entryField(kAutopatch + "AutoDial Slot ", ": Phone Number"))},
        {"TollRestrict", unchecked("a number the autopatch will not dial", entryField(kSpecialCodes + ": Toll Restrict: Pos "))},
        {"RingNumber",
         silent(rule(number(1, 8), fixed("2"), words(kAutopatch + "Number of Rings to Answer")),
                "2")},
        {"APTimeOut",
         silent(rule(number(1, 32767), fixed("120"), words(kAutopatch + "Timeout")), "120")},
        {"EnablePatch",
         rule(portList(PortSetNone::Zero), fixed("1"), words(kAutopatch + "Ports To Allow"))},
        {"PatchMute", rule(boolean(), fixed("1"), words(kAutopatch + "Patch Muting"))},

        // Special codes
        {"DTMFTestPrefix",
         rule(dtmfDigits(1, 5), fixed("85"), words(kSpecialCodes + ": DTMF Pad Test: Prefix"))},
        {"PreAccessPrefix",
         rule(dtmfDigits(1, 3), fixed("0"), words(kSpecialCodes + ": Pre Access Code"))},
        {"PreProgramPrefix",
         silent(rule(dtmfDigits(1, 4), fixed("0"), words(kSpecialCodes + ": Pre Command Prefix")),
                "0")},
        {"MacroSubset",
         rule(area(macroSubsetCheck, "start and end macro, 01 to 90"), fixed("0190"), words(kSpecialCodes + ": Macro SubSet"))},
        {"MacroSubsetEnable",
         rule(boolean(), fixed("0"), words(kSpecialCodes + ": Macro SubSet: Enable"))},
        {"DTMFMuteDigitSelect",
         silent(rule(number(1, 2), fixed("1"), words(kSpecialCodes + ": DTMF Mute Select")), "1")},
        {"WindDirectionSelect", rule(number(0, 1), fixed("1"),
                                     words(kSpecialCodes + ": Wx Station Wind Direction Select"))},
        {"DR1Select", rule(number(0, 1), fixed("0"),
                           words(kSpecialCodes + ": DR1 Mode Select: DR1 Mode Enabled"))},

        // Macros. The loader completes the function keys' words with the reason of the
        // refusal (an unknown function, or too many).
        {"Macro",
         rule(macroFunctions(kMacroSlots), fixed("NONE STORED"), entryField(kMacros + ": Macro "))},
        {"MacroCode",
         rule(dtmfDigits(1, 8), macroCodeDefault(0), entryField(kMacros + ": Macro ", ": Code"))},
        {"ShortMacro", rule(macroFunctions(kShortMacroSlots), fixed("NONE STORED"),
                            entryField(kMacros + ": Macro ", "", kLongMacros))},
        {"ShortMacroCode", rule(dtmfDigits(1, 8), macroCodeDefault(kLongMacros),
                                entryField(kMacros + ": Macro ", ": Code", kLongMacros))},
        {"PortToAllow", rule(portList(PortSetNone::NotOffered), fixed("123"),
                             entryField(kMacros + ": Macro Port Assignments: Macro Number ",
                                        ": Ports Allowed To Run From"))},

        // Message macros
        {"MessageMacro", silent(rule(area(messageMacroCheck, "NONE STORED or 1 to 9 vocabulary words"), fixed("NONE STORED"),
                                     entryField(kMessages + ": Message Macro ")),
                                "NONE STORED")},

        // Receive macros
        {"RcvMacroActive", silent(rule(number(1, 90), fixed("90"),
                                       portField(kMacros + ": Rcv Macros", "Macro Active")),
                                  "90")},
        {"RcvMacroInactive", silent(rule(number(1, 90), fixed("90"),
                                         portField(kMacros + ": Rcv Macros", "Macro Inactive")),
                                    "90")},

        // Courtesy tones
        {"Delay1",
         courtesyRule(number(0, 10000), "250", courtesyField(1, "Delay To This Segment"))},
        {"Delay2",
         courtesyRule(number(0, 10000), "250", courtesyField(2, "Delay To This Segment"))},
        {"Delay3",
         courtesyRule(number(0, 10000), "250", courtesyField(3, "Delay To This Segment"))},
        {"Delay4",
         courtesyRule(number(0, 10000), "250", courtesyField(4, "Delay To This Segment"))},
        {"Dur1", courtesyRule(number(0, 10000), "250", courtesyField(1, "Duration"))},
        {"Dur2", courtesyRule(number(0, 10000), "250", courtesyField(2, "Duration"))},
        {"Dur3", courtesyRule(number(0, 10000), "250", courtesyField(3, "Duration"))},
        {"Dur4", courtesyRule(number(0, 10000), "250", courtesyField(4, "Duration"))},
        {"Tone1", courtesyRule(number(0, 3500), "0", courtesyTone(1))},
        {"Tone2", courtesyRule(number(0, 3500), "0", courtesyTone(2))},
        {"Tone3", courtesyRule(number(0, 3500), "0", courtesyTone(3))},
        {"Tone4", courtesyRule(number(0, 3500), "0", courtesyTone(4))},
        {"Tone5", courtesyRule(number(0, 3500), "0", courtesyTone(5))},
        {"Tone6", courtesyRule(number(0, 3500), "0", courtesyTone(6))},
        {"Tone7", courtesyRule(number(0, 3500), "0", courtesyTone(7))},
        {"Tone8", courtesyRule(number(0, 3500), "0", courtesyTone(8))},

        // DTMF memories and parameters
        {"DTMF", silent(rule(area(dtmfMemoryCheck, "NONE STORED or 1 to 10 DTMF digits"), fixed("NONE STORED"),
                             entryField(kDtmf + ": DTMF Memory ")),
                        "NONE STORED")},
        {"DTMFDur",
         silent(rule(number(1, 255), fixed("100"), words(kDtmf + ": DTMF Parameters: Duration")),
                "1")},
        {"DTMFDelay",
         silent(rule(number(1, 255), fixed("100"), words(kDtmf + ": DTMF Parameters: Delay")),
                "1")},

        // Port switches
        {"TxEnable", switchRule("1", "Transmitter Enable")},
        {"RxEnable", silent(switchRule("1", "Receiver Enable"), "1")},
        {"FDup", switchRule("1", "Repeater Mode")},
        {"SpeechOverride", switchRule("1", "Speech Override")},
        {"SpeechIDOverride", switchRule("1", "Speech ID Override")},
        {"PLAccess",
         rule(area(accessModeCheck, "carrier, or tone and carrier"), fixed("0"), portField(kPortSwitches, "Access Mode"))},
        {"DTMFEnable", switchRule("1", "DTMF Enable")},
        {"DTMFNeedPL", switchRule("1", "DTMF Require Tone")},
        {"DTMFMute", switchRule("1", "DTMF Mute")},
        {"DTMFCovertone", silent(switchRule("1", "DTMF Covertone"), "1")},
        {"MonMix", switchRule("1", "Monitor Mix")},
        {"Kerchunk", switchRule("1", "Kerchunk Filter")},
        {"CTCSSID", switchRule("0", "Tone Encode Control: ON During ID/Speech")},
        {"CTCSSCT", switchRule("1", "Tone Encode Control: Timer Starts After COS/CT")},
        {"PLEncodePolarity", switchRule("0", "Tone Encode Polarity")},
        {"COSClose", silent(switchRule("0", "DTMF Evaluate On Closure"), "0")},
        {"IDStartSelect", switchRule("0", "ID Timer Start")},
        {"AllowTerminatorSpeech",
         rule(boolean(), fixed("0"), words(kPortSwitches + ": Allow Speech w/Terminator"))},

        // Voice recorder track table: kept as read, an empty entry counts zero, and so does
        // a damaged one (a control character).
        {"DVRSeconds", silent(unchecked("kept as read", entryField(kDvr + "Seconds "), "0"), "0")},
        {"DVRTracks", silent(unchecked("kept as read", entryField(kDvr + "Tracks "), "0"), "0")},
        {"DVRRowsUsed", silent(unchecked("kept as read", entryField(kDvr + "Rows Used "), "0"), "0")},

        // Unlock, lock and terminator codes
        {"CurrentPortUnlock",
         rule(
             dtmfDigits(1, 8), [](int, int port, bool) { return factoryUnlockCode(port); },
             entryField(kUnlock + "Port ", " Unlock"))},
        // A pending code is empty (none) or what its window lets through; a bad one is dropped.
        {"NewPortUnlock", rule(pendingCode(8), fixed(""), entryField(kUnlock + "Port ", " New Unlock"))},
        {"Lock", rule(dtmfDigits(1, 4), fixed(kFactoryLockCode), words(kUnlock + "Lock"))},
        {"NewLock", rule(pendingCode(4), fixed(""), words(kUnlock + "New Lock"))},
        {"Terminator", rule(dtmfDigits(1, 1), fixed("D"), words(kUnlock + "Terminator"))},
        {"NewTerminator", rule(pendingCode(1), fixed(""), words(kUnlock + "New Terminator"))},
    };
    return rows;
}

// The keys whose report entries read "Value received was" / "Defaulted to": everything of
// [Timers], and the global timers kept elsewhere.
bool reportsLikeTimers(const KeyDescriptor& key) {
    const std::string_view name = key.name;
    return std::string_view(key.section) == "Timers" || name == "GeneralTimer" ||
           name == "GeneralTimerMacro" || name == "AlarmLowMacroNum" || name == "AlarmHighMacroNum";
}

// The rules in keyTable() order. A row without a rule, or a rule without a row, is a
// programming error found by the first use.
const std::vector<KeyRule>& ruleTable() {
    static const std::vector<KeyRule> table = [] {
        std::unordered_map<std::string_view, KeyRule> byName;
        for (Row& row : buildRows()) {
            if (!byName.emplace(row.name, std::move(row.rule)).second) {
                throw std::logic_error(std::string("two key rules for ") + row.name);
            }
        }
        std::vector<KeyRule> ordered;
        ordered.reserve(keyTable().size());
        for (const KeyDescriptor& key : keyTable()) {
            auto found = byName.find(key.name);
            if (found == byName.end()) {
                throw std::logic_error(std::string("no key rule for ") + key.name);
            }
            KeyRule r = std::move(found->second);
            byName.erase(found);
            r.style = reportsLikeTimers(key) ? ReportStyle::Timers : ReportStyle::Standard;
            ordered.push_back(std::move(r));
        }
        if (!byName.empty()) {
            throw std::logic_error("key rule for a key that does not exist: " +
                                   std::string(byName.begin()->first));
        }
        return ordered;
    }();
    return table;
}

}  // namespace

const KeyRule& keyRule(const KeyDescriptor& key) {
    return ruleTable().at(keyRow(key));
}

const std::string& areaTabCaption(Area area) {
    static const std::string* const captions[] = {
        &kTimers,   &kCourtesy, &kMacros,       &kScheduler,    &kAnalog,      &kIds,
        &kMessages, &kDtmf,     &kAlarmsRemote, &kSpecialCodes, &kPortSwitches};
    return *captions[static_cast<int>(area)];
}

const KeyRule& keyRule(std::string_view name) {
    const KeyDescriptor* key = findKey(name);
    if (key == nullptr) {
        throw std::out_of_range("no key named '" + std::string(name) + "'");
    }
    return keyRule(*key);
}

}  // namespace kelp
