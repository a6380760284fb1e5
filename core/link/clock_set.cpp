#include "core/link/clock_set.h"

#include <cstdio>
#include <ctime>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/session/edit_history.h"

namespace kelp {

const char* const kClockSetDoneTitle = "Done";
const char* const kClockSetDoneText = "Clock and Calendar have been successfully set";
const char* const kClockSetTitle = "Set Clock";
const char* const kClockSetNeedsDatabaseText =
    "Setting the clock by DTMF tones uses the port 1 unlock code and the terminator of a "
    "database: open or download one first, or set the clock over a serial connection";

namespace {

const char* const kModule = "Scheduler";
const char* const kDateCode = "*5101";
const char* const kTimeCode = "*5100";
constexpr std::int64_t kBeforeDateMs = 50;
constexpr std::int64_t kBeforeTimeMs = 500;
// Midnight can pass only once between the two commands.
constexpr int kDateAttempts = 2;

std::string twoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

ClockParts now() {
    return clockParts(currentClock().wallClock());
}

void done() {
    currentPrompter().message(kClockSetDoneText, kClockSetDoneTitle, MessageIcon::None);
}

bool playedSoFar() {
    return !linkState().ResponseError && !soundFailed();
}

// Serial: one line sent and judged; true when acknowledged.
bool sendLine(const std::string& command, const std::string& shown) {
    SendStr("1" + command + "\r");
    CheckInput(shown);
    return !linkState().ResponseError;
}

// Serial: the date line, then the time line with the time of the moment it goes out. The date
// goes again first when the day changed in between.
bool sendClockLines() {
    std::string date = now().date;
    currentClock().sleepMs(kBeforeDateMs);
    if (!sendLine(clockDateCommand(date), clockDateCommand(date)))
        return false;
    for (int attempt = 0; attempt < kDateAttempts; ++attempt) {
        currentClock().sleepMs(kBeforeTimeMs);
        const ClockParts at = now();
        if (at.date == date)
            return sendLine(clockTimeCommand(at.time), "1" + clockTimeCommand(at.time));
        date = at.date;
        if (!sendLine(clockDateCommand(date), clockDateCommand(date)))
            return false;
    }
    return false;
}

void playCommand(const std::string& command) {
    SendCode(command.substr(0, 5));
    SendDigits(command.substr(5));
    SendTerminator();
}

}  // namespace

ClockParts clockParts(std::chrono::system_clock::time_point when) {
    const std::tm local = localTime(when);
    return ClockParts{
        twoDigits(local.tm_mon + 1) + twoDigits(local.tm_mday) + twoDigits(local.tm_year + 1900),
        twoDigits(local.tm_hour) + twoDigits(local.tm_min) + twoDigits(local.tm_sec)};
}

std::string clockDateCommand(const std::string& date) {
    return kDateCode + date;
}

std::string clockTimeCommand(const std::string& time) {
    return kTimeCode + time;
}

bool ClockSet_Serial() {
    SerialPort& port = currentSerialPort();
    LinkState& link = linkState();
    bool set = false;
    try {
        if (!port.isOpen())
            OpenPort();
        if (!link.PortOpenError && port.isOpen()) {
            link.ResponseError = false;
            set = sendClockLines();
            link.ResponseError = false;
        }
    } catch (...) {
        reportError(kModule, "ClockSet_Click");
        set = false;
    }
    try {
        if (port.isOpen())
            port.close();
    } catch (...) {
        reportError(kModule, "ClockSet_Click");
    }
    link.PortOpenError = false;
    if (set)
        done();
    return set;
}

bool clockSetDtmf() {
    // Over the air the commands need the open database's unlock code and terminator; without
    // one the controller would hear nothing it takes.
    if (!db().loaded) {
        currentPrompter().message(kClockSetNeedsDatabaseText, kClockSetTitle,
                                  MessageIcon::Exclamation);
        return false;
    }
    LinkState& link = linkState();
    bool set = false;
    try {
        link.ResponseError = false;
        TransmitterKey key;
        if (key.keyed()) {
            // The transmitter needs its key-up time before the first digit is heard.
            currentClock().sleepMs(linkPreferences().TxTemp);
            SendUnlock(1);
            std::string date = now().date;
            if (playedSoFar())
                playCommand(clockDateCommand(date));
            // The time is taken as its command starts to play; a new day gets its date first.
            for (int attempt = 0; attempt < kDateAttempts && playedSoFar(); ++attempt) {
                const ClockParts at = now();
                if (at.date == date) {
                    playCommand(clockTimeCommand(at.time));
                    set = true;
                    break;
                }
                date = at.date;
                playCommand(clockDateCommand(date));
            }
            if (set && playedSoFar())
                SendLock();
            set = set && playedSoFar();
        }
    } catch (...) {
        reportError(kModule, "ClockSet_Click");
        set = false;
    }
    link.ResponseError = false;
    link.PortOpenError = false;
    if (set)
        done();
    return set;
}

bool setControllerClock() {
    BusyGuard busy("Set Clock");
    const bool set = linkPreferences().ComPort == 0 ? clockSetDtmf() : ClockSet_Serial();
    if (set)
        markControllerReached(db(), "Setting the clock");
    return set;
}

}  // namespace kelp
