// The value checks shared by the editors (when a box is left, and on Apply) and by the
// database file loader. Every check takes the setting's text, already trimmed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelp {

// Passes only a non-empty text of the digits 0-9 whose value lies in low..high.
// "007" passes 0..255; "", "1e2", "-1", "3.5", " 12" and "256" do not.
bool numericFieldCheck(std::string_view text, std::int16_t low, std::int16_t high);

// The same with 32-bit bounds, for the few ranges beyond 32767.
bool wideNumericFieldCheck(std::string_view text, std::int32_t low, std::int32_t high);

// Passes only "0" or "1".
bool booleanFieldCheck(std::string_view text);

// One of the sixteen DTMF digits "0"-"9", "*", "#", "A"-"D" (upper case only).
bool isDtmfDigit(char c);

// Passes only when the length lies in shortest..longest and every character is a DTMF digit.
bool dtmfDigitStringCheck(std::string_view text, int shortest, int longest);

// True when the text holds a control character (a byte below a space, or DEL). No setting
// holds one: inside a command line a CR would end the command early and start another.
bool holdsControlCharacter(std::string_view text);
// The text with every control character shown as a visible name ("<CR>", "<LF>", "<NUL>",
// "<TAB>", others as "<1B>"), for a report that must stay one line per line.
std::string visibleControlCharacters(std::string_view text);

// The text's value when it is all digits (leading zeros allowed) and fits in 32 bits.
// Used by the checks above and by callers that compare a checked value with another.
bool parseDigits(std::string_view text, std::int64_t& value);

}  // namespace kelp
