#include "core/database/area_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelp {
namespace {

// n copies of a word joined by single spaces.
std::string repeated(const std::string& word, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += (i ? " " : "") + word;
    return text;
}

struct TextCase {
    bool (*check)(std::string_view);
    const char* name;
    std::string text;
    bool passes;
};

// clang-format off
#define CASE(fn, text, passes) TextCase{fn, #fn, text, passes}
// clang-format on

TEST(AreaChecks, ListCodesAreTakenOnlyInTheirStoredForm) {
    const TextCase cases[] = {
        // Scheduler days and occurrences are one digit, compared as text.
        CASE(schedulerDayCheck, "0", true),
        CASE(schedulerDayCheck, "7", true),
        CASE(schedulerDayCheck, "9", true),
        CASE(schedulerDayCheck, "07", false),
        CASE(schedulerDayCheck, "", false),
        CASE(schedulerDayCheck, "10", false),
        CASE(schedulerOccurrenceCheck, "1", true),
        CASE(schedulerOccurrenceCheck, "5", true),
        CASE(schedulerOccurrenceCheck, "0", false),
        CASE(schedulerOccurrenceCheck, "6", false),
        CASE(schedulerOccurrenceCheck, "01", false),
        // Hours are taken by value, so an older one-digit hour still loads.
        CASE(schedulerHourCheck, "00", true),
        CASE(schedulerHourCheck, "7", true),
        CASE(schedulerHourCheck, "23", true),
        CASE(schedulerHourCheck, "24", false),
        CASE(schedulerHourCheck, "25", true),
        CASE(schedulerHourCheck, "26", false),
        CASE(schedulerHourCheck, "99", true),
        CASE(schedulerHourCheck, "0A", false),
        CASE(schedulerHourCheck, "254", false),
        CASE(schedulerHourCheck, "007", false),
        CASE(schedulerHourCheck, "", false),
        CASE(meterTypeCheck, "0", true),
        CASE(meterTypeCheck, "6", true),
        CASE(meterTypeCheck, "7", false),
        CASE(meterTypeCheck, "", false),
        CASE(meterAlarmTypeCheck, "2", true),
        CASE(meterAlarmTypeCheck, "3", false),
        // There is no radio type 6.
        CASE(radioTypeCheck, "1", true),
        CASE(radioTypeCheck, "5", true),
        CASE(radioTypeCheck, "6", false),
        CASE(radioTypeCheck, "7", true),
        CASE(radioTypeCheck, "9", true),
        CASE(radioTypeCheck, "0", false),
        CASE(radioTypeCheck, "10", false),
        CASE(yaesuTypeCheck, "0", true),
        CASE(yaesuTypeCheck, "5", true),
        CASE(yaesuTypeCheck, "6", false),
        CASE(accessModeCheck, "0", true),
        CASE(accessModeCheck, "1", true),
        CASE(accessModeCheck, "2", false),
        CASE(accessModeCheck, "", false),
        CASE(tailMessageCheck, "0", true),
        CASE(tailMessageCheck, "3", true),
        CASE(tailMessageCheck, "4", false),
        CASE(tailMessageCheck, "00", false),
        CASE(idExtrasCheck, "0", true),
        CASE(idExtrasCheck, "11", true),
        CASE(idExtrasCheck, "12", false),
        CASE(idExtrasCheck, "", false),
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.text), c.passes) << c.name << " '" << c.text << "'";
}

TEST(AreaChecks, NumbersWithANegativeMark) {
    const TextCase cases[] = {
        CASE(clockCorrectionCheck, "A3", true),  CASE(clockCorrectionCheck, "a3", true),
        CASE(clockCorrectionCheck, "59", true),  CASE(clockCorrectionCheck, "A60", false),
        CASE(clockCorrectionCheck, "-3", false), CASE(clockCorrectionCheck, "", false),
        CASE(clockCorrectionCheck, "A", false),  CASE(clockCorrectionCheck, "AA3", false),
        CASE(meterSetPointCheck, "A150", true),  CASE(meterSetPointCheck, "a150", true),
        CASE(meterSetPointCheck, "35000", true), CASE(meterSetPointCheck, "A35001", false),
        CASE(meterSetPointCheck, "", false),     CASE(meterSetPointCheck, "A", false),
        CASE(meterSetPointCheck, "-150", false), CASE(meterSetPointCheck, "1.5", false),
        CASE(cwTone2Check, "0", true),           CASE(cwTone2Check, "150", false),
        CASE(cwTone2Check, "200", true),         CASE(cwTone2Check, "3500", true),
        CASE(cwTone2Check, "3501", false),       CASE(cwTone2Check, "", false),
        CASE(macroSubsetCheck, "1045", true),    CASE(macroSubsetCheck, "4510", false),
        CASE(macroSubsetCheck, "0190", true),    CASE(macroSubsetCheck, "9090", true),
        CASE(macroSubsetCheck, "0090", false),   CASE(macroSubsetCheck, "0191", false),
        CASE(macroSubsetCheck, "190", false),    CASE(macroSubsetCheck, "01090", false),
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.text), c.passes) << c.name << " '" << c.text << "'";
}

