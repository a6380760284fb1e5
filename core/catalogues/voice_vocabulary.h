// The controller's spoken vocabulary: 236 recorded words and the 19 voice recorder tracks,
// each sent to and read from the controller as a three-digit code. Speech texts (voice IDs,
// message macros) are words of this table separated by single spaces.
//
// Rows are 1-based in the order of the word lists: the words (codes 000-235), a separator
// row (word " ", code "-1") that the lists show as a blank line, then DVR1-DVR19
// (codes 236-254). Lookups upper-case and trim their argument before comparing.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/catalogues/list_entry.h"

namespace kelp {

struct VocabularyRow {
    std::string_view word;  // "ZERO", "A.M.", "DVR19"; " " for the separator row
    std::string_view code;  // "000".."254"; "-1" for the separator row
};

class VoiceVocabulary {
  public:
    static constexpr int kRowCount = 256;
    static constexpr int kSeparatorRow = 237;

    // The one vocabulary, built on first use (thread-safe) and only read afterwards.
    static const VoiceVocabulary& instance();

    const std::vector<VocabularyRow>& rows() const { return rows_; }

    // The 1-based row of the word (upper-cased and trimmed first), or -1; empty gives -1.
    int wordIndex(std::string_view word) const;

    // The word's three-digit code, or "" when the word is empty or unknown.
    std::string codeOfWord(std::string_view word) const;

    // The word of a code (upper-cased and trimmed first); a one- or two-character code is
    // zero-padded to three ("7" and "07" find "SEVEN"). "" when empty or unknown.
    std::string wordOfCode(std::string_view code) const;

    // "NONE STORED" counts 0; otherwise the non-blank pieces between single spaces.
    static int wordCount(std::string_view text);

    // Trimmed, with runs of spaces between words reduced to one.
    static std::string normalise(std::string_view text);

    // True for a blank text, or when every piece between single spaces is a known word
    // (in any case). An empty piece between two spaces fails: normalise first.
    bool allWordsKnown(std::string_view text) const;

    // The codes of the words in order, run together as the upload sends speech
    // ("ONE TWO" -> "001002"). Blank pieces are skipped.
    std::string encode(std::string_view text) const;

    // The word list: every row's word with its code as item data (-1 for the separator,
    // which marks it as not insertable).
    std::vector<ListEntry> listEntries() const;

  private:
    VoiceVocabulary();

    std::vector<VocabularyRow> rows_;
    std::unordered_map<std::string_view, int> rowByWord_;
    std::unordered_map<std::string_view, int> rowByCode_;
};

// Shorthand for VoiceVocabulary::instance().
inline const VoiceVocabulary& voiceVocabulary() {
    return VoiceVocabulary::instance();
}

}  // namespace kelp
