#include "core/database/load_rules.h"

#include <stdexcept>

#include "core/database/area_checks.h"
#include "core/database/ini_file.h"
#include "core/database/key_rules.h"

namespace kelp {

const std::vector<CrossFieldRule>& crossFieldRules() {
    static const std::vector<CrossFieldRule> rules = {
        {"IDSpeakTime", "PIDTime",
         [](std::string_view speech, std::string_view pending) {
             return pendingIdSpeechCheck(speech, pending);
         },
         [](std::string_view pending) { return pendingIdSpeechDefault(pending); }},
        {"YaesuType", "RadioType",
         [](std::string_view model, std::string_view) { return yaesuTypeCheck(model); },
         [](std::string_view radio) {
             return radio == "3" ? keyRule("YaesuType").defaultValue(0, 0, false) : "0";
         }},
    };
    return rules;
}

const CrossFieldRule* crossFieldRule(std::string_view key) {
    for (const CrossFieldRule& rule : crossFieldRules())
        if (key == rule.key)
            return &rule;
    return nullptr;
}

std::optional<std::string> loadRepair(const KeyDescriptor& key, int port, int index,
                                      const std::string& written, const ValueOf& other) {
    // The file's own round trip, by the code that writes and reads it.
    std::string read;
    try {
        IniFile file;
        file.write("S", "K", written);
        read = IniFile::parse(file.text()).read("S", "K");
    } catch (const std::invalid_argument&) {
        return std::string();  // a line break: the file cannot hold the value
    }
    const KeyRule& rule = keyRule(key);
    if (read.empty() && rule.silentDefault)
        read = *rule.silentDefault;
    std::optional<std::string> repaired;
    if (const CrossFieldRule* cross = crossFieldRule(key.name)) {
        const std::string partner = other(cross->partner, index);
        if (!cross->passes(read, partner))
            repaired = cross->repaired(partner);
    } else if (rule.check && !rule.check(read, port, index)) {
        repaired = rule.defaultValue(port, index, db().hasRtc);
    }
    // A remote base frequency in use is read as seven characters ending in its offset digit
    // 1-3; the loader pads a shorter one and resets a bad offset.
    if (!repaired && key.name == std::string_view("FreqString") && read != "NONE" &&
        (read.size() < 7 || read.back() < '1' || read.back() > '3'))
        repaired = std::string(read.size() < 7 ? 7 - read.size() : 0, '0') + read;
    if (!repaired && read != written)
        repaired = read;
    return repaired;
}

}  // namespace kelp
