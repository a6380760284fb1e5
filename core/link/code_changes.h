// Sending new unlock, lock and terminator codes on their own, as the unlock window and
// `kelp-cli codes --send` do.
//
// The flagged codes go in a fixed order: the unlock codes of ports 1-3, then the lock code,
// then the terminator. In DTMF mode each command is framed by the unlock code of its port and
// the lock code; a code becomes current (and is written into the open database file) as soon
// as the controller took it, so the lock that follows a new lock code is played with the new
// code, and the lock that follows a new terminator ends with the new terminator — the codes
// the controller now expects. The first refusal or silence ends the run: codes already sent
// stay recorded as current, the others stay pending with their flags set.
#pragma once

#include "core/database/controller_database.h"

namespace kelp {

class UploadTransport;

// True when any of the four code flags is set.
bool codeChangesPending(const ControllerDatabase& database);

// Sends every flagged code through the transport (begin … end included). True when all were
// taken; false when the port could not be used or one was refused (the box was shown).
bool sendCodeChanges(UploadTransport& transport, ControllerDatabase& database,
                     bool writeFile = true);

}  // namespace kelp
