// The fixed choice lists that the editors offer and the database file loader checks
// against: macro numbers, TOT reset points, tail messages, port sets, scheduler days,
// occurrences, hours and minutes, ID extras and the DTMF digits.
//
// Each entry has the text the list shows, the number the list entry carries, and the
// setting's text when the entry is chosen. Rows are 1-based in list order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/catalogues/list_entry.h"

namespace kelp {

struct ChoiceEntry {
    std::string text;    // "After CT Seg 2", "12 PM", "Ports 1 & 3"
    long itemData = 0;   // 2, 12, 13
    std::string stored;  // "2", "12", "13"
};

class ChoiceList {
  public:
    explicit ChoiceList(std::vector<ChoiceEntry> entries);

    const std::vector<ChoiceEntry>& entries() const { return entries_; }
    int size() const { return static_cast<int>(entries_.size()); }
    // The entry by 1-based row; throws std::out_of_range outside 1..size().
    const ChoiceEntry& entry(int row) const;

    // The first row whose stored text equals the text exactly, or -1.
    int rowOfStored(std::string_view stored) const;
    // The first row whose item data equals the number, or -1.
    int rowOfItemData(long itemData) const;
    // For a text of digits only (leading zeros allowed: "7" and "07" alike), the row of its
    // value as item data; -1 for anything else, including an empty text or a sign.
    int rowOfNumber(std::string_view text) const;

    // The entries as a window fills its list: text and item data.
    std::vector<ListEntry> listEntries() const;

  private:
    std::vector<ChoiceEntry> entries_;
};

// Macros 1-90: entries "1".."90", item data the number, stored as two digits "01".."90".
const ChoiceList& macroList();
// A macro number as it is stored: at least two digits (7 -> "07", 90 -> "90").
std::string formatMacroNumber(long number);
// The row a stored macro number selects (v selects row v, so "7" and "07" select row 7),
// or -1 when the text is not a number 1-90.
int macroListRow(std::string_view stored);

// TOT reset points 0-4, from "After COS" to "After CT Seg 4".
const ChoiceList& totResetPointList();
// Tail message program: "NONE" (0) and messages 1-3.
const ChoiceList& tailMessageList();

// The nine port sets: the seven real sets, then "None" as 0 and "None" as 99. Each editor
// that offers "None" offers only one of the two forms.
const ChoiceList& portSetList();
enum class PortSetNone {
    NotOffered,  // only the seven real sets (macro port restrictions)
    Zero,        // "None" stored as 0 (autopatch ports)
    NinetyNine,  // "None" stored as 99 (user DTMF regenerate port)
};
// The entries a port set list shows: the seven real sets, then the "None" form asked for.
std::vector<ListEntry> portSetEntries(PortSetNone none);
// The 1-based row of a port set code (exact text): rows 1-7 for the real sets, row 8 for
// "0" or row 9 for "99" only where that "None" is admitted; -1 otherwise.
int portSetRow(std::string_view code, PortSetNone admitted);

// Scheduler setpoint lists.
const ChoiceList& schedulerDayList();         // "Sunday" 7 ... "Saturday" 6, "Weekdays" 8, ...
const ChoiceList& schedulerOccurrenceList();  // "1st" 1 ... "5th" 5
const ChoiceList& schedulerHourList();        // "Disabled" 25, "Every Hour" 99, "12 AM" 00 ...
const ChoiceList& schedulerMinuteList();      // "00" ... "59"

// What a port says around each voice ID, codes 0-11.
const ChoiceList& idExtrasList();
// The 1-based row of an ID extras code, after upper-casing and trimming it; -1 if none.
int idExtrasRow(std::string_view code);

// The sixteen DTMF digits in keypad order "1".."9", "0", "*", "#", "A".."D"; item data is
// the 1-based position.
const ChoiceList& dtmfDigitList();
// The 1-based position of a DTMF digit (upper case only), or -1.
int dtmfDigitPosition(char digit);
// The same for a text of exactly one character; -1 for any other text.
int dtmfDigitPosition(std::string_view digit);

}  // namespace kelp