TEST(AreaChecks, WordLists) {
    const TextCase cases[] = {
        CASE(voiceIdCheck, "Q Z SEVEN FOURTY", true),
        CASE(voiceIdCheck, "  q   z seven  ", true),  // any case, any spacing
        CASE(voiceIdCheck, repeated("ONE", 22), true),
        CASE(voiceIdCheck, repeated("ONE", 23), false),
        CASE(voiceIdCheck, "", false),
        CASE(voiceIdCheck, "NONE STORED", false),
        CASE(voiceIdCheck, "ONE XYZZY", false),
        CASE(cwIdCheck, "Q Z 7 4 0", true),
        CASE(cwIdCheck, "W 1 SK WORD_SPACE", true),
        CASE(cwIdCheck, repeated("E", 15), true),
        CASE(cwIdCheck, repeated("E", 16), false),
        CASE(cwIdCheck, "", false),
        CASE(cwIdCheck, "q z",
             false),  // names are upper case; a file's lower case would not encode
        CASE(messageMacroCheck, "NONE STORED", true),
        CASE(messageMacroCheck, repeated("TWO", 9), true),
        CASE(messageMacroCheck, repeated("TWO", 10), false),
        CASE(messageMacroCheck, "ONE DVR19", true),
        CASE(messageMacroCheck, "ONE DVR20", false),
        CASE(messageMacroCheck, "", false),
        CASE(messageMacroCheck, "ONE XYZZY", false),
        CASE(dtmfMemoryCheck, "NONE STORED", true),
        CASE(dtmfMemoryCheck, "1 2 A #", true),
        CASE(dtmfMemoryCheck, "12A#", true),
        CASE(dtmfMemoryCheck, "1 2 a #", false),
        CASE(dtmfMemoryCheck, "1 2 3 4 5 6 7 8 9 0", true),
        CASE(dtmfMemoryCheck, "1 2 3 4 5 6 7 8 9 0 1", false),
        CASE(dtmfMemoryCheck, "", false),
        CASE(dtmfMemoryCheck, "1 E", false),
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.text), c.passes) << c.name << " '" << c.text << "'";
}

TEST(AreaChecks, DtmfMemoryIsShownOneSpaceBetweenDigits) {
    EXPECT_EQ(normaliseDtmfMemory("12A#"), "1 2 A #");
    EXPECT_EQ(normaliseDtmfMemory(" 1  2 "), "1 2");
    EXPECT_EQ(normaliseDtmfMemory("NONE STORED"), "NONE STORED");
    EXPECT_EQ(normaliseDtmfMemory(""), "");
}

TEST(AreaChecks, RemoteBaseMemoriesAboveTenMayBeUnused) {
    struct Case {
        bool (*check)(std::string_view, int);
        const char* name;
        const char* text;
        int memory;
        bool passes;
    };
#define MEMORY(fn, text, memory, passes) \
    Case {                               \
        fn, #fn, text, memory, passes    \
    }
    const Case cases[] = {
        MEMORY(remoteFrequencyCheck, "1465202", 1, true),
        MEMORY(remoteFrequencyCheck, "NONE", 10, false),
        MEMORY(remoteFrequencyCheck, "NONE", 11, true),
        MEMORY(remoteFrequencyCheck, "146.52", 1, false),
        MEMORY(remoteFrequencyCheck, "", 12, false),
        MEMORY(remoteFrequencyCheck, "none", 12, false),
        MEMORY(ctcssCheck, "49", 1, true),
        MEMORY(ctcssCheck, "00", 1, true),
        MEMORY(ctcssCheck, "50", 1, false),
        MEMORY(ctcssCheck, "NONE", 10, false),
        MEMORY(ctcssCheck, "NONE", 40, true),
        MEMORY(ctcssModeCheck, "2", 1, true),
        MEMORY(ctcssModeCheck, "3", 1, false),
        MEMORY(ctcssModeCheck, "NONE", 11, true),
        MEMORY(radioModeCheck, "0", 1, false),
        MEMORY(radioModeCheck, "1", 1, true),
        MEMORY(radioModeCheck, "5", 1, true),
        MEMORY(radioModeCheck, "6", 1, false),
        MEMORY(radioModeCheck, "NONE", 2, false),
        MEMORY(radioModeCheck, "NONE", 11, true),
    };
#undef MEMORY
    for (const auto& c : cases)
        EXPECT_EQ(c.check(c.text, c.memory), c.passes)
            << c.name << " '" << c.text << "' memory " << c.memory;
}

