#include "core/editors/analog_model.h"

#include <gtest/gtest.h>

#include <tuple>

#include "core/database/area_checks.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// A database holding a plausible, valid Analog area.
class AnalogModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int i = 1; i <= 8; ++i) {
            database.set("Meter", i, "1");
            for (const char* key : {"RealLow", "MeterLow", "RealHigh", "MeterHigh"})
                database.set(key, i, "100");
            database.set("MeterNum", i, "1");
            database.set("MeterAlarmType", i, "0");
            database.set("MeterSetPoint", i, "A20");
            database.set("MeterMacro", i, "90");
        }
        database.set("Vref", "500");
        database.saved = true;
        model.open();
    }

    std::vector<std::pair<UploadFlag, int>> raisedFlags() const {
        return testing::raisedFlags(database);
    }

    ControllerDatabase database;
    AnalogModel model{database};
};

TEST_F(AnalogModelTest, ChoosingAnAlarmIsNotAnEdit) {
    model.selectAlarm(5);
    EXPECT_EQ(model.selectedAlarm(), 5);
    EXPECT_EQ(model.marker(), -1);
    // The channel tabs are no port tabs.
    model.selectTab(AnalogModel::kAlarmsTab);
    EXPECT_EQ(model.currentPort(), 1);
    EXPECT_THROW(model.selectAlarm(9), std::out_of_range);
}

TEST_F(AnalogModelTest, FieldRefusalsCarryTheirExactWordsAndBounds) {
    const std::string trip =
        "Trip Value invalid, must be between 0 and 35000 with a leading 'A' allowed to "
        "indicate negative";
    struct Case {
        const char* key;
        int index;
        const char* value;
        const char* title;
        std::string text;
        int marker;
    } cases[] = {
        {"RealLow", 3, "32768", "Real Low", "Real Low invalid, must be between 0 and 32767", 1},
        {"MeterLow", 8, "99999", "Meter Low", "Meter Low invalid, must be between 0 and 32767", 2},
        {"RealHigh", 1, "40000", "Real High", "Real High invalid, must be between 0 and 32767", 3},
        {"MeterHigh", 2, "32768", "Meter High", "Meter High invalid, must be between 0 and 32767",
         4},
        {"Vref", 0, "521", "VREF", "VREF invalid, must be between 0 and 520", 5},
        {"MeterSetPoint", 4, "A35001", "Meter Trip Value", trip, 6},
        {"MeterSetPoint", 6, "35001", "Meter Trip Value", trip, 6},
        {"MeterSetPoint", 1, "A", "Meter Trip Value", trip, 6},
        {"MeterSetPoint", 2, "AA5", "Meter Trip Value", trip, 6},
    };
    for (const auto& c : cases) {
        model.open();
        model.editText(c.key, c.index, c.value);
        EXPECT_EQ(model.marker(), c.marker) << c.key;
        const auto refusal = model.leaveField(c.key, c.index);
        ASSERT_TRUE(refusal) << c.key << "=" << c.value;
        EXPECT_EQ(refusal->title, c.title) << c.key;
        EXPECT_EQ(refusal->text, c.text) << c.key;
        EXPECT_EQ(model.value(c.key, c.index), c.value) << "the refused text is kept";
    }
    for (const auto& [key, index, value] : {std::tuple{"RealLow", 3, "32767"},
                                            {"Vref", 0, "520"},
                                            {"MeterSetPoint", 4, "A35000"},
                                            {"MeterSetPoint", 5, "a150"},
                                            {"MeterSetPoint", 7, "35000"}}) {
        model.editText(key, index, value);
        EXPECT_FALSE(model.leaveField(key, index)) << key << "=" << value;
    }
}

