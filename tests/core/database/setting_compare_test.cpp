#include "core/database/setting_compare.h"

#include <gtest/gtest.h>

namespace kelp {
namespace {

TEST(SettingCompare, ValuesThatMeanTheSameToTheController) {
    const struct {
        const char* key;
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"InActivityMacro", "07", "7", true},  // a macro number
        {"CWTone2", "0", "0000", true},
        {"CTCSS", "08", "8", true},
        {"HangTime1", "40", "45", false},
        {"VoiceID1", "q z  seven", "Q Z SEVEN ", true},  // words: case and spacing
        {"VoiceID1", "Q Z SEVEN", "Q Z EIGHT", false},
        {"DTMF", "0 1", "1", false},  // every DTMF digit counts
        {"DTMF", "a b", "A B", true},
        {"CurrentPortUnlock", "00", "0", false},
        {"FreqString", "01465202", "1465202", false},
        {"AutoDial", "0123", "123", false},
        {"ClockCorrection", "A3", "a3", true},
        {"RemoteBasePrefix", "NONE", "0", false},
        {"MessageMacro", "NONE STORED", "", true},  // the upload sends it as empty text
        {"DTMF", "NONE STORED", "1", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sameToController(*findKey(c.key), c.a, c.b), c.same)
            << c.key << " '" << c.a << "' '" << c.b << "'";
}

TEST(SettingCompare, DifferencesComeInTabOrderWithTheirNames) {
    ControllerDatabase a;
    ControllerDatabase b;
    b.set("DTMF", 3, "1 2");               // DTMF tab
    b.set("HangTime2", 1, "9");            // Timers tab
    b.setCourtesy("Tone4", 2, 7, "1000");  // Courtesy Tones tab
    a.set("InActivityMacro", 3, "7");      // the same as "07"
    b.set("InActivityMacro", 3, "07");
    b.set("DTMF", 30, "9");  // memory 30 exists only with the RTC board
    const auto found = settingDifferences(a, b);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].key, "HangTime2(1)");
    EXPECT_EQ(found[0].where, "Timers: Port 1: Hang Timer 2");
    EXPECT_EQ(found[1].key, "P2Tone4(7)");
    EXPECT_EQ(found[2].key, "DTMF(3)");
    EXPECT_EQ(found[2].b, "1 2");
    b.hasRtc = true;
    EXPECT_EQ(settingDifferences(a, b).size(), 4u);
}

}  // namespace
}  // namespace kelp
