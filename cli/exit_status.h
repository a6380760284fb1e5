// kelp-cli's exit statuses: one meaning each, the same for every command, so that a script
// (and the kelp-watch units) can act on the number alone. --help prints kExitStatusTable; the
// man page's EXIT STATUS and the README list the same rows.
#pragma once

#include <string>

namespace kelp::cli {

// The command did its work (diff, compare, watch: nothing differs).
constexpr int kExitOk = 0;
// The command did its work and the answer is "they differ": diff, compare, watch (drift);
// history: there is no snapshot; status: a watched controller drifted, or none is watched
// (a last run that failed makes status exit with that run's status instead).
constexpr int kExitDiffers = 1;
// The command line was not understood, or a file could not be read, loaded, written or played.
constexpr int kExitUsage = 2;
// A question was answered No (the firmware question, the confirmation, a missing --yes):
// nothing was sent or written.
constexpr int kExitDeclined = 3;
// The serial port could not be opened (no such device, the connection refused, in use by
// another program) or the connection was lost during the run.
constexpr int kExitLink = 4;
// The controller refused a command, did not answer, or sent what could not be used.
constexpr int kExitController = 5;

struct ExitStatusRow {
    int status;
    const char* meaning;
};

// Every status with its meaning, in order.
extern const ExitStatusRow kExitStatusTable[6];

// The table as --help prints it: "  0  the command did its work ...", one row a line.
std::string exitStatusText();

}  // namespace kelp::cli
