// The program's own version, and the firmware family it programs.
#pragma once

#include <optional>
#include <string>

namespace kelp {

// "7.00": major, a dot, minor, then the revision digits. Written as [Version] KelpVersion.
std::string programVersion();
// "70": major and minor digits; a database's firmware version must begin with it.
std::string firmwarePrefix();
// "Version 7.0.0", as the start-up and About windows show it.
std::string versionLabel();

// The controller's answer to "1GetVersion" as gathered so far: the version once its "+" has
// come, line ends dropped and blanks at either end trimmed (some adapters echo a space before
// the digits). A "+" with no text before it answered an earlier line (the lock sent as the
// previous step ended, read late once the port is open again) and is passed over; nullopt
// until a version and the "+" after it are in. A controller that only ever answers "+" is
// taken, when the wait for its version ends, as telling an empty one (the caller's choice).
std::optional<std::string> firmwareVersionInAnswer(const std::string& answer);

// The title of the boxes the program shows without one of their own: the program's name.
extern const char* const kProgramBoxTitle;  // "Kelp"

}  // namespace kelp
