#include "core/catalogues/cw_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace kelp {
namespace {

const CwTable& cw() {
    return CwTable::instance();
}

// Letters are coded by their telephone key (first digit); digits are 0 and the digit.
TEST(CwTableTest, CodesFollowTheKeypad) {
    const std::map<char, char> keyOfLetter{
        {'A', '2'}, {'B', '2'}, {'C', '2'}, {'D', '3'}, {'E', '3'}, {'F', '3'}, {'G', '4'},
        {'H', '4'}, {'I', '4'}, {'J', '5'}, {'K', '5'}, {'L', '5'}, {'M', '6'}, {'N', '6'},
        {'O', '6'}, {'P', '7'}, {'Q', '7'}, {'R', '7'}, {'S', '7'}, {'T', '8'}, {'U', '8'},
        {'V', '8'}, {'W', '9'}, {'X', '9'}, {'Y', '9'}, {'Z', '9'}};
    ASSERT_EQ(cw().rows().size(), 43u);
    std::set<std::string_view> codes;
    for (const CwRow& row : cw().rows()) {
        ASSERT_EQ(row.code.size(), 2u) << row.name;
        EXPECT_TRUE(codes.insert(row.code).second) << "code " << row.code << " used twice";
        if (row.name.size() != 1) {
            continue;
        }
        const char c = row.name.front();
        if (c >= '0' && c <= '9') {
            EXPECT_EQ(row.code, (std::string{'0', c}));
        } else if (keyOfLetter.count(c)) {
            EXPECT_EQ(row.code.front(), keyOfLetter.at(c)) << "letter " << c;
        }
    }
}

TEST(CwTableTest, CharacterOfCode) {
    const struct {
        const char* code;
        const char* name;
    } cases[] = {
        {"90", "Z"},  {"5", "5"}, {"05", "5"}, {"60", "SK"}, {"99", ""},  {"11", "WORD_SPACE"},
        {" 7 ", "7"}, {"", ""},   {"   ", ""}, {"020", ""},  {"20", "?"}, {"0", "0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cw().characterOfCode(c.code), c.name) << "code '" << c.code << "'";
    }
}

// Names are compared as passed: unlike the vocabulary, no upper-casing or trimming.
TEST(CwTableTest, CharacterIndexAndCode) {
    const struct {
        const char* name;
        int row;
        const char* code;
    } cases[] = {
        {"WORD_SPACE", 38, "11"}, {"SPACE", -1, ""}, {"z", -1, ""},    {" Z", -1, ""},
        {"Z", 36, "90"},          {"", -1, ""},      {" ", -1, ""},    {"0", 1, "00"},
        {"?", 43, "20"},          {"sk", -1, ""},    {"AR", 41, "13"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cw().characterIndex(c.name), c.row) << "name '" << c.name << "'";
        EXPECT_EQ(cw().codeOfCharacter(c.name), c.code) << "name '" << c.name << "'";
    }
}

TEST(CwTableTest, CheckCountAndEncode) {
    EXPECT_TRUE(cw().allCharactersKnown(""));
    EXPECT_TRUE(cw().allCharactersKnown("W 1 SK"));
    EXPECT_FALSE(cw().allCharactersKnown("w 1 SK"));
    EXPECT_FALSE(cw().allCharactersKnown("W  1"));
    EXPECT_EQ(CwTable::characterCount("Q Z 7 4 0 WORD_SPACE"), 6);
    EXPECT_EQ(CwTable::normalise(" W   1 SK "), "W 1 SK");
    EXPECT_EQ(cw().encode("W 1 SK"), "910160");
    EXPECT_EQ(cw().encode("Q Z 7 4 0"), "7190070400");
}

TEST(CwTableTest, ListEntries) {
    const std::vector<ListEntry> list = cw().listEntries();
    ASSERT_EQ(list.size(), 43u);
    EXPECT_EQ(list[0], (ListEntry{"0", 0}));
    EXPECT_EQ(list[35], (ListEntry{"Z", 90}));
    EXPECT_EQ(list[42], (ListEntry{"?", 20}));
}

}  // namespace
}  // namespace kelp
