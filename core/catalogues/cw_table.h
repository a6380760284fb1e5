// The Morse characters a CW ID may hold, each sent to and read from the controller as a
// two-digit code. The codes follow the telephone keypad: the key that carries a letter,
// then its place on the key (A = 21, Q = 71, Z = 90); digits are 00-09, and punctuation
// and prosigns have codes of their own. A CW ID is character names separated by single
// spaces; a name of several letters ("SK", "WORD_SPACE") is still one character.
//
// Unlike the voice vocabulary, name lookups compare the name exactly as passed: the
// identification editor upper-cases and trims a CW ID before it looks names up, so a
// lower-case name here is simply not found. Code lookups do normalise their argument.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/catalogues/list_entry.h"

namespace kelp {

struct CwRow {
    std::string_view name;  // "0".."9", "A".."Z", "SK", "WORD_SPACE", "-", "/", "AR", ",", "?"
    std::string_view code;  // two digits
};

class CwTable {
  public:
    static constexpr int kRowCount = 43;

    // The one table, built on first use (thread-safe) and only read afterwards.
    static const CwTable& instance();

    const std::vector<CwRow>& rows() const { return rows_; }

    // The 1-based row of the name, compared as passed; -1 when unknown or when the name is
    // empty after upper-casing and trimming.
    int characterIndex(std::string_view name) const;

    // The name's two-digit code, or "" (same test and comparison as characterIndex).
    std::string codeOfCharacter(std::string_view name) const;

    // The name of a code (upper-cased and trimmed first); a one-character code gets a "0"
    // in front ("7" finds "7" through "07"). "" when empty or unknown.
    std::string characterOfCode(std::string_view code) const;

    // True for a blank text, or when every piece between single spaces is a known name.
    bool allCharactersKnown(std::string_view text) const;

    // A CW ID is tidied and counted like a speech text: one character per name.
    static std::string normalise(std::string_view text);
    static int characterCount(std::string_view text);

    // The codes of the names in order, run together as the upload sends a CW ID
    // ("W 1 SK" -> "910160"). Blank pieces are skipped.
    std::string encode(std::string_view text) const;

    // The CW list: every row's name with its code as a number as item data.
    std::vector<ListEntry> listEntries() const;

  private:
    CwTable();

    std::vector<CwRow> rows_;
    std::unordered_map<std::string_view, int> rowByName_;
    std::unordered_map<std::string_view, int> rowByCode_;
};

// Shorthand for CwTable::instance().
inline const CwTable& cwTable() {
    return CwTable::instance();
}

}  // namespace kelp
