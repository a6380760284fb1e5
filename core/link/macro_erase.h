// Erase All Macros: the controller is told to forget every macro and port restriction at
// once, and its receive macros are set back to macro 90; then the database follows.
//
// The database is touched only after the controller erase was sent completely (serial mode:
// every line acknowledged; DTMF mode: every sequence played). A refusal, a time-out, a port
// that cannot be opened or a No leaves it as it was, so that nothing is lost in the program
// while the controller still holds its macros.
#pragma once

#include <string>
#include <vector>

namespace kelp {

class ControllerDatabase;

// The receive macro the erase gives every port.
extern const char* const kErasedReceiveMacro;  // "90"

// The serial lines of the erase, in order, each without its "\r": "1*400499" and the
// terminator, "1*400699#", then per port the active and inactive receive macros.
std::vector<std::string> macroEraseLines(const ControllerDatabase& database);

// Serial mode: opens the port if it is closed, sends every line 50 ms after the one before
// and waits for its "+"; the first failure ends the sequence. Shows "Erase All Macros" after
// the last line, "MACRO ERASE FAILURE" when the port cannot be used; an unexpected error goes
// to the error reporter. Closes the port at the end. True when every line was acknowledged.
bool EraseMacros_Serial(const ControllerDatabase& database);

// DTMF mode: asks whether the radio is ready; on Yes keys the transmitter, waits its key-up
// time, plays the erase sequences framed by unlock and lock codes (in several transmissions
// when it would stay keyed longer than the Longest transmission), and releases it. True when
// everything was played.
bool eraseMacrosDtmf(const ControllerDatabase& database);

// The erase in the controller by the current transport (ComPort 0: DTMF).
bool eraseMacrosInController(const ControllerDatabase& database);

// The database after a controller erase: every macro's functions "NONE STORED", every port
// set "123", both receive macros of every port "90"; the upload flags of all of them (and of
// every macro code) set; the database unsaved.
void eraseMacrosInDatabase(ControllerDatabase& database);

// The confirmation asked before anything is erased, and the closing message.
extern const char* const kEraseQuestionTitle;  // "ERASING ALL MACROS and PORT RESTRICTIONS"
std::string eraseQuestionText();
extern const char* const kErasedTitle;  // "MACROS ERASED"
extern const char* const kErasedText;

}  // namespace kelp
