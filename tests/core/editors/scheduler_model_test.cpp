#include "core/editors/scheduler_model.h"

#include <gtest/gtest.h>

#include "core/catalogues/choice_lists.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// Setpoint n: Monday at n o'clock, minute 05, macro n, weekly, occurrence 2; every one
// disabled except where a test enables it. 24-hour readback on, correction "A3".
class SchedulerModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int n = 1; n <= 20; ++n) {
            database.set("DOW", n, "1");
            database.set("Monthly", n, "0");
            database.set("Week", n, "2");
            database.set("Hours", n, "25");
            database.set("Minutes", n, "05");
            database.set("MacroToRun", n, n < 10 ? "0" + std::to_string(n) : std::to_string(n));
        }
        database.set("SayYear", "1");
        database.set("TwentyFour", "1");
        database.set("SayHour", "0");
        database.set("ClockCorrection", "A3");
        database.saved = true;
        model.open();
    }

    // The item data of a list's entry by its text.
    static int item(const ChoiceList& list, const std::string& text) {
        for (const ChoiceEntry& e : list.entries())
            if (e.text == text)
                return static_cast<int>(e.itemData);
        ADD_FAILURE() << "no entry " << text;
        return -1;
    }

    ControllerDatabase database;
    SchedulerModel model{database};
};

TEST_F(SchedulerModelTest, ChoicesStoreTheirCodesInTheirStoredForms) {
    const struct {
        const char* key;
        const ChoiceList& list;
        const char* entry;
        const char* stored;
    } cases[] = {
        {"Hours", schedulerHourList(), "Every Hour", "99"},
        {"Hours", schedulerHourList(), "Disabled", "25"},
        {"Hours", schedulerHourList(), "12 AM", "00"},
        {"Hours", schedulerHourList(), "1 PM", "13"},
        {"DOW", schedulerDayList(), "Sunday", "7"},
        {"DOW", schedulerDayList(), "Everyday", "0"},
        {"Week", schedulerOccurrenceList(), "5th", "5"},
        {"Minutes", schedulerMinuteList(), "07", "07"},
        {"MacroToRun", macroList(), "9", "09"},
    };
    for (const auto& c : cases) {
        model.editChoice(c.key, 4, item(c.list, c.entry));
        EXPECT_EQ(model.value(c.key, 4), c.stored) << c.key << " " << c.entry;
        EXPECT_EQ(model.marker(), 0);
    }
}

TEST_F(SchedulerModelTest, MonthlyEnablesTheOccurrenceAndReadbackEnablesSayHours) {
    EXPECT_FALSE(model.occurrenceEnabled(6));
    model.editChoice("Monthly", 6, 1);
    EXPECT_TRUE(model.occurrenceEnabled(6));
    EXPECT_FALSE(model.occurrenceEnabled(7));
    model.editChoice("Week", 6, 4);
    model.editChoice("Monthly", 6, 0);
    EXPECT_FALSE(model.occurrenceEnabled(6));
    EXPECT_EQ(model.value("Week", 6), "4") << "clearing Monthly keeps the occurrence";

    EXPECT_TRUE(model.sayHoursEnabled());
    model.editChoice("SayHour", 0, 1);
    model.editChoice("TwentyFour", 0, 0);
    EXPECT_FALSE(model.sayHoursEnabled());
    EXPECT_EQ(model.value("SayHour"), "1") << "disabling Say Hours keeps its value";
}

TEST_F(SchedulerModelTest, TheClockCorrectionTakesZeroToFiftyNineWithALeadingA) {
    const struct {
        const char* typed;
        bool refused;
        const char* after;
    } cases[] = {
        {"A3", false, "A3"}, {"a3", false, "A3"}, {"59", false, "59"}, {"A60", true, "A60"},
        {"-3", true, "-3"},  {"3A", true, "3A"},  {"", false, "0"},
    };
    for (const auto& c : cases) {
        model.editText("ClockCorrection", 0, c.typed);
        EXPECT_EQ(model.marker(), 1);
        const auto refusal = model.leaveField("ClockCorrection", 0);
        EXPECT_EQ(refusal.has_value(), c.refused) << c.typed;
        if (refusal) {
            EXPECT_EQ(*refusal, (Notice{kClockCorrectionTitle, kClockCorrectionText}));
        }
        EXPECT_EQ(model.value("ClockCorrection"), c.after) << c.typed;
    }
    EXPECT_EQ(std::string(kClockCorrectionText),
              "Clock correction must be an integer between 0 and 59, with a leading 'A' "
              "allowed to indicate negative correction");
}

TEST_F(SchedulerModelTest, SwitchingSetpointsKeepsPendingChangesAndTheMarker) {
    model.editChoice("Hours", 2, 13);
    model.selectSetpoint(9);
    EXPECT_EQ(model.marker(), 0);
    model.selectSetpoint(2);
    EXPECT_EQ(model.selectedSetpoint(), 2);
    EXPECT_TRUE(model.differs("Hours", 2));
    EXPECT_THROW(model.selectSetpoint(21), std::out_of_range);
}

