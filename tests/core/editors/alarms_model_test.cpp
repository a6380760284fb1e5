#include "core/editors/alarms_model.h"

#include <gtest/gtest.h>

#include "core/database/area_checks.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

using Flags = std::vector<std::pair<UploadFlag, int>>;

// A database holding a valid Alarms area: memories 1-10 in use, 11-40 not.
class AlarmsModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int n = 1; n <= AlarmsModel::kAlarms; ++n) {
            database.set("Alarm", n, "1");
            database.set("AlarmLowMacroNum", n, "90");
            database.set("AlarmHighMacroNum", n, "90");
        }
        database.set("RadioType", "2");
        database.set("YaesuType", "0");
        database.set("RemoteBasePrefix", "A7");
        database.set("Terminator", "D");
        for (int m = 1; m <= AlarmsModel::kMemories; ++m) {
            const bool used = m <= kRequiredRemoteMemories;
            database.set("FreqString", m, used ? "1460002" : "NONE");
            database.set("CTCSS", m, used ? "12" : "NONE");
            database.set("CTCSSMode", m, used ? "1" : "NONE");
            database.set("RadioMode", m, used ? "4" : "NONE");
        }
        database.saved = true;
        model.open();
    }

    Flags raisedFlags() const { return testing::raisedFlags(database); }

    ControllerDatabase database;
    AlarmsModel model{database};
};

TEST_F(AlarmsModelTest, LoadingSplitsFrequencyAndOffset) {
    EXPECT_EQ(model.frequency(1), "146000");
    EXPECT_EQ(model.offset(1), "2");
    EXPECT_EQ(model.frequency(12), "NONE");
    EXPECT_EQ(model.offset(12), "NONE");
    EXPECT_EQ(model.marker(), -1);
}

TEST_F(AlarmsModelTest, MemoryCountFollowsTheClockOption) {
    EXPECT_EQ(model.memoryCount(), 10);
    database.hasRtc = true;
    EXPECT_EQ(model.memoryCount(), 40);
}

TEST_F(AlarmsModelTest, FiveDigitFrequencyIsPaddedAndJoinedWithItsOffset) {
    model.editFrequency(3, " 14600 ");
    EXPECT_EQ(model.marker(), AlarmsModel::kFrequencyMarker);
    EXPECT_FALSE(model.leaveFrequency(3));
    EXPECT_EQ(model.frequency(3), "014600");
    model.editOffset(3, 3);
    EXPECT_TRUE(model.offsetDiffers(3));
    EXPECT_FALSE(model.offsetDiffers(2));
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_EQ(database.get("FreqString", 3), "0146003");
    EXPECT_EQ(raisedFlags(), (Flags{{UploadFlag::RemoteBaseMemories, 0}}));
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.marker(), -1);
}

TEST_F(AlarmsModelTest, FrequencyAndCtcssChecksByMemory) {
    struct Case {
        int memory;
        std::string text;
        std::string refusal;  // empty: accepted
    };
    const std::string required =
        "Remote Base Memory: Frequency is required for Remote Base Memories 1-10";
    const std::string numeric = "Remote Base Memory: Frequency is invalid.  Must be numeric";
    const Case frequencies[] = {
        {2, "NONE", "Remote Base Memory 2\r\n" + required},
        {10, "NONE", "Remote Base Memory 10\r\n" + required},
        {11, "NONE", ""},
        {12, "NONE", ""},
        {4, "146.52", "Remote Base Memory 4\r\n" + numeric},
        {4, "", ""},
    };
    for (const Case& c : frequencies) {
        model.editFrequency(c.memory, c.text);
        const auto refusal = model.leaveFrequency(c.memory);
        EXPECT_EQ(refusal ? refusal->text : "", c.refusal) << c.memory << " " << c.text;
        if (refusal) {
            EXPECT_EQ(refusal->title, "Remote Base Frequency");
        }
    }
    EXPECT_EQ(model.frequency(4), "000000");

    const std::string invalid =
        "Remote Base Memory: CTCSS code invalid, must be between numeric and must be valid for "
        "the radio";
    const Case codes[] = {
        {2, "NONE",
         "Remote Base Memory 2\r\nRemote Base Memory: CTCSS is required for Remote "
         "Base Memories 1-10"},
        {12, "NONE", ""},
        {3, "50", "Remote Base Memory 3\r\n" + invalid},
        {3, "49", ""},
        {5, "7", ""},
    };
    for (const Case& c : codes) {
        model.editCtcss(c.memory, c.text);
        const auto refusal = model.leaveCtcss(c.memory);
        EXPECT_EQ(refusal ? refusal->text : "", c.refusal) << c.memory << " " << c.text;
        if (refusal) {
            EXPECT_EQ(refusal->title, "Remote Base CTCSS");
        }
    }
    EXPECT_EQ(model.value("CTCSS", 5), "07");
}

