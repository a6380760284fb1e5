#include "core/download/eram_layout.h"

namespace kelp {

const std::vector<std::string_view>& courtesyBlockOrder() {
    static const std::vector<std::string_view> order{
        "Tone1",  "Tone2",  "Tone3",  "Tone4",  "Tone5", "Tone6", "Tone7", "Tone8",
        "Delay1", "Delay2", "Delay3", "Delay4", "Dur1",  "Dur2",  "Dur3",  "Dur4",
    };
    return order;
}

namespace {

struct MeterType {
    long word;
    const char* type;
};
constexpr MeterType kMeterTypes[] = {
    {0, "0"}, {224, "1"}, {62, "2"}, {227, "3"}, {101, "4"}, {150, "5"}, {176, "6"},
};

constexpr const char kNibbleDigits[] = "1234567890*#ABC";

}  // namespace

std::string meterTypeOfWord(long word) {
    for (const MeterType& m : kMeterTypes) {
        if (m.word == word)
            return m.type;
    }
    return std::string();
}

int meterTypeWord(std::string_view type) {
    for (const MeterType& m : kMeterTypes) {
        if (type == m.type)
            return static_cast<int>(m.word);
    }
    return -1;
}

std::string dtmfDigitOfNibble(int nibble) {
    if (nibble < 1 || nibble > 15)
        return std::string();
    return std::string(1, kNibbleDigits[nibble - 1]);
}

int nibbleOfDtmfDigit(char digit) {
    for (int n = 1; n <= 15; ++n) {
        if (kNibbleDigits[n - 1] == digit)
            return n;
    }
    return 0;
}

const std::vector<EramStep>& eramLayout() {
    using F = EramForm;
    using R = EramRule;
    // The labels are the program's own names for the steps; the numbers inside them are not
    // record positions (several are historical and do not even match each other).
    // clang-format off
    static const std::vector<EramStep> steps{
        {0, 4, "PreAccess Prefix (0-3)", F::Text, {"PreAccessPrefix"}, R::EmptyIsZero, 1, 4},
        {4, 6, "TT Pad Test Prefix/DTMF Test Prefix (4-9)", F::Text, {"DTMFTestPrefix"}, R::None, 1, 6},
        {10, 1, "Say Hour (10)", F::Number, {"SayHour"}, R::ZeroOrOne},
        {11, 3, "Hang Time (11, 12, 13)", F::Number, {"HangTime1"}},
        {14, 3, "Hang Time2 (14, 15, 16)", F::Number, {"HangTime2"}},
        {17, 3, "Hang Time3 (17, 18, 19)", F::Number, {"HangTime3"}},
        {20, 3, "IID Time (20, 21, 22)", F::Number, {"IIDTime"}},
        {23, 3, "PID Time (21, 22, 23)", F::Number, {"PIDTime"}},
        {26, 3, "TX Enable (24, 25, 26)", F::Number, {"TxEnable"}},
        {29, 3, "DTMF Covertone (27, 28, 29)", F::Number, {"DTMFCovertone"}},
        {32, 6, "Covertone Time (30 - 35)", F::Word, {"DTMFTime"}},
        {38, 3, "Kerchunk (36-38)", F::Number, {"Kerchunk"}},
        {41, 6, "Kerchunk Time (39-44)", F::Word, {"KerchunkTime"}},
        {47, 1, "One blank after Kerchunk Time (45)", F::Skip, {}},
        {48, 3, "PLID (46, 47, 48)", F::Number, {"CTCSSID"}},
        {51, 3, "PLCT (49, 50, 51)", F::Number, {"CTCSSCT"}},
        {54, 1, "TimeoutLink (52)", F::Number, {"TimeoutLink"}},
        {55, 2, "SpeakDelay/XmtDelay (53, 54)", F::Word, {"XmtDelay"}},
        {57, 3, "PLEncodePolarity (55, 56, 57)", F::Number, {"PLEncodePolarity"}, R::ErasedIsEmpty},
        {60, 5, "Macro Subset (58-62)", F::Text, {"MacroSubset"}, R::None, 1, 5},
        {65, 3, "DTMF Evaluate COS/CTCSS (63, 64, 65)", F::Number, {"COSClose"}},
        {68, 3, "DTMF Enable (66, 67, 68)", F::Number, {"DTMFEnable"}},
        {71, 3, "DTMF Need PL (69, 70, 71)", F::Number, {"DTMFNeedPL"}},
        {74, 27, "Current Port Unlock (72-98)", F::Text, {"CurrentPortUnlock"}, R::None, 1, 9},
        {101, 3, "Speech ID Override (99, 100, 101)", F::Number, {"SpeechIDOverride"}, R::ErasedIsZero},
        {104, 21, "CW ID (102-120)", F::CwIdSetup, {"CWTone1", "CWTone2", "CWSpeed"}},
        {125, 9, "Voice ID (112-128)", F::VoiceIdLengths, {}},
        {134, 3, "PL Access (132, 133, 134)", F::Number, {"PLAccess"}},
        {137, 3, "MonMix (135, 136, 137)", F::Number, {"MonMix"}},
        {140, 6, "Aux Time (138 - 143)", F::Word, {"AuxTime"}},
        {146, 3, "Inactive Time (144, 145, 146)", F::Number, {"InActiveTime"}},
        {149, 3, "Speech Override (147, 148, 149)", F::Number, {"SpeechOverride"}},
        {152, 3, "CTCSS Time (150, 151, 152)", F::Number, {"CTCSSTime"}},
        {155, 3, "Repeat/Non-Repeat (153, 154, 155)", F::Number, {"FDup"}},
        {158, 6, "Time Out (156- 161)", F::Word, {"TimeOut"}},
        {164, 3, "DTMF Mute (162, 163, 164)", F::Number, {"DTMFMute"}},
        {167, 5, "Logic Alarm Enabled (165 - 169)", F::Number, {"Alarm"}},
        {172, 10, "Logic Alarm Macros (170 - 179)", F::Number, {"AlarmLowMacroNum", "AlarmHighMacroNum"}},
        {182, 2, "VRef (180, 181)", F::Word, {"Vref"}},
        {184, 80, "Meters (182-271)", F::Meters, {"Meter", "RealLow", "MeterLow", "RealHigh", "MeterHigh"}},
        {264, 8, "Meter Alarms (272-281)", F::Number, {"MeterNum"}, R::ErasedIsZero},
        {272, 8, "Meter Alarm Type (282-291)", F::Number, {"MeterAlarmType"}, R::AlarmType},
        {280, 32, "Meter Alarm Setpoint (292-331)", F::SetPoint, {"MeterSetPoint"}},
        {312, 8, "Meter Alarm Macro (310- 317)", F::Number, {"MeterMacro"}, R::ErasedIsZero},
        {320, 6, "Rcv Macros (318 - 323)", F::Number, {"RcvMacroActive", "RcvMacroInactive"}, R::Above90Is90},
        {326, 90, "CW ID (324 - 413)", F::CwIds, {"CWID1", "CWID2"}, R::None, 1, 15},
        {416, 198, "Voice ID (414 - 611)", F::VoiceIds, {"VoiceID1", "VoiceID2", "VoiceID3"}, R::None, 1, 22},
        {614, 20, "Sched DOW (612 - 631)", F::SchedDow, {"DOW", "Monthly", "Week"}},
        {634, 20, "Sched Hours (632 - 651)", F::Number, {"Hours"}, R::SchedHour},
        {654, 20, "Sched Minutes (652 - 671)", F::Number, {"Minutes"}, R::SchedMinute},
        {674, 20, "Sched Macro (672 - 691)", F::Number, {"MacroToRun"}, R::SchedMacro},
        {694, 20, "Sched Resume/Suspend (92 - 711)", F::Skip, {}},
        {714, 960, "Courtesy Tone(712 - 1671)", F::CourtesyTones, {}},
        {1674, 1, "Radio Type (1672)", F::Number, {"RadioType"}},
        {1675, 1, "Yaesu Type (1673)", F::Number, {"YaesuType"}},
        {1676, 1, "Fan Timeout (1674)", F::Number, {"FanTime"}},
        {1677, 7, "DTMF Regen Prefix (1675 - 1681)", F::Text, {"DTMFRegenPrefix"}, R::None, 1, 7},
        {1684, 1, "Clock 12/24 (1682)", F::Number, {"TwentyFour"}},
        {1685, 1, "Fan Active Select (1683)", F::Number, {"FanSelect"}},
        {1686, 1, "DTMF Duration (1684)", F::Number, {"DTMFDur"}, R::ErasedIsEmpty},
        {1687, 1, "DTMF PauseTime (1685)", F::Number, {"DTMFDelay"}},
        {1688, 220, "DTMF Memories (1686 - 1905)", F::DtmfMemories, {"DTMF"}, R::None, 1, 11},
        {1908, 64, "DVR Seconds (1906 - 1969)", F::Number, {"DVRSeconds"}},
        {1972, 20, "DVR Track (1970 - 1989)", F::Number, {"DVRTracks"}},
        {1992, 40, "DVR Rows Used (1990 - 2029)", F::Word, {"DVRRowsUsed"}},
        {2032, 1, "Allow Speech w/ Terminator (2030)", F::Number, {"AllowTerminatorSpeech"}, R::Trim},
        {2033, 10, "Radio Mode (2031 - 2040)", F::Number, {"RadioMode"}},
        {2043, 6, "Port Inactivity Macro (2041 - 2046)", F::Word, {"InActivityMacro"}, R::Above90Is1},
        {2049, 1, "AP Allowed Port(s) (2047)", F::Number, {"EnablePatch"}},
        {2050, 1, "AP Mute (2048)", F::Number, {"PatchMute"}},
        {2051, 6, "General Timers (2049 - 2054)", F::Word, {"GeneralTimer"}},
        {2057, 6, "General Timers4-6 (4071 - 4076)", F::Word, {"GeneralTimer"}, R::None, 4},
        {2063, 3, "General Timer Macro (10, 11, 12)", F::Number, {"GeneralTimerMacro"}},
        {2066, 3, "General Timer Macro4-6 (4068, 4069, 4070)", F::Number, {"GeneralTimerMacro"}, R::None, 4},
        {2069, 5, "PreProgram Prefix (2055 - 2059)", F::Text, {"PreProgramPrefix"}, R::None, 1, 5},
        {2074, 400, "Message Macros (2060 - 2459)", F::MessageMacros, {"MessageMacro"}, R::None, 1, 10},
        {2474, 9, "ID Extras (2460 - 2468)", F::IdExtras, {"ID1Extras", "ID2Extras", "ID3Extras"}},
        {2483, 640, "Macros 1 - 40 (2469 - 3108)", F::FunctionLists, {"Macro"}, R::None, 1, 16},
        {3123, 200, "Macro 1-40 Code (3109 - 3308)", F::MacroCodes, {"MacroCode"}, R::None, 1, 5},
        {3323, 250, "Macro 41-90 (3309 - 3558)", F::FunctionLists, {"ShortMacro"}, R::None, 1, 5},
        {3573, 250, "Macro 41-90 Code (3559- 3808)", F::MacroCodes, {"ShortMacroCode"}, R::None, 1, 5},
        {3823, 90, "Macro Port Allow (3809 - 3898)", F::Number, {"PortToAllow"}},
        {3913, 6, "Speak Pending ID Time (3899 - 3904)", F::Word, {"IDSpeakTime"}},
        {3919, 3, "Speech ID Enable (3905, 3906, 3907)", F::Number, {"SpeechEnable"}},
        {3922, 1, "Macro Subset Enable (3908)", F::Number, {"MacroSubsetEnable"}},
        {3923, 6, "Remote Base Prefix (3909 - 3914)", F::RemoteBasePrefix, {"RemoteBasePrefix"}},
        {3929, 5, "Lock Code (3915 - 3919)", F::Text, {"Lock"}, R::None, 1, 5},
        {3934, 2, "Terminator (3920 - 3921)", F::Text, {"Terminator"}, R::None, 1, 2},
        {3936, 2, "Clock Correction (3922, 3923)", F::ClockCorrection, {"ClockCorrection"}},
        {3938, 1, "Say Year(3924)", F::Number, {"SayYear"}},
        {3939, 12, "Tail Messages (3925 - 3936)", F::Number, {"P1MessageNum", "P2MessageNum", "P3MessageNum", "TailMessageNum"}},
        {3951, 6, "Tail Timer (3937 - 3942)", F::Word, {"AnnounceTime"}},
        {3957, 3, "Tail Counter (3943, 3944, 3945)", F::Number, {"TailCounter"}},
        {3960, 100, "RB Memories (3946 - 4025)", F::RemoteBaseMemories, {"FreqString", "CTCSS", "CTCSSMode"}, R::None, 1, 8},
        {4060, 1, "DTMF Memory Port (4046)", F::Number, {"DTMFPort"}},
        {4061, 1, "DTMF Regen Message (4047)", F::Number, {"DTMFSpeech"}},
        {4062, 6, "AP Prefix (4048 - 4053)", F::Text, {"APPrefix"}, R::None, 1, 6},
        {4068, 1, "DR1x Mode (4054)", F::Number, {"DR1Select"}},
        {4069, 3, "TOT Reset(4055, 4056, 4057)", F::Number, {"TOTReset"}},
        {4072, 3, "Kerchunk Timeout(4058, 4059, 4060)", F::Number, {"KerchunkTimeout"}},
        {4075, 1, "Wind Direction Select (4061)", F::Number, {"WindDirectionSelect"}},
        {4076, 3, "Constant ID (4062,4063.4064)", F::Number, {"ConstantID"}},
        {4079, 3, "ID Start COS/PTT (4065,4066.4067)", F::Number, {"IDStartSelect"}},
        {4082, 3, "TOT Reset Timer (4083, 4084, 4085)", F::Number, {"TOTResetTimer"}},
    };
    // clang-format on
    return steps;
}

bool eramRecordHoldsCode(int record) {
    for (const EramStep& step : eramLayout()) {
        if (record < step.firstRecord || record >= step.firstRecord + step.recordCount)
            continue;
        return !step.keys.empty() && (step.keys[0] == "CurrentPortUnlock" ||
                                      step.keys[0] == "Lock" || step.keys[0] == "Terminator");
    }
    return false;
}

}  // namespace kelp
