#include "core/catalogues/word_list.h"

namespace kelp {

namespace {
// What an empty message macro or memory holds; it is a marker, not two words.
constexpr std::string_view kNoneStored = "NONE STORED";
}  // namespace

std::string_view trimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string upperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

std::string normaliseWord(std::string_view text) {
    return upperCase(trimSpaces(text));
}

std::vector<std::string_view> splitAtSpaces(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto space = text.find(' ', start);
        if (space == std::string_view::npos) {
            pieces.push_back(text.substr(start));
            return pieces;
        }
        pieces.push_back(text.substr(start, space - start));
        start = space + 1;
    }
}

std::string normaliseWordList(std::string_view text) {
    std::string result;
    for (std::string_view piece : splitAtSpaces(trimSpaces(text))) {
        if (piece.empty()) {
            continue;
        }
        if (!result.empty()) {
            result += ' ';
        }
        result += piece;
    }
    return result;
}

int wordListCount(std::string_view text) {
    if (text == kNoneStored) {
        return 0;
    }
    int count = 0;
    for (std::string_view piece : splitAtSpaces(text)) {
        if (!piece.empty()) {
            ++count;
        }
    }
    return count;
}

}  // namespace kelp
