#include "core/catalogues/cw_table.h"

#include "core/catalogues/word_list.h"

namespace kelp {

namespace {

struct NameAndCode {
    const char* name;
    const char* code;
};

// One keypad key a line.
// clang-format off
constexpr NameAndCode kRows[] = {
    {"0", "00"},  {"1", "01"},  {"2", "02"},  {"3", "03"},  {"4", "04"},
    {"5", "05"},  {"6", "06"},  {"7", "07"},  {"8", "08"},  {"9", "09"},
    {"A", "21"},  {"B", "22"},  {"C", "23"},
    {"D", "31"},  {"E", "32"},  {"F", "33"},
    {"G", "41"},  {"H", "42"},  {"I", "43"},
    {"J", "51"},  {"K", "52"},  {"L", "53"},
    {"M", "61"},  {"N", "62"},  {"O", "63"},
    {"P", "70"},  {"Q", "71"},  {"R", "72"},  {"S", "73"},
    {"T", "81"},  {"U", "82"},  {"V", "83"},
    {"W", "91"},  {"X", "92"},  {"Y", "93"},
    {"Z", "90"},
    {"SK", "60"},
    {"WORD_SPACE", "11"},
    {"-", "10"},
    {"/", "12"},
    {"AR", "13"},
    {",", "14"},
    {"?", "20"},
};
// clang-format on

static_assert(sizeof(kRows) / sizeof(kRows[0]) == CwTable::kRowCount, "the CW table has 43 rows");

}  // namespace

const CwTable& CwTable::instance() {
    static const CwTable table;
    return table;
}

CwTable::CwTable() {
    rows_.reserve(kRowCount);
    for (const NameAndCode& r : kRows) {
        rows_.push_back(CwRow{r.name, r.code});
        const int rowNumber = static_cast<int>(rows_.size());
        rowByName_.emplace(rows_.back().name, rowNumber);
        rowByCode_.emplace(rows_.back().code, rowNumber);
    }
}

int CwTable::characterIndex(std::string_view name) const {
    if (trimSpaces(name).empty()) {
        return -1;
    }
    const auto found = rowByName_.find(name);
    return found == rowByName_.end() ? -1 : found->second;
}

std::string CwTable::codeOfCharacter(std::string_view name) const {
    const int row = characterIndex(name);
    return row < 0 ? std::string() : std::string(rows_[static_cast<std::size_t>(row - 1)].code);
}

std::string CwTable::characterOfCode(std::string_view code) const {
    std::string key = normaliseWord(code);
    if (key.empty()) {
        return {};
    }
    if (key.size() == 1) {
        key.insert(0, 1, '0');
    }
    const auto found = rowByCode_.find(key);
    return found == rowByCode_.end()
               ? std::string()
               : std::string(rows_[static_cast<std::size_t>(found->second - 1)].name);
}

bool CwTable::allCharactersKnown(std::string_view text) const {
    if (trimSpaces(text).empty()) {
        return true;
    }
    for (std::string_view piece : splitAtSpaces(text)) {
        if (characterIndex(piece) < 0) {
            return false;
        }
    }
    return true;
}

std::string CwTable::normalise(std::string_view text) {
    return normaliseWordList(text);
}

int CwTable::characterCount(std::string_view text) {
    return wordListCount(text);
}

std::string CwTable::encode(std::string_view text) const {
    std::string codes;
    for (std::string_view piece : splitAtSpaces(text)) {
        if (!trimSpaces(piece).empty()) {
            codes += codeOfCharacter(piece);
        }
    }
    return codes;
}

std::vector<ListEntry> CwTable::listEntries() const {
    std::vector<ListEntry> entries;
    entries.reserve(rows_.size());
    for (const CwRow& r : rows_) {
        const long code = (r.code[0] - '0') * 10 + (r.code[1] - '0');
        entries.push_back(ListEntry{std::string(r.name), code});
    }
    return entries;
}

}  // namespace kelp
