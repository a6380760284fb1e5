#include "core/catalogues/word_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelp {
namespace {

TEST(WordListTest, SplitKeepsEmptyPiecesBetweenSpaces) {
    const struct {
        const char* text;
        std::vector<std::string_view> pieces;
    } cases[] = {
        {"A  B", {"A", "", "B"}}, {"", {""}},       {" A", {"", "A"}},
        {"A ", {"A", ""}},        {"ONE", {"ONE"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitAtSpaces(c.text), c.pieces) << "text '" << c.text << "'";
    }
}

// Only the space is blank: a tab stays part of the word, as the controller's files have it.
TEST(WordListTest, OnlySpacesAreTrimmed) {
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
    EXPECT_EQ(trimSpaces("\tA "), "\tA");
    EXPECT_EQ(trimSpaces("   "), "");
    EXPECT_EQ(normaliseWord(" a.m. "), "A.M.");
    EXPECT_EQ(upperCase("use(noun)_1"), "USE(NOUN)_1");
    EXPECT_EQ(normaliseWordList("\tA  B"), "\tA B");
    EXPECT_EQ(wordListCount("NONE STORED"), 0);
    EXPECT_EQ(wordListCount(" NONE STORED"), 2);
}

}  // namespace
}  // namespace kelp
