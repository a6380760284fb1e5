// DTMF mode: programming commands played as DTMF digits over the air. A run of commands is
// framed by the port's unlock code and the lock code; every command, the unlock and the lock
// end with the database's Terminator digit, as the carriage return ends a serial command.
// The controller does not answer in this mode, so nothing is awaited.
#pragma once

#include <string>
#include <vector>

namespace kelp {

// Plays every character of text in order, upper-cased (so "a"-"d" play the A-D tones). A
// text holding anything that is no DTMF digit plays nothing at all (a command cut short
// would be a different command): refuseCommand() tells the operator and sets LineRefused
// and ResponseError. Returns whether it played.
bool SendDigits(const std::string& text);
// Plays a command's tokens and the terminator, only when every token plays a DTMF digit;
// otherwise plays nothing and refuses it as SendDigits does. Returns whether it played.
bool SendCommandTokens(const std::vector<std::string>& tokens);
// True when every token plays a DTMF digit (see dtmfFrequencies).
bool allDtmfTokens(const std::vector<std::string>& tokens);
// Plays a fixed command code, "*" as the token "11", "#" as "12", others as themselves.
void SendCode(const std::string& code);
// Plays the Terminator digit of the database.
void SendTerminator();

// Plays port p's unlock code (CurrentPortUnlock(p), without spaces) and the terminator.
// Does nothing in serial mode.
void SendUnlock(int port);
// Plays the lock code (Lock) and the terminator. DTMF mode only.
void SendLock();

// The fixed sequences.
// Controller reset "*21999" and the terminator (played after SendUnlock(1); no lock follows).
void SendControllerReset();
// "*9020" and the new terminator, ended by the terminator still in force.
void SendTerminatorProgramming(const std::string& newTerminator);
// "*9010" and the new lock code, then the terminator.
void SendLockCodeProgramming(const std::string& newLock);
// "*9000" and the new unlock code, then the terminator; programs the code of the port that
// was unlocked before it.
void SendUnlockCodeProgramming(const std::string& newCode);

}  // namespace kelp
