#include "core/database/area_checks.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/catalogues/cw_table.h"
#include "core/catalogues/macro_functions.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/catalogues/word_list.h"
#include "core/database/field_checks.h"

namespace kelp {

namespace {

constexpr std::string_view kNoneStored = "NONE STORED";
constexpr std::string_view kNotInUse = "NONE";

// One of the listed one-character codes, exactly.
bool isOneOf(std::string_view code, std::string_view codes) {
    return code.size() == 1 && codes.find(code.front()) != std::string_view::npos;
}

// A remote base value that may be "NONE" only where the memory need not be in use.
bool memoryValueCheck(std::string_view text, int memory, int low, int high) {
    if (text == kNotInUse)
        return memory > kRequiredRemoteMemories;
    return numericFieldCheck(text, static_cast<std::int16_t>(low), static_cast<std::int16_t>(high));
}

// The text without one leading "A" or "a", the controller's sign for a negative value.
std::string_view withoutNegativeMark(std::string_view text) {
    if (!text.empty() && (text.front() == 'A' || text.front() == 'a'))
        text.remove_prefix(1);
    return text;
}

int slotWeight(double value) {
    if (value >= 1 && value <= 255)
        return 1;
    if (value >= 256 && value <= 510)
        return 2;
    if (value >= 511 && value <= 765)
        return 3;
    return 4;
}

}  // namespace

// ---- Timers -------------------------------------------------------------------------

bool isNumericText(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
    }
    return digits && i == text.size();
}

bool pendingIdSpeechCheck(std::string_view speechSeconds, std::string_view pendingIdMinutes) {
    if (!numericFieldCheck(speechSeconds, 0, 15300))
        return false;
    if (!isNumericText(pendingIdMinutes))
        return false;
    const double minutes = std::strtod(std::string(pendingIdMinutes).c_str(), nullptr);
    if (minutes == 0)
        return true;
    std::int64_t seconds = 0;
    parseDigits(speechSeconds, seconds);
    return static_cast<double>(seconds) <= minutes * 60;
}

std::string pendingIdSpeechDefault(std::string_view pendingIdMinutes) {
    std::int64_t minutes = 0;
    if (!parseDigits(pendingIdMinutes, minutes))
        return "0";
    return std::to_string(minutes * 60);
}

bool tailMessageCheck(std::string_view code) {
    return tailMessageList().rowOfStored(code) != -1;
}

// ---- Port switches ------------------------------------------------------------------

bool accessModeCheck(std::string_view code) {
    return isOneOf(code, "01");
}

// ---- Identification -----------------------------------------------------------------

bool voiceIdCheck(std::string_view text) {
    const std::string words = normaliseWordList(text);
    const int count = wordListCount(words);
    return count >= 1 && count <= kVoiceIdWords && voiceVocabulary().allWordsKnown(words);
}

bool cwIdCheck(std::string_view text) {
    const std::string characters = CwTable::normalise(text);
    const int count = CwTable::characterCount(characters);
    return count >= 1 && count <= kCwIdCharacters && cwTable().allCharactersKnown(characters);
}

bool cwTone2Check(std::string_view text) {
    return numericFieldCheck(text, 200, 3500) || numericFieldCheck(text, 0, 0);
}

bool idExtrasCheck(std::string_view code) {
    return idExtrasRow(code) != -1;
}

// ---- Macros -------------------------------------------------------------------------

bool portListCheck(std::string_view code, PortSetNone admitted) {
    return portSetRow(code, admitted) != -1;
}

int macroSlotSize(std::string_view functions) {
    if (functions == kNoneStored)
        return 0;
    int slots = 0;
    for (std::string_view piece : splitAtSpaces(functions)) {
        if (!isNumericText(piece))
            continue;
        slots += slotWeight(std::strtod(std::string(piece).c_str(), nullptr));
    }
    return slots;
}

MacroCheck macroCheck(std::string_view functions, int maxSlots) {
    if (functions == kNoneStored)
        return MacroCheck::Passed;
    const MacroFunctionCatalogue& catalogue = macroFunctions();
    bool anyFunction = false;
    for (std::string_view piece : splitAtSpaces(functions)) {
        if (piece.empty())
            continue;
        if (!catalogue.isFunctionCode(piece))
            return MacroCheck::InvalidFunction;
        anyFunction = true;
    }
    if (!anyFunction)
        return MacroCheck::InvalidFunction;
    return macroSlotSize(functions) > maxSlots ? MacroCheck::TooManyFunctions : MacroCheck::Passed;
}

