// Comparing two databases as the controller would run them: the settings whose values mean
// something different, each named as the editors show it. Used by `kelp-cli diff`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp {

// Do two texts of a setting mean the same to the controller? Numbers compare as numbers
// ("07" and "7", "0" and "0000"); digit strings the controller reads digit by digit (DTMF
// codes and memories, prefixes, phone numbers, frequencies) compare digit for digit; word
// lists and everything else compare with spaces collapsed and letters in upper case.
bool sameToController(const KeyDescriptor& key, std::string_view a, std::string_view b);

struct SettingDifference {
    int area;           // tab index 0-10; 11 for the DVR track table
    std::string where;  // "Timers: Port 2: Hang Timer 1", as the repair report names it
    std::string key;    // "HangTime1(2)", as the file writes it
    std::string a, b;
};

// Every setting whose value differs between a and b, in tab order, then in file order. The
// entries compared are those either database's RTC option gives it.
std::vector<SettingDifference> settingDifferences(const ControllerDatabase& a,
                                                  const ControllerDatabase& b);

// The unlock, lock and terminator codes let anyone who hears them program the repeater: a
// listing shows them only when asked to. A difference names a code when its words are those of
// the code group, the same settings the printed report and the serial trace leave out.
bool namesCode(const SettingDifference& difference);
// The differences with both values of every code written as kHiddenValue, so a changed code is
// still listed as changed.
constexpr const char* kHiddenValue = "(hidden)";
std::vector<SettingDifference> withCodesHidden(std::vector<SettingDifference> differences);

}  // namespace kelp
