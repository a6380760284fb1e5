// The simulated controller's answers to programming lines.
#pragma once

#include <regex>
#include <string>
#include <vector>

namespace qz740sim {

struct Rule {
    std::string pattern;  // as given on the command line
    std::regex regex;     // matches the whole line
};

struct ControllerOptions {
    std::string version = "7000";  // the answer to "1GetVersion"
    std::vector<Rule> nack;        // answered "-"
    std::vector<Rule> silent;      // not answered at all
    std::vector<Rule> garbage;     // answered with text that is neither "+" nor "-"
    std::string eol = "\r\n";      // ends every answer line
};

// What the controller sends back for one received line (without its CR); "" for nothing.
// An empty line (the lone CR that opens a session) is not answered.
std::string answerFor(const std::string& line, const ControllerOptions& options);

// The answer with CR and LF spelled out, for the log.
std::string visible(const std::string& text);

}  // namespace qz740sim
