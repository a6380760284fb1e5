#include "core/download/eram_values.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "core/app/runtime_error.h"
#include "core/download/eram_layout.h"

namespace kelp {

const char* const kNoneStored = "NONE STORED";
const char* const kZeroWord = "ZERO";

namespace {

constexpr int kMaxContinuations = 3;
constexpr int kMacroCodeBytes = 4;

std::string threeDigits(long number) {
    std::string text = std::to_string(number);
    while (text.size() < 3) text.insert(text.begin(), '0');
    return text;
}

bool allDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

}  // namespace

long eramNumber(const std::string& value) {
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos)
        throw RuntimeError(13, "Type mismatch");
    const std::size_t last = value.find_last_not_of(" \t");
    std::size_t i = first;
    bool negative = false;
    if (value[i] == '+' || value[i] == '-') {
        negative = value[i] == '-';
        ++i;
    }
    if (i > last)
        throw RuntimeError(13, "Type mismatch");
    long number = 0;
    for (; i <= last; ++i) {
        const char c = value[i];
        if (c < '0' || c > '9')
            throw RuntimeError(13, "Type mismatch");
        number = number * 10 + (c - '0');
        if (number > std::numeric_limits<std::int32_t>::max())
            throw RuntimeError(6, "Overflow");
    }
    return negative ? -number : number;
}

long eramByte(const std::string& value) {
    const long number = eramNumber(value);
    if (number < 0 || number > 255)
        throw RuntimeError(5, "Invalid procedure call or argument");
    return number;
}

char eramCharacter(const std::string& value) {
    // A CR or LF in a text could never be written into the database file (it would end the
    // line); it comes in as "?", which the load's checks then report like any bad character.
    const long code = eramByte(value);
    if (code == '\r' || code == '\n')
        return '?';
    return static_cast<char>(static_cast<unsigned char>(code));
}

std::string setPointText(const std::uint8_t (&bytes)[4]) {
    if (bytes[0] == kErasedByte && bytes[1] == kErasedByte && bytes[2] == kErasedByte &&
        bytes[3] == kErasedByte)
        return "0";
    const std::uint32_t bits =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    float number = 0;
    std::memcpy(&number, &bits, sizeof number);
    // Nearest whole number, halves to even, as the controller's own tools round.
    const double hundredths = std::nearbyint(static_cast<double>(number) * 100.0);
    if (!std::isfinite(hundredths) || hundredths > std::numeric_limits<std::int32_t>::max() ||
        hundredths < std::numeric_limits<std::int32_t>::min())
        throw RuntimeError(6, "Overflow");
    return std::to_string(static_cast<long>(hundredths));
}

std::array<std::uint8_t, 4> setPointBytes(const std::string& text) {
    std::size_t used = 0;
    const double hundredths = std::stod(text, &used);
    if (used != text.size())
        throw std::invalid_argument("setpoint '" + text + "' is not a number");
    const float number = static_cast<float>(hundredths / 100.0);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return {static_cast<std::uint8_t>(bits & 0xFF), static_cast<std::uint8_t>(bits >> 8 & 0xFF),
            static_cast<std::uint8_t>(bits >> 16 & 0xFF),
            static_cast<std::uint8_t>(bits >> 24 & 0xFF)};
}

std::string clockCorrectionText(long word) {
    const long correction = word >= 0x8000 ? word - 0x10000 : word;
    return correction < 0 ? "A" + std::to_string(-correction) : std::to_string(correction);
}

long clockCorrectionWord(const std::string& text) {
    long correction = 0;
    if (!text.empty() && (text[0] == 'A' || text[0] == 'a') && allDigits(text.substr(1)))
        correction = -std::stol(text.substr(1));
    else if (!text.empty() && text[0] == '-' && allDigits(text.substr(1)))
        correction = -std::stol(text.substr(1));
    else if (allDigits(text))
        correction = std::stol(text);
    else
        throw std::invalid_argument("clock correction '" + text + "' is not a number");
    if (correction < -0x8000 || correction > 0x7FFF)
        throw std::invalid_argument("clock correction '" + text + "' does not fit 16 bits");
    return correction < 0 ? correction + 0x10000 : correction;
}

std::string functionListText(const std::vector<long>& bytes) {
    std::string text;
    std::size_t i = 0;
    while (i < bytes.size() && bytes[i] != 0) {
        long last = bytes[i++];
        long number = last;
        for (int k = 0; last == kErasedByte && k < kMaxContinuations && i < bytes.size(); ++k) {
            last = bytes[i++];
            number += last;
        }
        if (!text.empty())
            text += ' ';
        text += threeDigits(number);
    }
    return text.empty() ? kNoneStored : text;
}

bool functionListBytes(const std::string& text, int slot, std::vector<long>& bytes) {
    bytes.assign(static_cast<std::size_t>(slot), 0);
    if (text == kNoneStored)
        return true;
    std::istringstream pieces(text);
    std::string piece;
    std::size_t at = 0;
    while (pieces >> piece) {
        if (!allDigits(piece))
            return false;
        long number = std::stol(piece);
        if (number < 1 || number > kErasedByte * (kMaxContinuations + 1))
            return false;
        std::vector<long> encoded;
        int continuations = 0;
        while (number >= kErasedByte && continuations < kMaxContinuations) {
            encoded.push_back(kErasedByte);
            number -= kErasedByte;
            ++continuations;
        }
        // The last byte always follows, even a 0 or, after three continuations, a 255: the
        // reader adds the byte after every 255 it has added.
        encoded.push_back(number);
        if (at + encoded.size() > bytes.size())
            return false;
        for (long b : encoded) bytes[at++] = b;
    }
    return true;
}

std::string macroCodeText(const std::vector<long>& bytes) {
    std::string code;
    for (std::size_t i = 0; i < bytes.size() && i < kMacroCodeBytes; ++i) {
        if (bytes[i] == 0)
            break;
        code += dtmfDigitOfNibble(static_cast<int>(bytes[i] & 0x0F));
        code += dtmfDigitOfNibble(static_cast<int>(bytes[i] >> 4 & 0x0F));
    }
    return code;
}

bool macroCodeBytes(const std::string& code, int slot, std::vector<long>& bytes) {
    bytes.assign(static_cast<std::size_t>(slot), 0);
    std::vector<int> nibbles;
    bool complete = true;
    for (char c : code) {
        const int nibble = nibbleOfDtmfDigit(c);
        if (nibble == 0 || nibbles.size() >= 2 * kMacroCodeBytes) {
            complete = false;
            continue;
        }
        nibbles.push_back(nibble);
    }
    for (std::size_t i = 0; i < nibbles.size(); i += 2) {
        const int high = i + 1 < nibbles.size() ? nibbles[i + 1] : 0;
        bytes[i / 2] = nibbles[i] | high << 4;
    }
    return complete;
}

}  // namespace kelp
