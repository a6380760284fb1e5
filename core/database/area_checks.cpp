#include "core/database/area_checks.h"

#include <cstdlib>
#include <string>

#include "core/database/field_checks.h"

namespace kelp {

bool isNumericText(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, digits = true;
    }
    return digits && i == text.size();
}

bool pendingIdSpeechCheck(std::string_view speechSeconds, std::string_view pendingIdMinutes) {
    if (!numericFieldCheck(speechSeconds, 0, 15300)) return false;
    if (!isNumericText(pendingIdMinutes)) return false;
    const double minutes = std::strtod(std::string(pendingIdMinutes).c_str(), nullptr);
    if (minutes == 0) return true;
    std::int64_t seconds = 0;
    parseDigits(speechSeconds, seconds);
    return static_cast<double>(seconds) <= minutes * 60;
}

}  // namespace kelp
