#include "core/link/upload_flow.h"

#include <cmath>
#include <cstdlib>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/session/sent_record.h"
#include "core/database/area_checks.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"

namespace kelp {

const char* const kUpdateErrorTitle = "Update Error";
const char* const kUpdateErrorText =
    "An error occurred during the update.\r\n\r\nThe controller was not fully updated or was "
    "not updated at all.\r\n\r\nPlease save your file, after which you might want to try "
    "another update or you might want to download from the controller (if possible) to "
    "determine which updates were received.";
const char* const kCompleteUploadTitle = "Complete Upload";
const char* const kCompleteUploadText =
    "Complete Upload Is Done. The QZ740 will now reset.\r\n\r\nPLEASE WAIT UNTIL THE RESET IS "
    "COMPLETE";
const char* const kDvrNotSentText =
    "\r\n\r\nThe DVR track information was not sent: it can only be written to the controller "
    "over a direct serial connection.";

namespace {

const char* const kCrLf = "\r\n";

Answer ask(MessageIcon icon, MessageButtons buttons, DefaultButton def, const std::string& title,
           const std::string& text) {
    return currentPrompter().messageBox(MessageBoxRequest{title, text, icon, buttons, def});
}

void tell(MessageIcon icon, const std::string& title, const std::string& text) {
    ask(icon, MessageButtons::OK, DefaultButton::First, title, text);
}

bool firmwareFamilyAccepted(const ControllerDatabase& database) {
    const std::string prefix = firmwarePrefix();
    const std::string& version = database.firmwareVersion;
    const std::string tail = std::string(kCrLf) + kCrLf + "Do you wish to proceed anyway?" + kCrLf +
                             "YES to proceed" + kCrLf + "NO to cancel upload";
    if (version.empty()) {
        return ask(MessageIcon::Question, MessageButtons::YesNo, DefaultButton::Second,
                   "VERSION DIFFERENCE",
                   std::string("The Firmware version is not defined") + kCrLf +
                       "This Kelp is for Firmware version: " + prefix + "xx" + kCrLf + kCrLf +
                       "Uploading a DAT file for one version of the firmware with Kelp for a "
                       "different version can create errors in your data" +
                       tail) == Answer::Yes;
    }
    if (version.rfind(prefix, 0) == 0)
        return true;
    return ask(MessageIcon::Critical, MessageButtons::YesNo, DefaultButton::Second,
               "VERSION DIFFERENCE",
               "This version of Kelp is for use with Firmware version " + prefix + "xx" + kCrLf +
                   "This DAT file is for Firmware version " + version + kCrLf + kCrLf +
                   "This version of the Kelp is NOT consistent with the Firmware version of the "
                   "DAT file" +
                   kCrLf +
                   "Uploading the DAT file with this version of the Kelp could create errors "
                   "in your controller" +
                   tail) == Answer::Yes;
}

}  // namespace

std::optional<std::string> queryFirmwareVersion() {
    BusyGuard busy("The firmware version question");
    SerialPort& port = currentSerialPort();
    if (!port.isOpen())
        OpenPort();
    if (linkState().PortOpenError)
        return std::nullopt;
    Clock& clock = currentClock();
    // A link that is gone is said at once (PortOpenError tells callers so), not after the
    // whole wait for an answer.
    // The link is gone: one box with the port's reason, and callers read PortOpenError.
    const auto linkGone = [&port](const char* sentence) {
        const std::string reason = port.errorText();
        port.close();
        linkState().PortOpenError = true;
        tell(MessageIcon::Exclamation, kSerialPortErrorTitle,
             sentence + (reason.empty() ? std::string()
                                        : std::string(kCrLf) + kCrLf + "Reason: " + reason));
        return std::nullopt;
    };
    if (!port.write("1GetVersion\r"))
        return linkGone("Kelp could not write the firmware version request to the serial port. "
                        "Nothing was uploaded.");
    clock.sleepMs(100);
    std::string answer;
    const auto started = clock.nowMs();
    for (;;) {
        if (!port.isOpen())
            return linkGone("The serial port closed before the QZ740 told its firmware version. "
                            "Nothing was uploaded.");
        // The answer is gathered until its "+": over a network (or a busy adapter) the version
        // and the "+" after it can come in separate reads.
        answer += port.readAll();
        if (firmwareVersionInAnswer(answer))
            break;
        if (clock.nowMs() - started >= kFirmwareQueryTimeoutMs) {
            // Acknowledged, but no version told: the empty answer is refused as no
            // firmware version by the caller.
            if (answer.find('+') != std::string::npos)
                break;
            port.close();
            tell(MessageIcon::Critical, "QZ740 Communications Error",
                 std::string("The QZ740 did not answer the request for its firmware version "
                             "within ") +
                     std::to_string(kFirmwareQueryTimeoutMs / 1000) + " seconds." + kCrLf + kCrLf +
                     "Check the serial cable, the port chosen under Configure Kelp and that "
                     "the controller is powered, then try again. Nothing was uploaded.");
            return std::nullopt;
        }
        port.waitForReadyRead(10);
        clock.yield();
    }
    clock.sleepMs(100);
    const std::string version = firmwareVersionInAnswer(answer).value_or(std::string());
    port.close();
    return version;
}

bool uploadCommandChecks(ControllerDatabase& database, bool dtmfMode,
                         const std::function<bool()>& guardClear) {
    if (!database.loaded) {
        tell(MessageIcon::Exclamation, "Controller Update Error",
             "You do not have a DAT file open to be loaded to the controller");
        return false;
    }
    if (guardClear && !guardClear())
        return false;
    if (!firmwareFamilyAccepted(database))
        return false;
    if (dtmfMode)
        return true;  // the controller can only be asked over the serial link

    const auto version = queryFirmwareVersion();
    if (!version)
        return false;
    // A garbled answer is no version at all: refuse rather than guess.
    if (!isNumericText(*version)) {
        tell(MessageIcon::Critical, "QZ740 Communications Error",
             "The QZ740 answered the firmware version request with '" + *version +
                 "', which is not a firmware version. Nothing was uploaded.");
        return false;
    }
    // The controller's answer replaces the database's version: a different one is a change
    // the file does not hold yet, so closing asks about it like any other.
    if (database.firmwareVersion != *version) {
        database.firmwareVersion = *version;
        database.saved = false;
    }
    const long number = std::lround(std::strtod(version->c_str(), nullptr));
    if (number <= 6045) {
        tell(MessageIcon::Information, "",
             "The firmware version installed in your QZ740 is " + version->substr(0, 1) + "." +
                 version->substr(version->size() >= 3 ? version->size() - 3 : 0) +
                 ". This version Kelp is not compatible - Firmware Version must be 6.046 or "
                 "later.");
        return false;
    }
    return true;
}

int sendCompleteConfig(UploadTransport& transport, ControllerDatabase& database,
                       UploadProgress& progress,
                       const std::function<bool()>& beforeFirstCommand) {
    BusyGuard busy("The upload", &confirmInterrupt);
    UpdateInterrupted() = false;
    progress.start(UploadProgress::totalSteps(database.hasRtc));
    if (ask(MessageIcon::Question, MessageButtons::YesNo, DefaultButton::First,
            "Send Complete Configuration",
            "Are you sure you want to update your complete configuration? It could take some "
            "time") != Answer::Yes)
        return -1;
    if (beforeFirstCommand && !beforeFirstCommand())
        return -2;
    const int result = fSendUpdate(true, transport, database, &progress);
    if (result != 0) {
        tell(MessageIcon::Exclamation, kUpdateErrorTitle, kUpdateErrorText);
        return result;
    }
    recordWholeDatabase(database);
    std::string text = kCompleteUploadText;
    if (transport.isDtmf() && database.dvrWrite)
        text += kDvrNotSentText;
    tell(MessageIcon::Information, kCompleteUploadTitle, text);
    progress.clear();
    try {
        transport.resetController();
    } catch (...) {
        reportError("Update", "Complete_Click", "Controller Reset");
    }
    return result;
}

int updateChangesOnly(UploadTransport& transport, ControllerDatabase& database,
                      UploadProgress& progress) {
    BusyGuard busy("The upload", &confirmInterrupt);
    UpdateInterrupted() = false;
    progress.start(0);
    // Settings that differ from what the controller was last sent are sent too, so that an
    // edit saved and reopened another day is not forgotten.
    ChangesOnlyRecord record(database);
    const int result = fSendUpdate(false, transport, database, &progress);
    record.finish();
    if (result != 0)
        tell(MessageIcon::Exclamation, kUpdateErrorTitle, kUpdateErrorText);
    else
        tell(MessageIcon::Information, "Selective Update", "Update Complete");
    return result;
}

bool confirmInterrupt() {
    if (ask(MessageIcon::None, MessageButtons::YesNo, DefaultButton::First, "Interrupt Update",
            "Are you sure you want to interrupt the update?") != Answer::Yes)
        return false;
    tell(MessageIcon::None, "Wait", "Please wait while I finish the current operation");
    UpdateInterrupted() = true;
    return true;
}

}  // namespace kelp
