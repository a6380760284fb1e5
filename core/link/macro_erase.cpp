#include "core/link/macro_erase.h"

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/prompter.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/dtmf_transmission.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"

namespace kelp {

const char* const kErasedReceiveMacro = "90";
const char* const kEraseQuestionTitle = "ERASING ALL MACROS and PORT RESTRICTIONS";
const char* const kErasedTitle = "MACROS ERASED";
const char* const kErasedText =
    "All Macros have been erased, both in Kelp and in the QZ740. You should save your dat file "
    "now to reflect these changes";

namespace {

constexpr std::int64_t kSerialPauseMs = 50;
constexpr std::int64_t kDtmfPauseMs = 500;
const char* const kEraseMacros = "*400499";
const char* const kErasePortLimits = "*400699";
const char* const kReceiveMacro = "*2113";

std::string receiveLine(int port, bool active) {
    return std::to_string(port) + kReceiveMacro + (active ? "1" : "0") + kErasedReceiveMacro;
}

// Whether the DTMF sequence played so far got through.
bool playedSoFar() {
    return !linkState().ResponseError && !soundFailed();
}

}  // namespace

std::string eraseQuestionText() {
    return "This will IMMEDIATELY erase all macros and all port restrictions IN THE CONTROLLER"
           "\r\n\r\nAre you sure you want to proceed?\r\nYES to erase ALL, NO to return to "
           "editing";
}

std::vector<std::string> macroEraseLines(const ControllerDatabase& database) {
    std::vector<std::string> lines{std::string("1") + kEraseMacros + database.get("Terminator"),
                                   std::string("1") + kErasePortLimits + "#"};
    for (int p = 1; p <= 3; ++p) {
        lines.push_back(receiveLine(p, true));
        lines.push_back(receiveLine(p, false));
    }
    return lines;
}

bool EraseMacros_Serial(const ControllerDatabase& database) {
    SerialPort& port = currentSerialPort();
    LinkState& link = linkState();
    bool erased = false;
    try {
        if (!port.isOpen())
            OpenPort();
        if (link.PortOpenError || !port.isOpen()) {
            currentPrompter().message(
                "The program could not communicate with the controller and did not erase the "
                "macro data in the controller",
                "MACRO ERASE FAILURE", MessageIcon::Critical);
        } else {
            const std::vector<std::string> lines = macroEraseLines(database);
            link.ResponseError = false;
            for (std::size_t i = 0; i < lines.size() && !link.ResponseError; ++i) {
                // The port lines follow each other without the pause of the first two.
                if (i <= 2)
                    currentClock().sleepMs(kSerialPauseMs);
                SendStr(lines[i] + "\r");
                // The controller's own lines are shown without their port digit ("*400499"),
                // the receive macro lines without the star.
                std::string shown = i < 2 ? lines[i].substr(1) + "\r" : lines[i];
                if (i >= 2)
                    shown.erase(1, 1);
                CheckInput(shown);
            }
            if (!link.ResponseError) {
                erased = true;
                currentPrompter().message("The macros were erased in the controller",
                                          "Erase All Macros", MessageIcon::Information);
            }
        }
    } catch (...) {
        // Reported, and the program goes on: nothing is erased in the database.
        reportError("Macros", "EraseMacros_Serial");
        erased = false;
    }
    try {
        if (port.isOpen())
            port.close();
    } catch (...) {
        reportError("Macros", "EraseMacros_Serial");
    }
    return erased;
}

bool eraseMacrosDtmf(const ControllerDatabase& database) {
    (void)database;  // the sender plays the process database's codes and terminator
    const Answer ready = currentPrompter().message(
        "Kelp Prepared to send commands to controller to erase all macros\r\nIs your computer "
        "connected to the radio and is the radio tuned to the proper frequency for repeater "
        "control?\r\n\r\nYES to proceed and send the erase command, NO to cancel without "
        "sending the erase command",
        "ERASE ALL MACROS", MessageIcon::Question, MessageButtons::YesNo);
    if (ready != Answer::Yes)
        return false;
    linkState().ResponseError = false;
    DtmfTransmission transmission;
    if (!transmission.keyUp())
        return false;
    // One command: its chance of a break first (the Longest transmission), then the unlock
    // code of port when the controller is locked, then the digits and the terminator.
    int unlockedPort = 0;
    const auto command = [&transmission, &unlockedPort](int port, const std::string& digits) {
        if (!transmission.breakIfDue(unlockedPort))
            return false;
        if (unlockedPort == 0) {
            SendUnlock(port);
            unlockedPort = port;
        }
        SendDigits(digits);
        SendTerminator();
        return true;
    };
    const auto lock = [&unlockedPort] {
        SendLock();
        unlockedPort = 0;
        return playedSoFar();
    };
    Clock& clock = currentClock();
    if (!command(1, kEraseMacros) || !playedSoFar())
        return false;
    clock.sleepMs(kDtmfPauseMs);
    if (!command(1, kErasePortLimits) || !lock())
        return false;
    clock.sleepMs(kDtmfPauseMs);
    for (int p = 1; p <= 3; ++p) {
        for (bool active : {true, false})
            if (!command(p, receiveLine(p, active).substr(1)))
                return false;
        if (!lock())
            return false;
    }
    return true;
}

bool eraseMacrosInController(const ControllerDatabase& database) {
    BusyGuard busy("Erase All Macros");
    if (linkPreferences().ComPort == 0)
        return eraseMacrosDtmf(database);
    return EraseMacros_Serial(database);
}

void eraseMacrosInDatabase(ControllerDatabase& database) {
    for (int p = 1; p <= 3; ++p) {
        database.set("RcvMacroActive", p, kErasedReceiveMacro);
        database.set("RcvMacroInactive", p, kErasedReceiveMacro);
        database.setUploadFlag(UploadFlag::RcvMacroActive, p, true);
        database.setUploadFlag(UploadFlag::RcvMacroInactive, p, true);
    }
    for (int n = 1; n <= 40; ++n) {
        database.set("Macro", n, "NONE STORED");
        database.setUploadFlag(UploadFlag::MacroFunctions, n, true);
        database.setUploadFlag(UploadFlag::MacroCode, n, true);
    }
    for (int n = 1; n <= 50; ++n) {
        database.set("ShortMacro", n, "NONE STORED");
        database.setUploadFlag(UploadFlag::ShortMacroFunctions, n, true);
        database.setUploadFlag(UploadFlag::ShortMacroCode, n, true);
    }
    for (int m = 1; m <= 90; ++m) {
        database.set("PortToAllow", m, "123");
        database.setUploadFlag(UploadFlag::PortToAllow, m, true);
    }
    database.saved = false;
}

}  // namespace kelp
