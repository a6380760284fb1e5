// Checks that belong to one editor area but are also run by the database file loader,
// so both reach the same rule.
#pragma once

#include <string_view>

namespace kelp {

// A plain decimal number: optional sign, digits, optional fraction ("5", "-2", "3.5").
bool isNumericText(std::string_view text);

// Pending ID speech timer (seconds) against the same port's pending ID timer (minutes):
// 0-15300, and no more than the pending ID timer in seconds unless that timer is 0.
// A pending ID timer that is not a number refuses every speech value.
bool pendingIdSpeechCheck(std::string_view speechSeconds, std::string_view pendingIdMinutes);

}  // namespace kelp