TEST_F(AlarmsModelTest, PrefixChecks) {
    const std::string warning =
        "*** WARNING  WARNING  WARNING ***\r\nThe Remote Base Prefix string contains the "
        "character that is presently defined as your DTMF Terminator ('#')\r\n\r\nChange the "
        "Terminator before trying to upload the new Remote Base Prefix or else change the Remote "
        "Base Terminator\r\nFailure to do so will result in loss of your new Remote Base Prefix";
    const std::string pending =
        "The Remote Base Prefix string may not contain the character that is going to be "
        "uploaded to the controller as your new Terminator Digit ('7')";
    const std::string invalid =
        "Remote Base Setup: Remote Base Prefix is invalid.  Must be 1-5 valid DTMF characters";
    struct Case {
        std::string newTerminator;
        std::string typed;
        std::string kept;
        std::vector<std::string> texts;
        bool refused;
    };
    const Case cases[] = {
        {"", "", "A7", {}, false},           {"", "123456", "123456", {invalid}, true},
        {"", "12E", "12E", {invalid}, true}, {"", "1#", "1#", {warning}, false},
        {"7", "17", "17", {pending}, true},  {"7", "12", "12", {}, false},
        {"", "a7b", "A7B", {}, false},       {"7", "#7", "#7", {warning, pending}, true},
    };
    database.set("Terminator", "#");
    for (const Case& c : cases) {
        database.set("NewTerminator", c.newTerminator);
        model.editText("RemoteBasePrefix", 0, c.typed);
        const AlarmsModel::PrefixLeave leave = model.leavePrefix();
        EXPECT_EQ(model.value("RemoteBasePrefix"), c.kept) << c.typed;
        std::vector<std::string> texts;
        for (const Notice& n : leave.notices) texts.push_back(n.text);
        EXPECT_EQ(texts, c.texts) << c.typed;
        EXPECT_EQ(leave.refused, c.refused) << c.typed;
    }
    EXPECT_EQ(AlarmsModel::prefixShown("0"), "No Prefix");
    EXPECT_EQ(AlarmsModel::prefixValue("No Prefix"), "0");
}

TEST_F(AlarmsModelTest, ApplyRefusesARefusedPrefixAndYaesuWithoutType) {
    model.editText("RemoteBasePrefix", 0, "XYZ");
    auto result = model.applyChanges();
    EXPECT_FALSE(result.applied);
    ASSERT_EQ(result.notices.size(), 2u);
    EXPECT_EQ(result.notices[1], (Notice{"APPLY FAIL", "Changes were NOT applied due to errors"}));
    EXPECT_EQ(database.get("RemoteBasePrefix"), "A7");

    model.editText("RemoteBasePrefix", 0, "");
    model.editChoice("RadioType", 0, 3);
    result = model.applyChanges();
    EXPECT_FALSE(result.applied);
    EXPECT_EQ(result.notices,
              (std::vector<Notice>{{"Yaesu Type", "Yaesu Type required with Radio Type: Yaesu"}}));
    EXPECT_EQ(database.get("RadioType"), "2");
    EXPECT_TRUE(raisedFlags().empty());

    model.editChoice("YaesuType", 0, 2);
    result = model.applyChanges();
    EXPECT_TRUE(result.applied);
    EXPECT_EQ(database.get("RemoteBasePrefix"), "A7");
    EXPECT_EQ(database.get("YaesuType"), "2");
    EXPECT_EQ(raisedFlags(), (Flags{{UploadFlag::RadioType, 0}}));
}

