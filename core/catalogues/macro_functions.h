// The controller's macro functions: every three-digit function code a macro may hold, with
// the name the macros editor shows for it. Fixed for the firmware; never edited.
//
// The rows keep the order of the macros editor's function list, where blank rows (both
// texts empty) separate the groups of related functions. Row numbers are 1-based.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/catalogues/list_entry.h"

namespace kelp {

struct MacroFunctionRow {
    std::string_view description;  // "001 Port 1 Carrier & Tone Access"; "" for a blank row
    std::string_view code;         // "001"; "" for a blank row

    bool isBlank() const { return code.empty(); }
};

class MacroFunctionCatalogue {
  public:
    static constexpr int kRowCount = 814;
    static constexpr int kFunctionCount = 740;

    // The one catalogue, built on first use (thread-safe) and only read afterwards.
    static const MacroFunctionCatalogue& instance();

    const std::vector<MacroFunctionRow>& rows() const { return rows_; }
    // The row by 1-based number; throws std::out_of_range outside 1..kRowCount.
    const MacroFunctionRow& row(int rowNumber) const;

    // The 1-based row whose code equals the text exactly ("7" is not "001"..."791"), or -1.
    // An empty text finds the first blank row; callers that check a macro's pieces use
    // isFunctionCode, which never accepts an empty piece.
    int rowOfCode(std::string_view code) const;

    // True only for the code of a function row.
    bool isFunctionCode(std::string_view code) const;

    // The function's name without its code: the description from its fifth character on
    // ("308" -> "Don't Say Year"). std::nullopt when no row has the code.
    std::optional<std::string> descriptionOfCode(std::string_view code) const;

    // The function list: every row's description in row order; item data is the code as a
    // number for function rows and 0 for blank rows.
    std::vector<ListEntry> pickList() const;

    // Slots a function takes in a macro: 1 for codes 1-255, 2 for 256-510, 3 for 511-765,
    // 4 otherwise (0, and 766 and above).
    static int functionWeight(long code);

  private:
    MacroFunctionCatalogue();

    std::vector<MacroFunctionRow> rows_;
    std::unordered_map<std::string_view, int> rowByCode_;
};

// Shorthand for MacroFunctionCatalogue::instance().
inline const MacroFunctionCatalogue& macroFunctions() {
    return MacroFunctionCatalogue::instance();
}

}  // namespace kelp
