// Which upload change flag sends each setting: one row per database key. Apply sets the flag
// of every value it changes through this table, and `kelp-cli upload --since` sets the flags
// of every setting that differs from the database the controller was last programmed with.
#pragma once

#include <optional>
#include <string_view>

#include "core/database/controller_database.h"

namespace kelp {

// The flag that sends a setting (name as get() takes it, courtesy keys by plain name with
// their port), or nothing for a key no changes-only upload sends by a flag: the DVR table
// (written with its own option) and the unlock, lock and terminator codes (changed through
// their own window).
std::optional<FlagRef> settingFlag(std::string_view name, int index, int port = 0);
std::optional<FlagRef> settingFlag(const KeyRef& ref);

// Sets the flag of every setting whose text in `database` differs from `previous` (only the
// entries the controller has, by the RTC option of `database`). Returns how many settings
// differ.
int flagDifferences(ControllerDatabase& database, const ControllerDatabase& previous);
// The same comparison of `database` with `previous`, raising the flags in `flagged`.
int flagDifferences(ControllerDatabase& flagged, const ControllerDatabase& database,
                    const ControllerDatabase& previous);

}  // namespace kelp
