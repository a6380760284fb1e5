#include "core/editors/field_help.h"

#include <stdexcept>

#include "core/database/field_checks.h"
#include "core/database/key_rules.h"
#include "core/editors/field_units.h"

namespace kelp {

namespace {

bool startsWith(const std::string& text, const std::string& head) {
    return text.compare(0, head.size(), head) == 0;
}

void append(std::string& to, const std::string& part) {
    if (part.empty())
        return;
    if (!to.empty())
        to += ", ";
    to += part;
}

// The words a list shows for a stored value.
std::string entryText(const std::string& value, const std::vector<ListEntry>& entries,
                      bool byPosition) {
    std::int64_t number = 0;
    if (!parseDigits(value, number))
        return value;
    if (byPosition) {
        if (number >= 1 && number <= static_cast<std::int64_t>(entries.size()))
            return entries[static_cast<std::size_t>(number - 1)].text;
        return value;
    }
    for (const ListEntry& e : entries)
        if (e.itemData == number)
            return e.text;
    return value;
}

}  // namespace

std::string spokenName(const std::string& itemWords) {
    std::string rest = itemWords;
    for (int a = 0; a < kAreaCount; ++a) {
        const std::string head = areaTabCaption(static_cast<Area>(a)) + ": ";
        if (startsWith(rest, head)) {
            rest = rest.substr(head.size());
            break;
        }
    }
    std::string name;
    std::size_t from = 0;
    for (std::size_t at = rest.find(": "); at != std::string::npos; at = rest.find(": ", from)) {
        append(name, rest.substr(from, at - from));
        from = at + 2;
    }
    append(name, rest.substr(from));
    return name;
}

FieldHelp fieldHelp(std::string_view key, int port, int index, FieldKind kind,
                    const std::vector<ListEntry>& entries, bool byPosition) {
    const KeyRule& rule = keyRule(key);
    FieldHelp help;
    help.name = spokenName(rule.itemWords(port, index));

    std::string def = rule.defaultWords;
    if (def.empty() && rule.defaultValue)
        def = rule.defaultValue(port, index, true);
    switch (kind) {
        case FieldKind::Check:
            append(help.description, def == "1" ? "default on" : "default off");
            break;
        case FieldKind::List:
            if (!def.empty())
                append(help.description, "default " + entryText(def, entries, byPosition));
            break;
        case FieldKind::Text:
            append(help.description, fieldUnit(key));
            append(help.description, rule.rangeWords);
            if (!def.empty())
                append(help.description, "default " + def);
            break;
    }
    return help;
}

}  // namespace kelp
