// The layout of the controller's main memory image: which records hold which settings, in
// what form. One row per decoding step, in image order; the decoder (eram_decoder) and the
// encoder (eram_encoder) both walk this table, so a setting's place is written down once.
//
// The image is read purely by position: record k is the k-th line of the image, and only
// the value after the line's first comma is used. Records 0-4084 are used.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelp {

constexpr int kEramRecordCount = 4085;

// How a step's records become settings.
enum class EramForm {
    Skip,                // consumed, not stored
    Number,              // one record per entry: every entry of the first key, then the next key
    Word,                // as Number with two records per entry, low byte then high
    Text,                // text slots of recordsPerEntry records, one per entry of the key
    CwIdSetup,           // CWTone1 words, CWTone2 words, CWSpeed, then the two CW ID lengths
    VoiceIdLengths,      // the lengths of voice IDs 1-3, port by port within each ID
    Meters,              // five groups of eight words: type, then four calibration values
    SetPoint,            // four bytes per meter alarm: a single-precision number
    CwIds,               // 15 CW characters per ID and port
    VoiceIds,            // 22 voice words per ID and port
    SchedDow,            // DOW, Monthly and Week from one record per setpoint
    CourtesyTones,       // sixteen blocks of words, port 1 tones 1-10, port 2, port 3
    DtmfMemories,        // character codes up to the first 255
    MessageMacros,       // voice words up to the first 0
    IdExtras,            // port 1 ID1-ID3, port 2, port 3
    FunctionLists,       // macro function numbers with 255 continuations
    MacroCodes,          // DTMF nibble pairs
    RemoteBasePrefix,    // characters of the first five records
    ClockCorrection,     // a signed 16-bit number
    RemoteBaseMemories,  // frequencies of 8 records, then CTCSS and CTCSS mode numbers
};

// What a Number (or Word, or Text) row does with the value after its form.
enum class EramRule {
    None,
    Trim,           // blanks trimmed
    EmptyIsZero,    // an empty text is stored as "0"
    ZeroOrOne,      // trimmed; anything but "0" or "1" is stored as "0"
    ErasedIsEmpty,  // 255 (an erased byte) is stored empty
    ErasedIsZero,   // 255 is stored as "0"
    AlarmType,      // 255 is "0"; "20", "21", "22" are stored as their last digit
    Above90Is90,    // a macro number above 90 is stored as "90"
    Above90Is1,     // a macro number above 90 is stored as "1"
    SchedHour,      // 254 is "0A", 255 is "0", one digit gets a leading "0"
    SchedMinute,    // 255 is "0", one digit gets a leading "0"
    SchedMacro,     // below 1 is "01", 255 is "0", one digit gets a leading "0"
};

struct EramStep {
    int firstRecord;
    int recordCount;
    std::string_view label;  // the step label the error reporter names
    EramForm form;
    std::vector<std::string_view> keys;  // the settings filled, in record order
    EramRule rule = EramRule::None;
    int firstIndex = 1;       // index of the first entry filled (General Timers 4-6 start at 4)
    int recordsPerEntry = 1;  // Text, FunctionLists, MacroCodes: records per slot
};

// Every step in image order; each starts where the one before it ends, and the last ends at
// kEramRecordCount.
const std::vector<EramStep>& eramLayout();

// Whether record k holds part of the unlock codes, the lock code or the terminator (kept out
// of the serial trace).
bool eramRecordHoldsCode(int record);

// The sixteen courtesy settings of a port in the order their blocks lie in the image.
const std::vector<std::string_view>& courtesyBlockOrder();

// The meter type words: 0 -> "0", 224 -> "1", 62 -> "2", 227 -> "3", 101 -> "4", 150 -> "5",
// 176 -> "6"; any other word gives "". meterTypeWord is the inverse (-1 for another text).
std::string meterTypeOfWord(long word);
int meterTypeWord(std::string_view type);

// The DTMF digit of a macro code nibble: 1-9 -> "1"-"9", 10 -> "0", 11 -> "*", 12 -> "#",
// 13 -> "A", 14 -> "B", 15 -> "C"; 0 gives nothing. nibbleOfDtmfDigit is the inverse (0 for
// a character no nibble carries, such as "D").
std::string dtmfDigitOfNibble(int nibble);
int nibbleOfDtmfDigit(char digit);

}  // namespace kelp
