// What the database file loader does with each .dat key: its check, its default, the
// default it takes silently when the key is empty, and the words that name it in the
// repair report. One rule per row of keyTable(), kept in the same order.
//
// The loader applies a rule as: value = read (trimmed); if empty and silentDefault, take it
// without an entry; if check fails, log an entry with itemWords and take defaultValue.
// Keys with rules of their own (Hours, ClockCorrection, MacroSubset, FreqString, the macros,
// the unlock group, IDSpeakTime, YaesuType, DTMFRegenPrefix) still carry their plain check
// and default here; the loader adds what is particular to them.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/database/controller_database.h"

namespace kelp {

// How the last two lines of a report entry read.
enum class ReportStyle {
    Standard,  // "Value received is '…'" / "Value has been defaulted to …"
    Timers,    // "Value received was '…'" / "Defaulted to …"
};

struct KeyRule {
    // Does the value (trimmed, as read) pass? port is 1-3 for courtesy keys, else 0; index is
    // the entry (0 for single keys). Empty std::function: the key is not checked.
    std::function<bool(const std::string& value, int port, int index)> check;
    // The value that replaces a failed one.
    std::function<std::string(int port, int index, bool hasRtc)> defaultValue;
    // An empty value takes this, without a report entry, before the check.
    std::optional<std::string> silentDefault;
    // "Timers: Port 1: Hang Timer 1", "DTMF: DTMF Parameters: Delay".
    std::function<std::string(int port, int index)> itemWords;
    ReportStyle style = ReportStyle::Standard;
};

// The rule of a key row (same order as keyTable()).
const KeyRule& keyRule(const KeyDescriptor& key);
const KeyRule& keyRule(std::string_view name);

}  // namespace kelp