// ---- Message macros -----------------------------------------------------------------

bool messageMacroCheck(std::string_view text) {
    if (text == kNoneStored)
        return true;
    const std::string words = normaliseWordList(text);
    if (words.empty())
        return false;
    if (!voiceVocabulary().allWordsKnown(words))
        return false;
    if (words.find("DVR20") != std::string::npos)
        return false;
    return wordListCount(words) <= kMessageMacroWords;
}

// ---- DTMF memories ------------------------------------------------------------------

bool dtmfMemoryCheck(std::string_view text) {
    if (text == kNoneStored)
        return true;
    std::string digits;
    for (char c : text) {
        if (c != ' ')
            digits += c;
    }
    return dtmfDigitStringCheck(digits, 1, kDtmfMemoryDigits);
}

std::string normaliseDtmfMemory(std::string_view text) {
    if (text == kNoneStored)
        return std::string(text);
    std::string shown;
    for (char c : text) {
        if (c == ' ')
            continue;
        if (!shown.empty())
            shown += ' ';
        shown += c;
    }
    return shown;
}

// ---- Scheduler ----------------------------------------------------------------------

bool schedulerDayCheck(std::string_view code) {
    return schedulerDayList().rowOfStored(code) != -1;
}

bool schedulerOccurrenceCheck(std::string_view code) {
    return schedulerOccurrenceList().rowOfStored(code) != -1;
}

bool schedulerHourCheck(std::string_view code) {
    // The controller takes the hour as two digits; anything longer is not an hour.
    return code.size() <= 2 && schedulerHourList().rowOfNumber(code) != -1;
}

bool clockCorrectionCheck(std::string_view text) {
    return numericFieldCheck(withoutNegativeMark(text), 0, 59);
}

// ---- Analog -------------------------------------------------------------------------

bool meterTypeCheck(std::string_view code) {
    return isOneOf(code, "0123456");
}

bool meterAlarmTypeCheck(std::string_view code) {
    return isOneOf(code, "012");
}

bool meterSetPointCheck(std::string_view text) {
    return wideNumericFieldCheck(withoutNegativeMark(text), 0, 35000);
}

// ---- Remote base --------------------------------------------------------------------

bool radioTypeCheck(std::string_view code) {
    return isOneOf(code, "12345789");
}

bool yaesuTypeCheck(std::string_view code) {
    return isOneOf(code, "012345");
}

bool remoteFrequencyCheck(std::string_view text, int memory) {
    if (text == kNotInUse)
        return memory > kRequiredRemoteMemories;
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool ctcssCheck(std::string_view text, int memory) {
    return memoryValueCheck(text, memory, 0, 49);
}

bool ctcssModeCheck(std::string_view text, int memory) {
    return memoryValueCheck(text, memory, 0, 2);
}

bool radioModeCheck(std::string_view text, int memory) {
    return memoryValueCheck(text, memory, 1, 5);
}

bool remoteMemoryWhole(std::string_view freqString, std::string_view ctcss,
                       std::string_view ctcssMode, std::string_view radioMode) {
    // Memory 1 is one that must be in use: "NONE" fails every part.
    constexpr int kInUse = 1;
    if (freqString.size() < 2 || freqString.size() > 7 ||
        freqString.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    const char offset = freqString.back();
    return offset >= '1' && offset <= '3' && ctcssCheck(ctcss, kInUse) &&
           ctcssModeCheck(ctcssMode, kInUse) && radioModeCheck(radioMode, kInUse);
}

// ---- Special codes ------------------------------------------------------------------

bool macroSubsetCheck(std::string_view subset) {
    if (subset.size() != 4)
        return false;
    const std::string_view start = subset.substr(0, 2);
    const std::string_view end = subset.substr(2, 2);
    if (!numericFieldCheck(start, 1, 90) || !numericFieldCheck(end, 1, 90))
        return false;
    std::int64_t first = 0;
    std::int64_t last = 0;
    parseDigits(start, first);
    parseDigits(end, last);
    return first <= last;
}

}  // namespace kelp
