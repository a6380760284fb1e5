// Set Clock: the controller's clock and calendar are set at once from the computer's date
// and time, by two commands: the date ("*5101" + mmddyy) and the time ("*5100" + hhnnss,
// hours 00-23). It is not an edit: nothing in the database changes and Cancel Changes does
// not undo it.
//
// The time command carries the computer's time at the moment it is sent, not the moment the
// run began; and when midnight passes between the two commands, the new date is sent again
// before the time, so that the controller never gets yesterday's date with today's time.
// "Done" is shown only when both commands went through: after a refusal, no answer or a
// sound failure the failure box already said what went wrong.
#pragma once

#include <chrono>
#include <string>

namespace kelp {

// The computer's local date as "mmddyy" and time as "hhnnss" at `when`.
struct ClockParts {
    std::string date;
    std::string time;
};
ClockParts clockParts(std::chrono::system_clock::time_point when);

// The two commands without the port digit and the carriage return.
std::string clockDateCommand(const std::string& date);  // "*5101" + date
std::string clockTimeCommand(const std::string& time);  // "*5100" + time

extern const char* const kClockSetDoneTitle;  // "Done"
extern const char* const kClockSetDoneText;   // "Clock and Calendar have been successfully set"
extern const char* const kClockSetTitle;      // "Set Clock"
// DTMF mode without a loaded database has no unlock code or terminator to play.
extern const char* const kClockSetNeedsDatabaseText;

// Serial mode: opens the port if it is closed, sends the date line 50 ms later and, once it is
// acknowledged, the time line 500 ms after that; closes the port. True when both lines were
// acknowledged (and "Done" was shown).
bool ClockSet_Serial();
// DTMF mode (a database loaded, else it says so and sends nothing): keys the transmitter, waits its
// key-up time, plays the port 1 unlock code, the date and time commands and the lock code, and
// releases it. True when everything was played.
bool clockSetDtmf();
// Set Clock by the current transport (ComPort 0: DTMF).
bool setControllerClock();

}  // namespace kelp
