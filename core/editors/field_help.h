// What a screen reader says for a setting's control, and what its tool tip and "What's
// This?" show: a name in the order the window shows it (port or frame, label, index) and a
// description of its unit, range and default. Both come from the tables the loader and the
// report already use: the report words of the key (less the main window's tab caption,
// which the operator is already on), the unit beside its box, the loader's check and default.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/catalogues/list_entry.h"
#include "core/editors/editor_model.h"

namespace kelp {

struct FieldHelp {
    std::string name;         // "Port 1, Hang Timer 1"
    std::string description;  // "1/10 seconds, 0 to 255, default 50"
};

// The help of one entry of a key: port is 1-3 for courtesy keys (index the courtesy tone),
// else 0 (index the entry, the port of a per-port key, 0 for a single key). A text box tells
// unit, range and default; a check box its default ("default on"); a list the entry its
// default selects, found by item data, or at row value - 1 when byPosition. Throws
// std::out_of_range for a key the key table does not hold.
FieldHelp fieldHelp(std::string_view key, int port, int index, FieldKind kind = FieldKind::Text,
                    const std::vector<ListEntry>& entries = {}, bool byPosition = false);

// A report entry's words as a name to be read: the tab caption left out, the parts joined
// with commas ("Timers: Port 1: Hang Timer 1" -> "Port 1, Hang Timer 1").
std::string spokenName(const std::string& itemWords);

}  // namespace kelp
