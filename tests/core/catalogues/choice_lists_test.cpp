#include "core/catalogues/choice_lists.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "core/catalogues/catalogues.h"
#include "core/catalogues/macro_functions.h"

namespace kelp {
namespace {

TEST(ChoiceListsTest, MacroNumbers) {
    const ChoiceList& list = macroList();
    ASSERT_EQ(list.size(), 90);
    EXPECT_EQ(list.entry(7).text, "7");
    EXPECT_EQ(list.entry(7).stored, "07");
    EXPECT_EQ(list.entry(90).stored, "90");
    EXPECT_EQ(formatMacroNumber(7), "07");
    EXPECT_EQ(formatMacroNumber(10), "10");
    EXPECT_EQ(formatMacroNumber(90), "90");

    const struct {
        const char* stored;
        int row;
    } cases[] = {
        {"90", 90},
        {"07", 7},
        {"7", 7},
        {"007", 7},
        {"01", 1},
        {"0", -1},
        {"00", -1},
        {"91", -1},
        {"", -1},
        {"x", -1},
        {"-5", -1},
        {" 7", -1},
        {"7.0", -1},
        {"00000000000000000001", 1},
        {"99999999999999999999", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(macroListRow(c.stored), c.row) << "stored '" << c.stored << "'";
    }
}

TEST(ChoiceListsTest, PortSets) {
    const struct {
        const char* code;
        PortSetNone admitted;
        int row;
    } cases[] = {
        {"1", PortSetNone::NotOffered, 1},   {"123", PortSetNone::NotOffered, 7},
        {"23", PortSetNone::Zero, 6},        {"0", PortSetNone::NotOffered, -1},
        {"0", PortSetNone::Zero, 8},         {"0", PortSetNone::NinetyNine, -1},
        {"99", PortSetNone::NinetyNine, 9},  {"99", PortSetNone::Zero, -1},
        {"4", PortSetNone::NinetyNine, -1},  {"21", PortSetNone::NotOffered, -1},
        {" 1", PortSetNone::NotOffered, -1}, {"", PortSetNone::Zero, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(portSetRow(c.code, c.admitted), c.row) << "code '" << c.code << "'";
    }

    EXPECT_EQ(portSetEntries(PortSetNone::NotOffered).size(), 7u);
    EXPECT_EQ(portSetEntries(PortSetNone::NotOffered).back(), (ListEntry{"All Ports", 123}));
    EXPECT_EQ(portSetEntries(PortSetNone::Zero).back(), (ListEntry{"None", 0}));
    EXPECT_EQ(portSetEntries(PortSetNone::NinetyNine).back(), (ListEntry{"None", 99}));
    EXPECT_EQ(portSetEntries(PortSetNone::NinetyNine).size(), 8u);
}

// Each choice stores its code; the texts are the lists' own.
TEST(ChoiceListsTest, StoredValuesOfChoices) {
    const struct {
        const ChoiceList& list;
        const char* text;
        const char* stored;
        long itemData;
    } cases[] = {
        {schedulerHourList(), "Every Hour", "99", 99},
        {schedulerHourList(), "Disabled", "25", 25},
        {schedulerHourList(), "12 AM", "00", 0},
        {schedulerHourList(), "1 PM", "13", 13},
        {schedulerHourList(), "12 PM", "12", 12},
        {schedulerHourList(), "11 PM", "23", 23},
        {schedulerHourList(), "9 AM", "09", 9},
        {schedulerDayList(), "Sunday", "7", 7},
        {schedulerDayList(), "Everyday", "0", 0},
        {schedulerDayList(), "Weekends", "9", 9},
        {schedulerOccurrenceList(), "3rd", "3", 3},
        {schedulerMinuteList(), "05", "05", 5},
        {totResetPointList(), "After COS", "0", 0},
        {totResetPointList(), "After CT Seg 4", "4", 4},
        {tailMessageList(), "NONE", "0", 0},
        {tailMessageList(), "3", "3", 3},
        {idExtrasList(), "Time  & Good M/A/E After ID", "10", 10},
        {idExtrasList(), "Random Rotation", "11", 11},
    };
    for (const auto& c : cases) {
        const int row = c.list.rowOfStored(c.stored);
        ASSERT_GT(row, 0) << c.text;
        EXPECT_EQ(c.list.entry(row).text, c.text);
        EXPECT_EQ(c.list.entry(row).itemData, c.itemData) << c.text;
        EXPECT_EQ(c.list.rowOfItemData(c.itemData), row) << c.text;
    }
}

TEST(ChoiceListsTest, ListSizesAndOrder) {
    EXPECT_EQ(schedulerHourList().size(), 26);
    EXPECT_EQ(schedulerHourList().entry(3).text, "12 AM");
    EXPECT_EQ(schedulerHourList().entry(26).text, "11 PM");
    EXPECT_EQ(schedulerDayList().size(), 10);
    EXPECT_EQ(schedulerDayList().entry(1).text, "Sunday");
    EXPECT_EQ(schedulerDayList().entry(10).text, "Everyday");
    EXPECT_EQ(schedulerOccurrenceList().size(), 5);
    EXPECT_EQ(schedulerMinuteList().size(), 60);
    EXPECT_EQ(totResetPointList().size(), 5);
    EXPECT_EQ(tailMessageList().size(), 4);
    EXPECT_EQ(idExtrasList().size(), 12);
    EXPECT_EQ(portSetList().size(), 9);
    EXPECT_THROW(idExtrasList().entry(0), std::out_of_range);
    EXPECT_THROW(idExtrasList().entry(13), std::out_of_range);
}

TEST(ChoiceListsTest, NumericAndTextLookupsDiffer) {
    // The loader compares a file's hour as text; a single digit only matches by number.
    EXPECT_EQ(schedulerHourList().rowOfStored("7"), -1);
    EXPECT_EQ(schedulerHourList().rowOfNumber("7"), schedulerHourList().rowOfStored("07"));
    EXPECT_EQ(schedulerHourList().rowOfNumber("0A"), -1);
    EXPECT_EQ(schedulerDayList().rowOfNumber("0"), 10);
}

TEST(ChoiceListsTest, IdExtrasLookupNormalises) {
    const struct {
        const char* code;
        int row;
    } cases[] = {{"0", 1}, {" 10 ", 11}, {"11", 12}, {"12", -1}, {"a", -1}, {"", -1}, {"01", -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(idExtrasRow(c.code), c.row) << "code '" << c.code << "'";
    }
}

TEST(ChoiceListsTest, DtmfDigitPositions) {
    const struct {
        char digit;
        int position;
    } cases[] = {{'1', 1},  {'9', 9},  {'0', 10}, {'*', 11}, {'#', 12}, {'A', 13},
                 {'D', 16}, {'d', -1}, {'E', -1}, {' ', -1}, {'\0', -1}};
    for (const auto& c : cases) {
        EXPECT_EQ(dtmfDigitPosition(c.digit), c.position) << "digit '" << c.digit << "'";
    }
    EXPECT_EQ(dtmfDigitPosition(std::string_view("#")), 12);
    EXPECT_EQ(dtmfDigitPosition(std::string_view("")), -1);
    EXPECT_EQ(dtmfDigitPosition(std::string_view("12")), -1);
    EXPECT_EQ(dtmfDigitList().size(), 16);
}

// Start-up may build the tables while another thread already reads them.
TEST(ChoiceListsTest, TablesBuildOnceUnderConcurrentFirstUse) {
    std::vector<std::thread> threads;
    std::vector<const void*> seen(4);
    for (std::size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] {
            buildCatalogues();
            seen[i] = &MacroFunctionCatalogue::instance();
        });
    }
    for (auto& t : threads) t.join();
    for (const void* p : seen) EXPECT_EQ(p, &MacroFunctionCatalogue::instance());
    EXPECT_EQ(MacroFunctionCatalogue::instance().rowOfCode("791"), 814);
}

}  // namespace
}  // namespace kelp
