// What the database file loader makes of one value, apart from the reading and reporting
// around it, so that Apply can ask before it writes a value whether the next load would keep
// it. The loader and Apply read the same tables: the key rules (check, default, silent
// default) and the cross-field rules below.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/database/controller_database.h"

namespace kelp {

// A loader rule that judges one key by another key of the same entry: the value of `key` at
// an index is judged with the value `partner` holds at the same index (0 for single keys). It
// takes the place of the key's own check.
struct CrossFieldRule {
    const char* key;
    const char* partner;
    std::function<bool(std::string_view value, std::string_view partner)> passes;
    // What replaces a value that does not pass.
    std::function<std::string(std::string_view partner)> repaired;
};

// - IDSpeakTime(p) against PIDTime(p): the speech timer may not run longer than the pending ID
//   timer (unless that is 0); a refused one becomes the pending ID timer in seconds.
// - YaesuType against RadioType: the upload sends the model whatever the radio, so it is
//   always checked; a refused one becomes the default for a Yaesu radio ("3"), else "0" (no
//   Yaesu), which the loader takes without a report.
const std::vector<CrossFieldRule>& crossFieldRules();
// The rule that judges `key`, or nullptr.
const CrossFieldRule* crossFieldRule(std::string_view key);

// Another key's value at an index, for the cross-field rules.
using ValueOf = std::function<std::string(const std::string& key, int index)>;

// What the next load stores in place of `written` (the memory value of the entry: port 1-3 for
// courtesy keys, else 0; index 0 for single keys), or nothing when it keeps the value as it
// is: the round trip through the file (blanks trimmed, cut to 254 characters, "Default" read
// as empty), the key's silent default, then its cross-field rule or its own check.
std::optional<std::string> loadRepair(const KeyDescriptor& key, int port, int index,
                                      const std::string& written, const ValueOf& other);

}  // namespace kelp
