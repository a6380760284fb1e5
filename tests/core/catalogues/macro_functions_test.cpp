#include "core/catalogues/macro_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <string>

namespace kelp {
namespace {

const MacroFunctionCatalogue& catalogue() {
    return MacroFunctionCatalogue::instance();
}

// Codes the controller leaves unused.
std::set<int> excludedCodes() {
    std::set<int> codes{255, 510, 700, 765};
    for (int c = 554; c <= 560; ++c) codes.insert(c);
    for (int c = 562; c <= 569; ++c) codes.insert(c);
    for (int c = 601; c <= 604; ++c) codes.insert(c);
    for (int c = 632; c <= 659; ++c) codes.insert(c);
    return codes;
}

// Guards the transcription of the table as a whole: counts, order, the exact set of codes,
// and the shape of every row, without restating the rows.
TEST(MacroFunctionCatalogueTest, TableShape) {
    const auto& rows = catalogue().rows();
    ASSERT_EQ(rows.size(), 814u);

    int functions = 0;
    int blanks = 0;
    int previous = 0;
    int doubleBlanks = 0;
    std::string beforeDoubleBlank;
    std::set<int> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const MacroFunctionRow& row = rows[i];
        if (row.isBlank()) {
            ++blanks;
            EXPECT_TRUE(row.description.empty()) << "row " << i + 1;
            ASSERT_GT(i, 0u) << "the list starts with a function";
            ASSERT_LT(i + 1, rows.size()) << "the list ends with a function";
            if (rows[i - 1].isBlank()) {
                ++doubleBlanks;
                beforeDoubleBlank = std::string(rows[i - 2].description);
            }
            continue;
        }
        ++functions;
        ASSERT_EQ(row.code.size(), 3u) << "row " << i + 1;
        ASSERT_TRUE(std::all_of(row.code.begin(), row.code.end(),
                                [](char c) { return c >= '0' && c <= '9'; }));
        EXPECT_EQ(row.description.substr(0, 4), std::string(row.code) + " ") << "row " << i + 1;
        EXPECT_GT(row.description.size(), 4u);
        const int code = std::stoi(std::string(row.code));
        EXPECT_GT(code, previous) << "codes rise down the table, row " << i + 1;
        previous = code;
        seen.insert(code);
    }
    EXPECT_EQ(functions, 740);
    EXPECT_EQ(blanks, 74);
    EXPECT_EQ(doubleBlanks, 1);
    EXPECT_EQ(beforeDoubleBlank, "631 2 Tone Page Memory 2");

    const std::set<int> excluded = excludedCodes();
    for (int code = 1; code <= 791; ++code) {
        EXPECT_EQ(seen.count(code), excluded.count(code) ? 0u : 1u) << "code " << code;
    }
    EXPECT_EQ(rows.front().description, "001 Port 1 Carrier & Tone Access");
    EXPECT_EQ(rows.back().description, "791 Call Macro 90");
}

TEST(MacroFunctionCatalogueTest, RowOfCode) {
    const struct {
        const char* code;
        int row;
    } cases[] = {
        {"001", 1},  {"1", -1},    {"01", -1},   {"791", 814}, {"700", -1},
        {"255", -1}, {"256", 287}, {"0001", -1}, {" 001", -1}, {"007", 8},
        {"792", -1}, {"000", -1},  {"660", 683},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(catalogue().rowOfCode(c.code), c.row) << "code '" << c.code << "'";
    }
    // An empty text finds the first blank row, but it is never a function code.
    EXPECT_EQ(catalogue().rowOfCode(""), 7);
    EXPECT_FALSE(catalogue().isFunctionCode(""));
    EXPECT_TRUE(catalogue().isFunctionCode("766"));
    EXPECT_FALSE(catalogue().isFunctionCode("765"));
}

TEST(MacroFunctionCatalogueTest, DescriptionKeepsTheControllerSpelling) {
    const struct {
        const char* code;
        const char* name;
    } cases[] = {
        {"308", "Don't Say Year"},
        {"058", "Port 1Courtesy Tone 10"},
        {"002", "Port 2 Carrier & Tone  Access"},
        {"060", "Port 2 Courtesy Tone 2  "},
        {"090", "Read ADC Channel 4  "},
        {"580", "Read ADC Channel 3 HighValue"},
        {"766", "Call Macro 65"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(catalogue().descriptionOfCode(c.code), std::optional<std::string>(c.name))
            << "code " << c.code;
    }
    EXPECT_EQ(catalogue().descriptionOfCode("700"), std::nullopt);
    EXPECT_EQ(catalogue().descriptionOfCode("7"), std::nullopt);
}

TEST(MacroFunctionCatalogueTest, PickList) {
    const std::vector<ListEntry> list = catalogue().pickList();
    ASSERT_EQ(list.size(), 814u);
    EXPECT_EQ(
        std::count_if(list.begin(), list.end(), [](const ListEntry& e) { return e.itemData == 0; }),
        74);
    EXPECT_EQ(list[0], (ListEntry{"001 Port 1 Carrier & Tone Access", 1}));
    EXPECT_EQ(list[6], (ListEntry{"", 0}));
    EXPECT_EQ(list[813], (ListEntry{"791 Call Macro 90", 791}));
}

TEST(MacroFunctionCatalogueTest, FunctionWeight) {
    const struct {
        long code;
        int weight;
    } cases[] = {
        {0, 4},   {1, 1},   {255, 1}, {256, 2}, {510, 2},
        {511, 3}, {765, 3}, {766, 4}, {791, 4}, {999, 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacroFunctionCatalogue::functionWeight(c.code), c.weight) << "code " << c.code;
    }
}

TEST(MacroFunctionCatalogueTest, RowOutOfRangeThrows) {
    EXPECT_THROW(catalogue().row(0), std::out_of_range);
    EXPECT_THROW(catalogue().row(815), std::out_of_range);
    EXPECT_EQ(catalogue().row(814).code, "791");
}

}  // namespace
}  // namespace kelp
