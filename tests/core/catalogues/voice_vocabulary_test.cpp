#include "core/catalogues/voice_vocabulary.h"

#include <gtest/gtest.h>

#include <string>

namespace kelp {
namespace {

const VoiceVocabulary& vocabulary() {
    return VoiceVocabulary::instance();
}

std::string threeDigits(int n) {
    std::string text = std::to_string(n);
    return std::string(3 - text.size(), '0') + text;
}

// The codes follow the row numbers around the separator; a dropped or doubled word shifts
// every code after it.
TEST(VoiceVocabularyTest, TableShape) {
    const auto& rows = vocabulary().rows();
    ASSERT_EQ(rows.size(), 256u);
    for (int row = 1; row <= 256; ++row) {
        const VocabularyRow& r = rows[static_cast<std::size_t>(row - 1)];
        if (row == VoiceVocabulary::kSeparatorRow) {
            EXPECT_EQ(r.word, " ");
            EXPECT_EQ(r.code, "-1");
            continue;
        }
        const int code = row < VoiceVocabulary::kSeparatorRow ? row - 1 : row - 2;
        EXPECT_EQ(r.code, threeDigits(code)) << "row " << row;
        EXPECT_EQ(r.word.find_first_of(" abcdefghijklmnopqrstuvwxyz"), std::string_view::npos)
            << "row " << row << " '" << r.word << "'";
        if (row > VoiceVocabulary::kSeparatorRow) {
            EXPECT_EQ(r.word, "DVR" + std::to_string(row - VoiceVocabulary::kSeparatorRow));
        }
        EXPECT_EQ(vocabulary().wordIndex(r.word), row) << "each word appears once";
    }
}

TEST(VoiceVocabularyTest, WordIndex) {
    const struct {
        const char* word;
        int row;
    } cases[] = {
        {" zero ", 1},    {"ZERO", 1},
        {"DVR20", -1},    {"", -1},
        {"   ", -1},      {" ", -1},
        {"a.m.", 74},     {"Thank_You", 205},
        {"FORTY", -1},    {"fourty", 23},
        {"dvr1", 238},    {"DVR19", 256},
        {"ZERO ONE", -1}, {"-s(makes_plural)", 235},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vocabulary().wordIndex(c.word), c.row) << "word '" << c.word << "'";
    }
}

TEST(VoiceVocabularyTest, CodeAndWordLookups) {
    const struct {
        const char* code;
        const char* word;
    } wordsOfCodes[] = {
        {"235", "SILENCE(PAUSE)"},
        {"5", "FIVE"},
        {"05", "FIVE"},
        {" 7 ", "SEVEN"},
        {"255", ""},
        {"236", "DVR1"},
        {"-1", ""},
        {"", ""},
        {"0005", ""},
        {"000", "ZERO"},
        {"0", "ZERO"},
    };
    for (const auto& c : wordsOfCodes) {
        EXPECT_EQ(vocabulary().wordOfCode(c.code), c.word) << "code '" << c.code << "'";
    }
    const struct {
        const char* word;
        const char* code;
    } codesOfWords[] = {
        {"fourty", "022"}, {" dvr19", "254"}, {"A", "030"}, {"", ""}, {"DVR20", ""}, {" ", ""},
    };
    for (const auto& c : codesOfWords) {
        EXPECT_EQ(vocabulary().codeOfWord(c.word), c.code) << "word '" << c.word << "'";
    }
}

TEST(VoiceVocabularyTest, CountNormaliseAndCheck) {
    EXPECT_EQ(VoiceVocabulary::wordCount("NONE STORED"), 0);
    EXPECT_EQ(VoiceVocabulary::wordCount("ONE  TWO"), 2);
    EXPECT_EQ(VoiceVocabulary::wordCount("  ONE "), 1);
    EXPECT_EQ(VoiceVocabulary::wordCount(""), 0);
    EXPECT_EQ(VoiceVocabulary::wordCount("NONE  STORED"), 2);

    EXPECT_EQ(VoiceVocabulary::normalise("  one   two  "), "one two");
    EXPECT_EQ(VoiceVocabulary::normalise("   "), "");
    EXPECT_EQ(VoiceVocabulary::normalise("ONE"), "ONE");

    const struct {
        const char* text;
        bool known;
    } checks[] = {
        {"", true},         {"   ", true},   {"one two", true},    {"ONE  TWO", false},
        {"ONE XYZ", false}, {" ONE", false}, {"DVR19 A.M.", true}, {"THE", false},
    };
    for (const auto& c : checks) {
        EXPECT_EQ(vocabulary().allWordsKnown(c.text), c.known) << "text '" << c.text << "'";
    }
}

TEST(VoiceVocabularyTest, Encode) {
    EXPECT_EQ(vocabulary().encode("A.M. DVR19"), "073254");
    EXPECT_EQ(vocabulary().encode("ONE TWO"), "001002");
    EXPECT_EQ(vocabulary().encode(" one  two "), "001002");
    EXPECT_EQ(vocabulary().encode(""), "");
}

TEST(VoiceVocabularyTest, ListEntries) {
    const std::vector<ListEntry> list = vocabulary().listEntries();
    ASSERT_EQ(list.size(), 256u);
    EXPECT_EQ(list[0], (ListEntry{"ZERO", 0}));
    EXPECT_EQ(list[236], (ListEntry{" ", -1}));
    EXPECT_EQ(list[237], (ListEntry{"DVR1", 236}));
    EXPECT_EQ(list[255], (ListEntry{"DVR19", 254}));
}

}  // namespace
}  // namespace kelp
