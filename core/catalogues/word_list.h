// Speech and CW texts are words separated by single spaces ("THIS IS A TEST", "W 1 SK").
// These helpers hold the text rules both word tables share: how a word list is trimmed,
// split, counted and tidied. Only the space character counts as blank, as in the
// controller's files; tabs and other characters are part of a word.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelp {

// The text without spaces at either end.
std::string_view trimSpaces(std::string_view text);

// The text with the ASCII letters a-z upper-cased; every other character is kept.
std::string upperCase(std::string_view text);

// upperCase(trimSpaces(text)): the form in which a word is looked up.
std::string normaliseWord(std::string_view text);

// The pieces between single spaces: "A  B" gives "A", "", "B"; "" gives one empty piece.
std::vector<std::string_view> splitAtSpaces(std::string_view text);

// Trim; an empty text stays empty; otherwise the non-empty pieces joined by single spaces.
std::string normaliseWordList(std::string_view text);

// "NONE STORED" counts 0; otherwise the number of non-blank pieces between single spaces.
int wordListCount(std::string_view text);

}  // namespace kelp