TEST_F(AlarmsModelTest, InconsistentMemoriesAreReportedButApplied) {
    database.hasRtc = true;
    model.editFrequency(12, "146520");
    model.editOffset(12, 1);
    model.editChoice("CTCSSMode", 15, 2);
    const auto result = model.applyChanges();
    EXPECT_TRUE(result.applied);
    ASSERT_EQ(result.notices.size(), 1u);
    EXPECT_EQ(result.notices[0].title, "Remote Base Error");
    EXPECT_EQ(result.notices[0].text,
              "WARNING\r\n\r\nData for Remote Base Memories is inconsistent.  Some of the "
              "parameters for a memory have been entered and some have not been entered (value "
              "of 'NONE').\r\nFor example: \r\nRemote Base Memory = 15\r\n  Freq = 'NONE'\r\n  "
              "Offset = 'NONE'\r\n  CTCSS = 'NONE'\r\n  CTCSS Mode = '2'\r\n  Radio Mode = "
              "'NONE'\r\n\r\nData for the following Remote Base Memories is inconsistent and "
              "data for these individual memories will not be uploaded to the controller:\r\n12, "
              "15");
    // The box says they will not be uploaded: they are stored as not in use.
    for (const char* key : {"FreqString", "CTCSS", "CTCSSMode", "RadioMode"}) {
        EXPECT_EQ(database.get(key, 12), "NONE") << key;
        EXPECT_EQ(database.get(key, 15), "NONE") << key;
    }
    EXPECT_EQ(model.frequency(12), "NONE");
}

TEST_F(AlarmsModelTest, MemoriesAboveTenCanBeSetBackToNotInUse) {
    database.hasRtc = true;
    for (const char* key : {"CTCSS", "CTCSSMode", "RadioMode"}) database.set(key, 14, "1");
    database.set("FreqString", 14, "1465203");
    model.open();
    EXPECT_FALSE(model.clearMemory(10));
    EXPECT_EQ(model.frequency(10), "146000");
    ASSERT_TRUE(model.clearMemory(14));
    EXPECT_TRUE(model.applyChanges().applied);
    EXPECT_EQ(database.get("FreqString", 14), "NONE");
    EXPECT_EQ(database.get("CTCSS", 14), "NONE");
    EXPECT_EQ(raisedFlags(), (Flags{{UploadFlag::RemoteBaseMemories, 0}}));
    // The controller takes six frequency digits.
    model.editFrequency(3, "1465200");
    ASSERT_TRUE(model.leaveFrequency(3));
    EXPECT_EQ(model.leaveFrequency(3)->text,
              "Remote Base Memory 3\r\nRemote Base Memory: Frequency is invalid.  Must be at most "
              "6 digits");
}

TEST_F(AlarmsModelTest, AlarmValuesFlagTheirOwnAlarm) {
    model.editChoice("Alarm", 2, 0);
    model.editChoice("AlarmLowMacroNum", 4, 7);
    model.editChoice("AlarmHighMacroNum", 5, 12);
    EXPECT_EQ(model.marker(), 0);
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_EQ(database.get("AlarmLowMacroNum", 4), "07");
    EXPECT_EQ(raisedFlags(), (Flags{{UploadFlag::LogicAlarmEnable, 2},
                                    {UploadFlag::AlarmLowMacro, 4},
                                    {UploadFlag::AlarmHighMacro, 5}}));
}

TEST_F(AlarmsModelTest, ApplyRechecksTheLastEditedMemory) {
    model.editFrequency(6, "NONE");
    model.editFrequency(3, "12");
    model.editCtcss(8, "99");
    const auto result = model.applyChanges();
    EXPECT_FALSE(result.applied);
    ASSERT_EQ(result.notices.size(), 2u);
    EXPECT_EQ(result.notices[0].title, "Remote Base CTCSS");
    EXPECT_EQ(database.get("CTCSS", 8), "12");
}

}  // namespace
}  // namespace kelp
