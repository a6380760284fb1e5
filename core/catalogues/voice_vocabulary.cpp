#include "core/catalogues/voice_vocabulary.h"

#include "core/catalogues/word_list.h"

namespace kelp {

namespace {

// The blank line between the words and the voice recorder tracks in the word lists.
constexpr const char* kSeparatorWord = " ";
constexpr const char* kSeparatorCode = "-1";

struct WordAndCode {
    const char* word;
    const char* code;
};

// Spellings are the controller's own ("FOURTY" is its word for 40).
constexpr WordAndCode kRows[] = {
    {"ZERO", "000"},
    {"ONE", "001"},
    {"TWO", "002"},
    {"THREE", "003"},
    {"FOUR", "004"},
    {"FIVE", "005"},
    {"SIX", "006"},
    {"SEVEN", "007"},
    {"EIGHT", "008"},
    {"NINE", "009"},
    {"TEN", "010"},
    {"ELEVEN", "011"},
    {"TWELVE", "012"},
    {"THIRTEEN", "013"},
    {"FOURTEEN", "014"},
    {"FIFTEEN", "015"},
    {"SIXTEEN", "016"},
    {"SEVENTEEN", "017"},
    {"EIGHTEEN", "018"},
    {"NINETEEN", "019"},
    {"TWENTY", "020"},
    {"THIRTY", "021"},
    {"FOURTY", "022"},
    {"FIFTY", "023"},
    {"SIXTY", "024"},
    {"SEVENTY", "025"},
    {"EIGHTY", "026"},
    {"NINETY", "027"},
    {"HUNDRED", "028"},
    {"THOUSAND", "029"},
    {"A", "030"},
    {"B", "031"},
    {"C", "032"},
    {"D", "033"},
    {"E", "034"},
    {"F", "035"},
    {"G", "036"},
    {"H", "037"},
    {"I", "038"},
    {"J", "039"},
    {"K", "040"},
    {"L", "041"},
    {"M", "042"},
    {"N", "043"},
    {"O", "044"},
    {"P", "045"},
    {"Q", "046"},
    {"R", "047"},
    {"S", "048"},
    {"T", "049"},
    {"U", "050"},
    {"V", "051"},
    {"W", "052"},
    {"X", "053"},
    {"Y", "054"},
    {"Z", "055"},
    {"ABOVE", "056"},
    {"ACTIVE", "057"},
    {"AFTERNOON", "058"},
    {"ALERT", "059"},
    {"ALL", "060"},
    {"AMATEUR", "061"},
    {"AMPS", "062"},
    {"AND", "063"},
    {"ANSWER", "064"},
    {"APRIL", "065"},
    {"ASSOCIATION", "066"},
    {"AT", "067"},
    {"AUGUST", "068"},
    {"AUTO", "069"},
    {"AUTOMATIC", "070"},
    {"AUXILIARY", "071"},
    {"AVERAGE", "072"},
    {"A.M.", "073"},
    {"BAND", "074"},
    {"BASE", "075"},
    {"BATTERY", "076"},
    {"BELOW", "077"},
    {"BUSY", "078"},
    {"BY", "079"},
    {"CALIBRATE", "080"},
    {"CALL", "081"},
    {"CANCEL", "082"},
    {"CARRIER", "083"},
    {"CAUTION", "084"},
    {"CHANGE", "085"},
    {"CHECK", "086"},
    {"CLEAR", "087"},
    {"CLOCK", "088"},
    {"CODE", "089"},
    {"COMPLETE", "090"},
    {"COMPUTER", "091"},
    {"CONNECT", "092"},
    {"CONNECTED", "093"},
    {"CONTROL", "094"},
    {"CONTROLLER", "095"},
    {"CURRENT", "096"},
    {"DANGER", "097"},
    {"DATE", "098"},
    {"DAY", "099"},
    {"DECEMBER", "100"},
    {"DEGREES", "101"},
    {"DEVIATION", "102"},
    {"DIRECTION", "103"},
    {"DISCONNECTED", "104"},
    {"DOWN", "105"},
    {"EAST", "106"},
    {"ECHO", "107"},
    {"EMERGENCY", "108"},
    {"ENTER", "109"},
    {"EQUAL", "110"},
    {"ERROR", "111"},
    {"EVENING", "112"},
    {"FAILURE", "113"},
    {"FEBRUARY", "114"},
    {"FEET", "115"},
    {"FREQUENCY", "116"},
    {"FRIDAY", "117"},
    {"FROM", "118"},
    {"FULL", "119"},
    {"GET", "120"},
    {"GO", "121"},
    {"GOOD", "122"},
    {"HAM", "123"},
    {"HELLO", "124"},
    {"HELP", "125"},
    {"HERTZ", "126"},
    {"HIGH", "127"},
    {"HOLD", "128"},
    {"HOUR", "129"},
    {"INTERNET", "130"},
    {"INTRUDER", "131"},
    {"IS", "132"},
    {"JANUARY", "133"},
    {"JULY", "134"},
    {"JUNE", "135"},
    {"LEFT", "136"},
    {"LIGHT", "137"},
    {"LINE", "138"},
    {"LINK", "139"},
    {"LOCK", "140"},
    {"LOW", "141"},
    {"MANUAL", "142"},
    {"MARCH", "143"},
    {"MAXIMUM", "144"},
    {"MAY", "145"},
    {"MEETING", "146"},
    {"MEGA", "147"},
    {"MESSAGES", "148"},
    {"METER", "149"},
    {"MILES_PER_HOUR", "150"},
    {"MINIMUM", "151"},
    {"MINUS", "152"},
    {"MINUTES", "153"},
    {"MIX", "154"},
    {"MONDAY", "155"},
    {"MONITOR", "156"},
    {"MORNING", "157"},
    {"MUTE", "158"},
    {"NEGATIVE", "159"},
    {"NET", "160"},
    {"NIGHT", "161"},
    {"NO", "162"},
    {"NORTH", "163"},
    {"NOT", "164"},
    {"NOVEMBER", "165"},
    {"NUMBER", "166"},
    {"OCLOCK", "167"},
    {"OCTOBER", "168"},
    {"OF", "169"},
    {"OFF", "170"},
    {"ON", "171"},
    {"OPERATOR", "172"},
    {"OUT", "173"},
    {"OVER", "174"},
    {"PATCH", "175"},
    {"PERCENT", "176"},
    {"PHONE", "177"},
    {"PLEASE", "178"},
    {"PLUS", "179"},
    {"POINT", "180"},
    {"PORT", "181"},
    {"POWER", "182"},
    {"PROGRAM", "183"},
    {"P.M.", "184"},
    {"RADIO", "185"},
    {"READY", "186"},
    {"RECEIVE", "187"},
    {"REMOTE", "188"},
    {"REPEAT", "189"},
    {"REPEATER", "190"},
    {"SATURDAY", "191"},
    {"SECONDS", "192"},
    {"SELECT", "193"},
    {"SEPTEMBER", "194"},
    {"SET", "195"},
    {"SKYWARN", "196"},
    {"SOUTH", "197"},
    {"SQUELCH", "198"},
    {"START", "199"},
    {"STOP", "200"},
    {"SUNDAY", "201"},
    {"SYSTEM", "202"},
    {"TEMPERATURE", "203"},
    {"THANK_YOU", "204"},
    {"THE(LONG)", "205"},
    {"THE(SHORT)", "206"},
    {"THE_TIME_IS", "207"},
    {"THIS", "208"},
    {"THURSDAY", "209"},
    {"TIME", "210"},
    {"TIMEOUT", "211"},
    {"TIMER", "212"},
    {"TODAY", "213"},
    {"TOMORROW", "214"},
    {"TONE", "215"},
    {"TONIGHT", "216"},
    {"TRANSMIT", "217"},
    {"TUESDAY", "218"},
    {"UNDER", "219"},
    {"UP", "220"},
    {"USE(NOUN)", "221"},
    {"USE(VERB)", "222"},
    {"VOLTAGE", "223"},
    {"VOLTS", "224"},
    {"WAIT", "225"},
    {"WARNING", "226"},
    {"WATTS", "227"},
    {"WEATHER", "228"},
    {"WEDNESDAY", "229"},
    {"WELCOME", "230"},
    {"WEST", "231"},
    {"YESTERDAY", "232"},
    {"ZULU", "233"},
    {"-S(MAKES_PLURAL)", "234"},
    {"SILENCE(PAUSE)", "235"},
    {kSeparatorWord, kSeparatorCode},
    {"DVR1", "236"},
    {"DVR2", "237"},
    {"DVR3", "238"},
    {"DVR4", "239"},
    {"DVR5", "240"},
    {"DVR6", "241"},
    {"DVR7", "242"},
    {"DVR8", "243"},
    {"DVR9", "244"},
    {"DVR10", "245"},
    {"DVR11", "246"},
    {"DVR12", "247"},
    {"DVR13", "248"},
    {"DVR14", "249"},
    {"DVR15", "250"},
    {"DVR16", "251"},
    {"DVR17", "252"},
    {"DVR18", "253"},
    {"DVR19", "254"},
};

static_assert(sizeof(kRows) / sizeof(kRows[0]) == VoiceVocabulary::kRowCount,
              "the vocabulary has 256 rows");

// A row's code as the number the word lists carry: "007" -> 7, "-1" -> -1.
long codeNumber(std::string_view code) {
    const bool negative = !code.empty() && code.front() == '-';
    long value = 0;
    for (char c : negative ? code.substr(1) : code) {
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

}  // namespace

const VoiceVocabulary& VoiceVocabulary::instance() {
    static const VoiceVocabulary vocabulary;
    return vocabulary;
}

VoiceVocabulary::VoiceVocabulary() {
    rows_.reserve(kRowCount);
    for (const WordAndCode& r : kRows) {
        rows_.push_back(VocabularyRow{r.word, r.code});
        const int rowNumber = static_cast<int>(rows_.size());
        // emplace keeps the first row, as a top-down search would find it.
        rowByWord_.emplace(rows_.back().word, rowNumber);
        rowByCode_.emplace(rows_.back().code, rowNumber);
    }
}

int VoiceVocabulary::wordIndex(std::string_view word) const {
    const std::string key = normaliseWord(word);
    if (key.empty()) {
        return -1;
    }
    const auto found = rowByWord_.find(key);
    return found == rowByWord_.end() ? -1 : found->second;
}

std::string VoiceVocabulary::codeOfWord(std::string_view word) const {
    const int row = wordIndex(word);
    return row < 0 ? std::string() : std::string(rows_[static_cast<std::size_t>(row - 1)].code);
}

std::string VoiceVocabulary::wordOfCode(std::string_view code) const {
    std::string key = normaliseWord(code);
    if (key.empty()) {
        return {};
    }
    if (key.size() < 3) {
        key.insert(0, 3 - key.size(), '0');
    }
    const auto found = rowByCode_.find(key);
    return found == rowByCode_.end()
               ? std::string()
               : std::string(rows_[static_cast<std::size_t>(found->second - 1)].word);
}

int VoiceVocabulary::wordCount(std::string_view text) {
    return wordListCount(text);
}

std::string VoiceVocabulary::normalise(std::string_view text) {
    return normaliseWordList(text);
}

bool VoiceVocabulary::allWordsKnown(std::string_view text) const {
    if (trimSpaces(text).empty()) {
        return true;
    }
    for (std::string_view piece : splitAtSpaces(text)) {
        if (wordIndex(piece) < 0) {
            return false;
        }
    }
    return true;
}

std::string VoiceVocabulary::encode(std::string_view text) const {
    std::string codes;
    for (std::string_view piece : splitAtSpaces(text)) {
        if (!trimSpaces(piece).empty()) {
            codes += codeOfWord(piece);
        }
    }
    return codes;
}

std::vector<ListEntry> VoiceVocabulary::listEntries() const {
    std::vector<ListEntry> entries;
    entries.reserve(rows_.size());
    for (const VocabularyRow& r : rows_) {
        entries.push_back(ListEntry{std::string(r.word), codeNumber(r.code)});
    }
    return entries;
}

}  // namespace kelp
