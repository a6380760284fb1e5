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

// The title of the boxes the program shows without one of their own: the program's name.
extern const char* const kProgramBoxTitle;  // "Kelp"

}  // namespace kelp
