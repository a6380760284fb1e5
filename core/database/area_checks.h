// Checks that belong to one editor area but are also run by the database file loader,
// so both reach the same rule. Each takes the setting's text (already trimmed) and says
// whether the controller can take it; none of them changes the text.
//
// Word lists (voice IDs, CW IDs, message macros, macro functions) are judged by their
// words: runs of spaces between words do not matter, because every reader of such a text
// (the upload's encoders, the counters) skips blank pieces. The editors tidy the spacing
// before they check.
#pragma once

#include <string>
#include <string_view>

#include "core/catalogues/choice_lists.h"

namespace kelp {

// ---- Timers -------------------------------------------------------------------------

// A plain decimal number: optional sign, digits, optional fraction ("5", "-2", "3.5").
bool isNumericText(std::string_view text);

// Pending ID speech timer (seconds) against the same port's pending ID timer (minutes):
// 0-15300, and no more than the pending ID timer in seconds unless that timer is 0.
// A pending ID timer that is not a number refuses every speech value.
bool pendingIdSpeechCheck(std::string_view speechSeconds, std::string_view pendingIdMinutes);

// The speech timer a port falls back to when its own value is refused: the pending ID
// timer in seconds (minutes × 60), "0" when the pending ID timer is not a whole number.
std::string pendingIdSpeechDefault(std::string_view pendingIdMinutes);

// A tail message program: "0" (NONE) or message "1"-"3", exactly as the list stores it.
bool tailMessageCheck(std::string_view code);

// ---- Port switches ------------------------------------------------------------------

// Access mode: "0" carrier, "1" tone & carrier.
bool accessModeCheck(std::string_view code);

// ---- Identification -----------------------------------------------------------------

constexpr int kVoiceIdWords = 22;
constexpr int kCwIdCharacters = 15;

// 1-22 words of the voice vocabulary (any case).
bool voiceIdCheck(std::string_view text);
// 1-15 names of the CW table, compared as written: the editor upper-cases before it checks,
// and a lower-case name in a file would not encode, so it is refused.
bool cwIdCheck(std::string_view text);
// The second CW tone: 200-3500 Hz, or "0" for none.
bool cwTone2Check(std::string_view text);
// An ID extras code "0"-"11" (upper-cased and trimmed first, as the list looks it up).
bool idExtrasCheck(std::string_view code);

// ---- Macros -------------------------------------------------------------------------

constexpr int kMacroSlots = 15;      // long macros 1-40
constexpr int kShortMacroSlots = 4;  // short macros 41-90

// A port set code of the port set list: the seven real sets, plus "0" or "99" where the
// setting admits that form of "None" (autopatch ports 0, user DTMF regenerate port 99;
// macro port restrictions admit neither).
bool portListCheck(std::string_view code, PortSetNone admitted);

// Slots a function list takes in a macro: "NONE STORED" and blank text take 0; every
// numeric piece adds 1 (1-255), 2 (256-510), 3 (511-765) or 4 (anything else); pieces that
// are not numbers add nothing.
int macroSlotSize(std::string_view functions);

enum class MacroCheck {
    Passed,
    InvalidFunction,   // a piece is not a function code of the catalogue ("7" is not "007")
    TooManyFunctions,  // the functions take more slots than the macro has
};
// "NONE STORED" passes; otherwise every piece must be a catalogue code and the slot size
// at most maxSlots (kMacroSlots or kShortMacroSlots). An unknown code is reported before a
// slot overflow. A blank text holds no function code and is invalid: the editor turns it
// into "NONE STORED" first.
MacroCheck macroCheck(std::string_view functions, int maxSlots);

// ---- Message macros -----------------------------------------------------------------

constexpr int kMessageMacroWords = 9;

// "NONE STORED", or 1-9 vocabulary words without "DVR20" anywhere in the text (the
// controller has only nineteen recorder tracks that a message may play).
bool messageMacroCheck(std::string_view text);

// ---- DTMF memories ------------------------------------------------------------------

constexpr int kDtmfMemoryDigits = 10;

// "NONE STORED", or 1-10 DTMF digits (upper case) with any spaces between them.
bool dtmfMemoryCheck(std::string_view text);
// A memory as it is stored and shown: "NONE STORED" stays; anything else loses its spaces
// and gets one space between digits ("12A#" -> "1 2 A #"); a blank text stays empty.
std::string normaliseDtmfMemory(std::string_view text);

// ---- Scheduler ----------------------------------------------------------------------

// Day codes of the day list, exactly: "0"-"9".
bool schedulerDayCheck(std::string_view code);
// Occurrence in the month, exactly "1"-"5".
bool schedulerOccurrenceCheck(std::string_view code);
// A start hour of the hour list by its value: 0-23, 25 (disabled), 99 (every hour). Older
// files hold one-digit hours ("7"), which the loader writes back as two digits; more than
// two digits ("007") is refused.
bool schedulerHourCheck(std::string_view code);
// Clock correction: 0-59 seconds, with one leading "A" or "a" for a negative correction.
bool clockCorrectionCheck(std::string_view text);

// ---- Analog -------------------------------------------------------------------------

// Meter type "0" (off) to "6" (percent).
bool meterTypeCheck(std::string_view code);
// Meter alarm type "0" disabled, "1" low, "2" high.
bool meterAlarmTypeCheck(std::string_view code);
// Trip value: an optional leading "A" or "a" (negative), then digits 0-35000.
bool meterSetPointCheck(std::string_view text);

// ---- Remote base --------------------------------------------------------------------

// Memories 1-10 must be in use; "NONE" (not in use) is allowed only above memory 10.
constexpr int kRequiredRemoteMemories = 10;

// Radio type codes 1-5 and 7-9 (there is no 6).
bool radioTypeCheck(std::string_view code);
// Yaesu type "0" (non-Yaesu) to "5".
bool yaesuTypeCheck(std::string_view code);
// A memory's frequency digits (as stored, with the offset digit, or as edited, without):
// digits only, or "NONE" above memory 10.
bool remoteFrequencyCheck(std::string_view text, int memory);
// CTCSS code 0-49, or "NONE" above memory 10.
bool ctcssCheck(std::string_view text, int memory);
// CTCSS mode 0-2 (off, encode, decode), or "NONE" above memory 10.
bool ctcssModeCheck(std::string_view text, int memory);
// Radio mode 1-5 (LSB, USB, CW, FM, AM), or "NONE" above memory 10.
bool radioModeCheck(std::string_view text, int memory);
// A memory the controller can be sent: a stored frequency of up to six digits followed by
// its offset digit (1-3), a CTCSS code, CTCSS mode and radio mode, none of them "NONE".
bool remoteMemoryWhole(std::string_view freqString, std::string_view ctcss,
                       std::string_view ctcssMode, std::string_view radioMode);

// ---- Special codes ------------------------------------------------------------------

// Macro subset: exactly four characters, start macro then end macro, each 1-90, and the
// start not after the end ("1045" passes, "4510" does not).
bool macroSubsetCheck(std::string_view subset);

}  // namespace kelp
