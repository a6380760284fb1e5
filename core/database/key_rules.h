// What the database file loader does with each .dat key: its check, its default, the
// default it takes silently when the key is empty, and the words that name it in the
// repair report. One rule per row of keyTable(), kept in the same order.
//
// The loader applies a rule as: value = read (trimmed); if empty and silentDefault, take it
// without an entry; if check fails, log an entry with itemWords and take defaultValue.
// Keys with rules of their own (Hours, ClockCorrection, MacroSubset, FreqString, the macros,
// the unlock group, IDSpeakTime, YaesuType, DTMFRegenPrefix) still carry their plain check
// and default here; the loader adds what is particular to them. In particular:
// - IDSpeakTime checks only 0-15300 here (the pending ID timer is another key); its default
//   is the same port's PIDTime in seconds, read from db(), which the loader has filled by then.
// - Macro and ShortMacro words are the stem "Macros: Macro " + number (short macro n is
//   macro 40 + n): the loader ends them with the reason, which macroCheck() tells.
// - The remote base memories default by memory number: memories 1-10 must be in use and take
//   a working value, memories 11-40 take "NONE".
// - Keys that are never checked have an empty check and an empty default.
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
    // What the check lets through, in the operator's words ("0 to 255", "1 to 6 DTMF
    // digits"); for a key that is never checked, what it holds. Field help shows it.
    std::string rangeWords;
    // The default in words where it is no fixed text (the pending ID speech timer's is the
    // pending ID timer in seconds); empty: the help shows defaultValue.
    std::string defaultWords;
};

// The rule of a key row (same order as keyTable()). The name form throws std::out_of_range
// for a name that keyTable() does not hold.
const KeyRule& keyRule(const KeyDescriptor& key);
const KeyRule& keyRule(std::string_view name);

// The main window's tab captions in tab order, by Area; every entry's item words begin with
// one of them (the DVR track table's with "DVR Track Info").
const std::string& areaTabCaption(Area area);

// The lock code the controller leaves the factory with; a file without a valid Lock gets it.
// It differs from the factory terminator "D", as a lock code must.
extern const char* const kFactoryLockCode;

// The factory unlock code of port 1-3 ("16937", "26937", "36937"): the port digit, then
// 6937. Throws std::out_of_range for any other port.
std::string factoryUnlockCode(int port);

}  // namespace kelp