TEST_F(SchedulerModelTest, ApplyFlagsEachChangedSetpointAndClockSettingAndMarksUnsaved) {
    using F = UploadFlag;
    model.editChoice("Minutes", 3, 30);
    model.editChoice("MacroToRun", 3, 44);  // two values of one setpoint: one flag
    model.editChoice("DOW", 17, 0);
    model.editChoice("SayYear", 0, 0);
    model.editText("ClockCorrection", 0, "a7");  // not left: Apply re-checks it
    EXPECT_TRUE(model.apply().empty());
    EXPECT_EQ(database.get("ClockCorrection"), "A7");
    EXPECT_EQ(database.get("MacroToRun", 3), "44");
    EXPECT_EQ(testing::raisedFlags(database),
              (std::vector<std::pair<F, int>>{{F::SchedulerSetpoint, 3},
                                              {F::SchedulerSetpoint, 17},
                                              {F::SayYear, 0},
                                              {F::ClockCorrection, 0}}));
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.marker(), -1);

    // Saved since, but a flag still waits for the controller: an Apply keeps it unsaved.
    database.saved = true;
    EXPECT_TRUE(model.apply().empty());
    EXPECT_FALSE(database.saved);
}

TEST_F(SchedulerModelTest, CancelAsksItsOwnQuestion) {
    EXPECT_EQ(model.cancelQuestion(),
              (Notice{"SCHEDULER CANCEL CHANGES",
                      "This will cancel all Scheduler changes made since your last Scehduler "
                      "'Apply' or Scheduler 'Cancel'\r\n\r\nIt does not cancel any 'Set Clock' "
                      "or 'Date Format' changes because those were processed immediately upon "
                      "your input\r\n\r\nYes to proceed, No to return to editing without "
                      "cancelling"}));
}

TEST_F(SchedulerModelTest, TheWeekShowsEveryRunOfEachEnabledSetpoint) {
    const struct {
        const char* dow;
        const char* hours;
        const char* monthly;
        std::vector<std::pair<int, int>> runs;  // (day, hour), Sunday 0
        const char* label;
    } cases[] = {
        {"1", "25", "0", {}, ""},  // disabled
        {"7", "00", "0", {{0, 0}}, "5: M5"},
        {"9", "23", "0", {{0, 23}, {6, 23}}, "5: M5"},
        {"8", "13", "1", {{1, 13}, {2, 13}, {3, 13}, {4, 13}, {5, 13}}, "5: M5 2nd"},
        {"0", "07", "0", {{0, 7}, {1, 7}, {2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}}, "5: M5"},
        {"x", "07", "0", {}, ""},  // no day of the list
    };
    for (const auto& c : cases) {
        database.set("DOW", 5, c.dow);
        database.set("Hours", 5, c.hours);
        database.set("Monthly", 5, c.monthly);
        model.cancelChanges();
        const auto marks = scheduleMarks(model);
        std::vector<std::pair<int, int>> runs;
        for (const ScheduleMark& m : marks) {
            runs.emplace_back(m.day, m.hour);
            EXPECT_EQ(m.setpoint, 5);
            EXPECT_EQ(m.minute, 5);
            EXPECT_EQ(markLabel(m), c.label);
        }
        EXPECT_EQ(runs, c.runs) << c.dow << " " << c.hours;
    }
    ScheduleMark mark;
    mark.setpoint = 3;
    mark.macro = 12;
    mark.day = 1;
    mark.hour = 0;
    mark.minute = 5;
    EXPECT_EQ(markDescription(mark), "Setpoint 3: macro 12 at 12:05 AM on Monday");
    mark.hour = 13;
    mark.monthly = true;
    mark.occurrence = 2;
    EXPECT_EQ(markDescription(mark),
              "Setpoint 3: macro 12 at 1:05 PM on the 2nd Monday of the month");
    mark.monthly = false;
    mark.everyHour = true;
    EXPECT_EQ(markDescription(mark), "Setpoint 3: macro 12 every hour at :05 on Monday");

    // "Every Hour" on Tuesdays: a run in each of the day's 24 hours.
    model.editChoice("DOW", 20, 2);
    model.editChoice("Hours", 20, 99);
    const auto marks = scheduleMarks(model);
    EXPECT_EQ(marks.size(), 24u);
    for (int h = 0; h < 24; ++h) {
        EXPECT_EQ(marks[static_cast<std::size_t>(h)].day, 2);
        EXPECT_EQ(marks[static_cast<std::size_t>(h)].hour, h);
        EXPECT_TRUE(marks[static_cast<std::size_t>(h)].everyHour);
    }
}

}  // namespace
}  // namespace kelp