TEST_F(AnalogModelTest, MinusSignInTheTripValueBecomesTheLeadingA) {
    struct Case {
        const char* typed;
        std::optional<std::string> shown;
    } cases[] = {
        {"-", "A"},
        {"-150", "A150"},
        {"a15", "a15"},
        {"", ""},
        {"150-", std::nullopt},
        {"--1", std::nullopt},
        {"A-", std::nullopt},
        {"1A", std::nullopt},
        {"1.5", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(AnalogModel::tripValueEntry(c.typed), c.shown) << c.typed;

    model.editText("MeterSetPoint", 3, *AnalogModel::tripValueEntry("-150"));
    EXPECT_FALSE(model.leaveField("MeterSetPoint", 3));
    EXPECT_EQ(model.value("MeterSetPoint", 3), "A150");
}

TEST_F(AnalogModelTest, ApplyRechecksTheBoxEditedLast) {
    model.editText("RealHigh", 7, "32768");
    model.selectTab(0);
    const auto notices = model.apply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].title, "Real High");
    EXPECT_EQ(notices[1], (Notice{"APPLY FAIL", "Changes were NOT applied due to errors"}));
    EXPECT_EQ(database.get("RealHigh", 7), "100");
    EXPECT_EQ(model.marker(), 3);
    EXPECT_TRUE(database.saved);

    // A trip value that was never left is checked by Apply as well.
    model.editText("RealHigh", 7, "100");
    model.editText("MeterSetPoint", 2, "40000");
    ASSERT_EQ(model.apply().size(), 2u);
    EXPECT_EQ(database.get("MeterSetPoint", 2), "A20");
    EXPECT_TRUE(raisedFlags().empty());

    model.editText("MeterSetPoint", 2, "");
    EXPECT_TRUE(model.apply().empty());
    EXPECT_EQ(database.get("MeterSetPoint", 2), "0");
}

TEST_F(AnalogModelTest, ApplySetsOnlyTheFlagsOfChangedValues) {
    model.editChoice("Meter", 2, 4);
    model.editText("MeterHigh", 6, "250");
    model.editText("Vref", 0, "480");
    model.editChoice("MeterMacro", 3, 7);
    model.editChoice("MeterAlarmType", 8, 2);
    model.editText("RealLow", 1, "100");  // typed back to its stored value
    EXPECT_EQ(model.value("MeterMacro", 3), "07");
    EXPECT_TRUE(model.apply().empty());

    const std::vector<std::pair<UploadFlag, int>> expected{
        {UploadFlag::MeterSetup, 2},
        {UploadFlag::MeterSetup, 6},
        {UploadFlag::MeterSetup, kVrefFlagIndex},
        {UploadFlag::MeterAlarm, 3},
        {UploadFlag::MeterAlarm, 8},
    };
    EXPECT_EQ(raisedFlags(), expected);
    EXPECT_EQ(database.get("Meter", 2), "4");
    EXPECT_EQ(database.get("Vref"), "480");
    EXPECT_EQ(database.get("MeterMacro", 3), "07");
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.marker(), -1);
}

TEST_F(AnalogModelTest, CancelAsksThenRestoresTheDatabaseValues) {
    model.editText("Vref", 0, "12");
    const Notice question = model.cancelQuestion();
    EXPECT_EQ(question.title, "ANALOG CANCEL CHANGES");
    EXPECT_EQ(question.text,
              "This will cancel all Analog changes made since your last Analog 'Apply' or "
              "Analog 'Cancel Changes'\r\n\r\nYes to proceed, No to return to editing without "
              "cancelling");
    model.cancelChanges();
    EXPECT_EQ(model.value("Vref"), "500");
    EXPECT_EQ(model.marker(), -1);

    model.editChoice("MeterNum", 4, 6);
    const auto guard = unappliedChangesGuard(database, Area::Analog);
    ASSERT_TRUE(guard);
    EXPECT_EQ(guard->title, "Unapplied Analog Changes");
}

TEST(AnalogLists, StoredCodesMatchTheLoadersChecks) {
    // Every entry a list offers must be a value the file loader keeps.
    for (const ChoiceEntry& e : meterTypeList().entries())
        EXPECT_TRUE(meterTypeCheck(e.stored)) << e.text;
    for (const ChoiceEntry& e : meterAlarmTypeList().entries())
        EXPECT_TRUE(meterAlarmTypeCheck(e.stored)) << e.text;
    EXPECT_EQ(meterTypeList().size(), 7);
    EXPECT_EQ(meterTypeList().entry(meterTypeList().rowOfItemData(5)).text, "MPH");
    EXPECT_EQ(meterAlarmTypeList().entry(3).stored, "2");
}

}  // namespace
}  // namespace kelp
