// The program's own version, and the firmware family it programs.
#pragma once

#include <string>

namespace kelp {

// "7.00": major, a dot, minor, then the revision digits. Written as [Version] KelpVersion.
std::string programVersion();
// "70": major and minor digits; a database's firmware version must begin with it.
std::string firmwarePrefix();
// "Version 7.0.0", as the start-up and About windows show it.
std::string versionLabel();

// The controller's answer to "1GetVersion" up to its "+", as a version text: line ends
// dropped and blanks at either end trimmed (some adapters echo a space before the digits).
std::string firmwareVersionFromAnswer(const std::string& beforePlus);

// The title of the boxes the program shows without one of their own: the program's name.
extern const char* const kProgramBoxTitle;  // "Kelp"

}  // namespace kelp
