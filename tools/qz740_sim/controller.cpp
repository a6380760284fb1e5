#include "controller.h"

#include <cstdio>

namespace qz740sim {

namespace {

bool matches(const std::vector<Rule>& rules, const std::string& line) {
    for (const Rule& rule : rules) {
        if (std::regex_match(line, rule.regex))
            return true;
    }
    return false;
}

}  // namespace

std::string answerFor(const std::string& line, const ControllerOptions& options) {
    if (line.empty())
        return std::string();
    // The rules come first so that even the version query can be refused or ignored.
    if (matches(options.silent, line))
        return std::string();
    if (matches(options.nack, line))
        return "-" + options.eol;
    if (matches(options.garbage, line))
        return "?#~" + options.eol;
    if (line == "1GetVersion")
        return options.version + options.eol + "+" + options.eol;
    return "+" + options.eol;
}

std::string visible(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (byte < 0x20 || byte >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace qz740sim
