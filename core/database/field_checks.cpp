#include "core/database/field_checks.h"

namespace kelp {

bool parseDigits(std::string_view text, std::int64_t& value) {
    if (text.empty())
        return false;
    std::int64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
        // Past 32 bits nothing can be in range; stop before the sum can overflow.
        if (v > 0xFFFFFFFFLL)
            v = 0xFFFFFFFFLL + 1;
    }
    value = v;
    return true;
}

namespace {
bool inRange(std::string_view text, std::int64_t low, std::int64_t high) {
    std::int64_t v = 0;
    return parseDigits(text, v) && v >= low && v <= high;
}
}  // namespace

bool numericFieldCheck(std::string_view text, std::int16_t low, std::int16_t high) {
    return inRange(text, low, high);
}

bool wideNumericFieldCheck(std::string_view text, std::int32_t low, std::int32_t high) {
    return inRange(text, low, high);
}

bool booleanFieldCheck(std::string_view text) {
    return text == "0" || text == "1";
}

bool isDtmfDigit(char c) {
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D');
}

bool dtmfDigitStringCheck(std::string_view text, int shortest, int longest) {
    const int length = static_cast<int>(text.size());
    if (length < shortest || length > longest)
        return false;
    for (char c : text)
        if (!isDtmfDigit(c))
            return false;
    return true;
}

bool holdsControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

std::string visibleControlCharacters(std::string_view text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\r') {
            shown += "<CR>";
        } else if (c == '\n') {
            shown += "<LF>";
        } else if (c == '\0') {
            shown += "<NUL>";
        } else if (c == '\t') {
            shown += "<TAB>";
        } else {
            shown += std::string("<") + kHex[byte >> 4] + kHex[byte & 0xF] + ">";
        }
    }
    return shown;
}

}  // namespace kelp
