#include "core/database/key_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>

#include "core/database/controller_database.h"

namespace kelp {
namespace {

// Every address a key has: ports 1-3 for courtesy keys (index = tone), else port 0.
template <typename F>
void forEachAddress(const KeyDescriptor& key, F&& f) {
    const int ports = key.shape == KeyShape::Courtesy ? 3 : 1;
    for (int p = 1; p <= ports; ++p) {
        const int port = key.shape == KeyShape::Courtesy ? p : 0;
        if (key.shape == KeyShape::Single) {
            f(port, 0);
        } else {
            for (int i = 1; i <= key.count; ++i) f(port, i);
        }
    }
}

class KeyRules : public ::testing::Test {
  protected:
    void SetUp() override { resetProcessDatabase(); }
    void TearDown() override { resetProcessDatabase(); }
};

TEST_F(KeyRules, EveryKeyHasARuleWhoseDefaultsPassItsOwnCheck) {
    for (const KeyDescriptor& key : keyTable()) {
        const KeyRule& rule = keyRule(key);
        EXPECT_EQ(&rule, &keyRule(key.name)) << key.name;
        ASSERT_TRUE(rule.defaultValue) << key.name;
        ASSERT_TRUE(rule.itemWords) << key.name;
        forEachAddress(key, [&](int port, int index) {
            EXPECT_FALSE(rule.itemWords(port, index).empty()) << key.name << "(" << index << ")";
            if (!rule.check)
                return;
            // A repaired file must load cleanly the next time.
            for (bool rtc : {false, true}) {
                const std::string def = rule.defaultValue(port, index, rtc);
                EXPECT_TRUE(rule.check(def, port, index))
                    << key.name << "(" << index << ") default '" << def << "'";
            }
            if (rule.silentDefault) {
                EXPECT_TRUE(rule.check(*rule.silentDefault, port, index)) << key.name;
            }
            EXPECT_FALSE(rule.check("x?", port, index)) << key.name;
        });
    }
}

TEST_F(KeyRules, ItemWordsNameWindowPortOrEntryAndField) {
    struct Case {
        const char* key;
        int port, index;
        const char* words;
    };
    const Case cases[] = {
        {"HangTime1", 0, 2, "Timers: Port 2: Hang Timer 1"},
        {"HangTime3", 0, 3, "Timers: Port 3: Hang Timer 3"},
        {"Lock", 0, 0, "Special Codes/Autopatch: Unlock/Lock/Terminator: Lock"},
        {"DTMFDelay", 0, 0, "DTMF: DTMF Parameters: Delay"},
        {"FreqString", 0, 12,
         "Logic Alarms/R Base: Remote Base Memories: Memory Number 12: Frequency"},
        {"CurrentPortUnlock", 0, 3,
         "Special Codes/Autopatch: Unlock/Lock/Terminator: Port 3 Unlock"},
        // The tail message program and the tail message macros are named as port switches;
        // the port of PnMessageNum is in the key's name, the index is the message.
        {"TailMessageNum", 0, 3, "Port Switches: Port 3: Tail Message Program: Tail Msg #"},
        {"P2MessageNum", 0, 3, "Port Switches: Port 2: Tail Message Program: Macro To Use: Msg 3"},
        {"TxEnable", 0, 1, "Port Switches: Port 1: Transmitter Enable"},
        // Short macro n is macro 40 + n.
        {"ShortMacro", 0, 5, "Macros: Macro 45"},
        {"ShortMacroCode", 0, 50, "Macros: Macro 90: Code"},
        {"Macro", 0, 40, "Macros: Macro 40"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyRule(c.key).itemWords(c.port, c.index), c.words) << c.key;
    // Courtesy keys come with their port; tone 5 is the first tone of segment 3.
    EXPECT_EQ(keyRule("Tone5").itemWords(3, 10),
              "Courtesy Tones: Port 3: Courtesy Tone 10: Segment 3: Tone 1");
    EXPECT_EQ(keyRule("Tone8").itemWords(1, 1),
              "Courtesy Tones: Port 1: Courtesy Tone 1: Segment 4: Tone 2");
}

TEST_F(KeyRules, DefaultsThatDependOnPortEntryOrDatabase) {
    const KeyRule& unlock = keyRule("CurrentPortUnlock");
    EXPECT_EQ(unlock.defaultValue(0, 1, false), "16937");
    EXPECT_EQ(unlock.defaultValue(0, 2, false), "26937");
    EXPECT_EQ(unlock.defaultValue(0, 3, true), "36937");

    // Memories 1-10 must be in use; a refused value above them leaves the memory unused.
    struct MemoryCase {
        const char* key;
        const char* inUse;
    };
    for (const MemoryCase& c : {MemoryCase{"FreqString", "1465202"}, MemoryCase{"CTCSS", "10"},
                                MemoryCase{"CTCSSMode", "0"}, MemoryCase{"RadioMode", "4"}}) {
        const KeyRule& rule = keyRule(c.key);
        EXPECT_EQ(rule.defaultValue(0, 1, true), c.inUse) << c.key;
        EXPECT_EQ(rule.defaultValue(0, 10, false), c.inUse) << c.key;
        EXPECT_EQ(rule.defaultValue(0, 11, true), "NONE") << c.key;
        EXPECT_EQ(rule.defaultValue(0, 40, true), "NONE") << c.key;
    }

    EXPECT_EQ(keyRule("MacroCode").defaultValue(0, 7, false), "73517");
    EXPECT_EQ(keyRule("ShortMacroCode").defaultValue(0, 5, false), "735145");

    // The speech timer falls back to the same port's pending ID timer in seconds.
    db().set("PIDTime", 2, "5");
    EXPECT_EQ(keyRule("IDSpeakTime").defaultValue(0, 2, false), "300");
    EXPECT_EQ(keyRule("IDSpeakTime").defaultValue(0, 1, false), "0");

    EXPECT_EQ(keyRule("Lock").defaultValue(0, 0, false), kFactoryLockCode);
    EXPECT_NE(std::string(kFactoryLockCode), keyRule("Terminator").defaultValue(0, 0, false));
    EXPECT_THROW(factoryUnlockCode(0), std::out_of_range);
    EXPECT_THROW(factoryUnlockCode(4), std::out_of_range);
}

TEST_F(KeyRules, OnlyTheListedKeysTakeAnEmptyValueSilently) {
    const std::map<std::string, std::string> silent = {
        {"Monthly", "0"},
        {"Week", "1"},
        {"MeterAlarmType", "0"},
        {"MeterSetPoint", "0"},
        {"MeterMacro", "90"},
        {"AnswerCode", "5820"},
        {"RingNumber", "2"},
        {"APTimeOut", "120"},
        {"PreProgramPrefix", "0"},
        {"DTMFMuteDigitSelect", "1"},
        {"RcvMacroActive", "90"},
        {"RcvMacroInactive", "90"},
        {"MessageMacro", "NONE STORED"},
        {"DTMF", "NONE STORED"},
        {"DTMFDur", "1"},
        {"DTMFDelay", "1"},
        {"RxEnable", "1"},
        {"DTMFCovertone", "1"},
        {"COSClose", "0"},
        {"DVRSeconds", "0"},
        {"DVRTracks", "0"},
        {"DVRRowsUsed", "0"},
    };
    for (const KeyDescriptor& key : keyTable()) {
        const auto expected = silent.find(key.name);
        const auto& actual = keyRule(key).silentDefault;
        if (expected == silent.end()) {
            EXPECT_FALSE(actual.has_value()) << key.name;
        } else {
            ASSERT_TRUE(actual.has_value()) << key.name;
            EXPECT_EQ(*actual, expected->second) << key.name;
        }
    }
}

TEST_F(KeyRules, TimerStyleReportsCoverTimersAndTheGlobalTimersKeptElsewhere) {
    struct Case {
        const char* key;
        ReportStyle style;
    };
    const Case cases[] = {
        {"HangTime1", ReportStyle::Timers},        {"IDSpeakTime", ReportStyle::Timers},
        {"AnnounceTime", ReportStyle::Timers},     {"FanSelect", ReportStyle::Timers},
        {"XmtDelay", ReportStyle::Timers},         {"TimeoutLink", ReportStyle::Timers},
        {"GeneralTimer", ReportStyle::Timers},     {"GeneralTimerMacro", ReportStyle::Timers},
        {"AlarmLowMacroNum", ReportStyle::Timers}, {"AlarmHighMacroNum", ReportStyle::Timers},
        {"TailMessageNum", ReportStyle::Standard}, {"TailCounter", ReportStyle::Standard},
        {"P1MessageNum", ReportStyle::Standard},   {"Alarm", ReportStyle::Standard},
        {"DTMFDelay", ReportStyle::Standard},      {"Lock", ReportStyle::Standard},
    };
    for (const auto& c : cases) EXPECT_EQ(keyRule(c.key).style, c.style) << c.key;
}

TEST_F(KeyRules, ChecksFollowTheSettingsOwnForm) {
    struct Case {
        const char* key;
        int index;
        const char* value;
        bool passes;
    };
    const Case cases[] = {
        // "None" of a port list: 99 for the user DTMF port, 0 for the patch ports, neither
        // for macro port restrictions.
        {"DTMFPort", 0, "99", true},
        {"DTMFPort", 0, "0", false},
        {"EnablePatch", 0, "0", true},
        {"EnablePatch", 0, "99", false},
        {"PortToAllow", 5, "0", false},
        {"PortToAllow", 5, "99", false},
        {"PortToAllow", 5, "23", true},
        // Five one-slot functions fit a long macro, not a short one.
        {"Macro", 1, "001 002 003 004 005", true},
        {"ShortMacro", 1, "001 002 003 004 005", false},
        {"ShortMacro", 1, "001 002 003 004", true},
        {"CWTone2", 1, "0", true},
        {"CWTone2", 1, "150", false},
        {"CWTone1", 1, "0", false},
        {"CTCSS", 10, "NONE", false},
        {"CTCSS", 11, "NONE", true},
        {"FreqString", 2, "NONE", false},
        {"FreqString", 12, "NONE", true},
        {"Terminator", 0, "DD", false},
        {"Lock", 0, "ABCD", true},
        {"Lock", 0, "12345", false},
        {"Hours", 3, "7", true},
        {"ClockCorrection", 0, "A3", true},
        {"ClockCorrection", 0, "A60", false},
        {"IDSpeakTime", 1, "15300", true},
        {"IDSpeakTime", 1, "15301", false},
        // A pending code is none or a code its window would take.
        {"NewPortUnlock", 1, "", true},
        {"NewPortUnlock", 1, "123456789", false},
        {"NewLock", 0, "12345", false},
        {"NewTerminator", 0, "DD", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyRule(c.key).check(c.value, 0, c.index), c.passes)
            << c.key << "(" << c.index << ") '" << c.value << "'";

    for (const char* key : {"AutoDial", "TollRestrict", "DVRSeconds"})
        EXPECT_FALSE(keyRule(key).check) << key << " is kept as read";
}

TEST_F(KeyRules, UnknownNameThrows) {
    EXPECT_THROW(keyRule("NoSuchKey"), std::out_of_range);
}

}  // namespace
}  // namespace kelp