TEST(AreaChecks, PortListsAdmitOnlyTheirOwnNone) {
    struct Case {
        const char* code;
        PortSetNone admitted;
        bool passes;
    };
    const Case cases[] = {
        {"123", PortSetNone::NotOffered, true}, {"13", PortSetNone::NotOffered, true},
        {"0", PortSetNone::NotOffered, false},  {"99", PortSetNone::NotOffered, false},
        {"0", PortSetNone::Zero, true},         {"99", PortSetNone::Zero, false},
        {"99", PortSetNone::NinetyNine, true},  {"0", PortSetNone::NinetyNine, false},
        {"4", PortSetNone::Zero, false},        {"21", PortSetNone::NotOffered, false},
        {"", PortSetNone::Zero, false},         {"01", PortSetNone::NotOffered, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portListCheck(c.code, c.admitted), c.passes)
            << "'" << c.code << "' none form " << static_cast<int>(c.admitted);
}

TEST(AreaChecks, MacroSlotSizeWeighsFunctionsByCode) {
    struct Case {
        const char* functions;
        int slots;
    };
    const Case cases[] = {
        {"001 002", 2}, {"256 511 766", 9}, {"250", 1}, {"510 765", 5}, {"NONE STORED", 0},
        {"", 0},        {"ABC 001", 1},     {"000", 4},  // zero is outside every band
    };
    for (const auto& c : cases) EXPECT_EQ(macroSlotSize(c.functions), c.slots) << c.functions;
}

TEST(AreaChecks, MacroCheckTellsWhyAMacroIsRefused) {
    struct Case {
        std::string functions;
        int maxSlots;
        MacroCheck result;
    };
    const Case cases[] = {
        {"NONE STORED", kMacroSlots, MacroCheck::Passed},
        {"001 002", kMacroSlots, MacroCheck::Passed},
        {repeated("001", 15), kMacroSlots, MacroCheck::Passed},
        {repeated("001", 16), kMacroSlots, MacroCheck::TooManyFunctions},
        {repeated("001", 4), kShortMacroSlots, MacroCheck::Passed},
        {repeated("001", 5), kShortMacroSlots, MacroCheck::TooManyFunctions},
        {"766", kShortMacroSlots, MacroCheck::Passed},
        {"766 001", kShortMacroSlots, MacroCheck::TooManyFunctions},
        {"1", kMacroSlots, MacroCheck::InvalidFunction},  // codes are compared as text
        {"001 1", kMacroSlots, MacroCheck::InvalidFunction},
        // An unknown code is named before an overflow.
        {repeated("001", 16) + " 1", kMacroSlots, MacroCheck::InvalidFunction},
        {"", kMacroSlots, MacroCheck::InvalidFunction},
        {"NONE", kMacroSlots, MacroCheck::InvalidFunction},
        {"none stored", kMacroSlots, MacroCheck::InvalidFunction},
    };
    for (const auto& c : cases)
        EXPECT_EQ(macroCheck(c.functions, c.maxSlots), c.result)
            << "'" << c.functions << "' in " << c.maxSlots << " slots";
}

TEST(AreaChecks, PendingIdSpeechFallsBackToThePendingIdTimerInSeconds) {
    EXPECT_EQ(pendingIdSpeechDefault("5"), "300");
    EXPECT_EQ(pendingIdSpeechDefault("255"), "15300");
    EXPECT_EQ(pendingIdSpeechDefault("0"), "0");
    EXPECT_EQ(pendingIdSpeechDefault(""), "0");
    EXPECT_EQ(pendingIdSpeechDefault("x"), "0");
    // The fallback always passes the joint check.
    for (const char* minutes : {"0", "1", "5", "255"})
        EXPECT_TRUE(pendingIdSpeechCheck(pendingIdSpeechDefault(minutes), minutes)) << minutes;
}

#undef CASE

}  // namespace
}  // namespace kelp
