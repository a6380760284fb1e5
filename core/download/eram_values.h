// The value forms of the main memory image, each with its inverse: how a record's text
// becomes a number or a character, and how the multi-record forms (a setpoint, a function
// list, a macro code, the clock correction) read and write. The decoder uses one direction,
// the image encoder the other.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelp {

// An erased byte of the controller's memory.
constexpr long kErasedByte = 255;
// The two bytes that fill unused places of the remote base prefix.
constexpr long kPrefixFiller1 = 252;
constexpr long kPrefixFiller2 = 253;

// What the controller keeps for an empty macro, message or memory.
extern const char* const kNoneStored;  // "NONE STORED"
// A message word whose code is 0 is kept as 255 (0 ends a message).
extern const char* const kZeroWord;  // "ZERO"

// A record's value as a number: blanks around it allowed, an optional sign, then digits.
// Anything else throws RuntimeError 13 "Type mismatch".
long eramNumber(const std::string& value);
// A record's value as a byte 0-255; another number throws RuntimeError 5.
long eramByte(const std::string& value);
// The character whose code is the record's byte; "?" for CR and LF.
char eramCharacter(const std::string& value);

// A meter alarm setpoint: a single-precision number, least significant byte first, kept as
// the number times 100 rounded to the nearest whole number ("1000" for 10.0); four erased
// bytes are "0". A number that does not fit 32 bits throws RuntimeError 6 "Overflow".
std::string setPointText(const std::uint8_t (&bytes)[4]);
// The inverse for a setpoint text of whole hundredths (throws std::invalid_argument when
// the text is not a number).
std::array<std::uint8_t, 4> setPointBytes(const std::string& text);

// The clock correction: a signed 16-bit number. A negative correction is kept the way the
// database file writes it, "A" and the magnitude ("A3" for -3).
std::string clockCorrectionText(long word);
// The inverse: "A3" and "-3" both give 65533; throws std::invalid_argument for other text.
long clockCorrectionWord(const std::string& text);

// A macro's function list: a byte 0 ends it; a function number is its first byte plus,
// while the byte just added is 255, the next one (at most three continuations), so 265 is
// kept as 255, 10. Numbers are three digits at least, joined by single spaces; an empty list
// is "NONE STORED".
std::string functionListText(const std::vector<long>& bytes);
// The inverse into a slot of the given size (zero-filled). False when the text does not fit
// or holds a piece that is not a function number; the bytes then hold what did fit.
bool functionListBytes(const std::string& text, int slot, std::vector<long>& bytes);

// A macro code: the bytes before the first 0 among the first four, each two DTMF digits,
// low nibble first.
std::string macroCodeText(const std::vector<long>& bytes);
// The inverse into a slot of the given size (zero-filled). False when a digit has no nibble
// ("D") or the code has more than eight digits; such digits are left out.
bool macroCodeBytes(const std::string& code, int slot, std::vector<long>& bytes);

}  // namespace kelp
