#include "core/link/serial_link.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/prompter.h"
#include "core/app/runtime_error.h"
#include "core/database/field_checks.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_port.h"
#include "core/link/telnet_com_port.h"

namespace kelp {

const char* const kSerialPortErrorTitle = "Serial Port Error";
const char* const kCommunicationsErrorTitle = "QZ740 Communications Error";
const char* const kComPortTitle = "Com Port";

std::string portTroubleText(const std::string& firstLine, const std::string& wrongPortLine) {
    std::string text = firstLine;
    for (const std::string& line : {
             std::string(),
             std::string("This is most likely caused by one of the following reasons:"),
             std::string("1. Your serial cable (or USB cable) is not connected to the computer"),
             wrongPortLine,
             std::string("3. You are using a USB cable and have not loaded the drivers for the "
                         "USB-to-serial adapter"),
             std::string("4. You do not have power to the QZ-740"),
             std::string("5. Your USB-to-serial adapter is not working properly (often happens "
                         "with less expensive adapters based on the 'Prolific' adapter chip)"),
             std::string("6. The serial port is in use by another program"),
             std::string(),
             std::string("Please check your connections and try again"),
         }) {
        text += "\r\n";
        text += line;
    }
    return text;
}

std::string networkPortTroubleText(int n, const std::string& device, const std::string& purpose) {
    if (!isNetworkDevice(device))
        return std::string();
    const std::size_t schemeEnd = device.find("://");
    std::string scheme = device.substr(0, schemeEnd);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool tls = scheme.size() > 4 && scheme.compare(scheme.size() - 4, 4, "+tls") == 0;
    const bool telnet = scheme.rfind("rfc2217", 0) == 0;
    const std::string at = device.substr(schemeEnd + 3);
    const bool fromMenu = linkPreferences().deviceOverride.empty();
    const std::string number = std::to_string(n);

    std::vector<std::string> reasons;
    if (tls) {
        reasons.push_back("The TLS front (ser2net's ssl accepter, stunnel or the like) at " + at +
                          " is not running, or listens on another port");
        reasons.push_back(
            "The serial server behind the TLS front is not running, cannot open "
            "its serial device, or is serving another client");
        // An entry of the menu is trusted where it was set up: the Network window's Pin
        // button; an address on the command line by the options beside it.
        reasons.push_back(
            fromMenu ? "The server's certificate is not trusted here (in Configure Kelp, Use "
                       "Serial Port, Network..., choose Com" +
                           number +
                           ", press Test Connection and, when the fingerprint is your site's, "
                           "Pin This Certificate; or name its authority there)"
                     : std::string("The server's certificate is not trusted here (name its "
                                   "authority with --tls-ca, or pin it with --tls-fingerprint)"));
    } else {
        reasons.push_back("The serial server (ser2net or the like) at " + at +
                          " is not running, or listens on another port");
        reasons.push_back(
            "The serial server cannot open its serial device, or is serving "
            "another client");
    }
    if (telnet)
        reasons.push_back(
            "The server does not offer the Telnet COM-PORT option (RFC 2217) on "
            "this port; a raw port is opened with a tcp:// address");
    reasons.push_back(
        "The network between this computer and the site is down, or a firewall "
        "blocks the port");
    reasons.push_back(fromMenu
                          ? "You have configured Kelp with the wrong address (" + comDeviceKey(n) +
                                " in section [" + kLinkSection + "] of " + linkIniFile() + ")"
                          : std::string("The address given on the command line is wrong"));

    std::string text = (fromMenu ? "COM" + number + " (" + device + ")" : device) +
                       " could not be opened" + purpose + "\r\n\r\n" +
                       "This is most likely caused by one of the following reasons:";
    for (std::size_t i = 0; i < reasons.size(); ++i)
        text += "\r\n" + std::to_string(i + 1) + ". " + reasons[i];
    return text +
           "\r\n\r\nPlease check the address, the network and the serial server, and try "
           "again";
}

namespace {

constexpr const char* kCrLf = "\r\n";
// Each pass of the answer wait waits on the port at most this long.
constexpr int kPollMs = 10;
// The controller resets on this command instead of answering it.
constexpr const char* kUnansweredReset = "1*219999";

constexpr const char* kNackSentence =
    "Kelp receive a NACK from the QZ740 after sending it a command string";
// The last line of the box for a command whose caller goes on after it.
constexpr const char* kUpdateGoesOn = "The update goes on with the next command";
constexpr const char* kTimeoutSentence =
    "Kelp did not receive a valid response from the QZ740 after sending it a command string";

std::string serialPortErrorText(int comPort) {
    const std::string network = networkPortTroubleText(comPort, linkDevice(comPort), "");
    if (!network.empty())
        return network;
    return portTroubleText("COM" + std::to_string(comPort) + " could not be opened",
                           "2. You have configured Kelp with the wrong serial port (Configure "
                           "Kelp --> Use Serial Port --> Com#)");
}

void showCommunicationsError(const char* sentence, const std::string& displayText,
                             const std::string& lastResponse) {
    const LinkState& state = linkState();
    std::string location = "Location = " + std::string("Declarations") + ": " + "CheckInput";
    if (state.stepLabel.find_first_not_of(' ') != std::string::npos)
        location += ": " + state.stepLabel;
    const std::string text = std::string(sentence) + kCrLf + kCrLf +
                             "The command string send was: " + kCrLf + displayText + kCrLf + kCrLf +
                             "The last response from the QZ740 was: " + kCrLf + lastResponse +
                             kCrLf + kCrLf + location + kCrLf + kCrLf +
                             (state.answerFailureGoesOn ? kUpdateGoesOn : "Update will terminate");
    currentPrompter().message(text, kCommunicationsErrorTitle, MessageIcon::Exclamation);
}

// A command that cannot reach the controller: the port is not open, closed while the answer
// was awaited, or could not be written. Said once per command: when SendStr has said it, its
// CheckInput only fails.
enum class LinkFailure { NotOpen, WriteFailed, ClosedWhileWaiting };

void failLink(const std::string& displayText, LinkFailure failure, const std::string& reason) {
    LinkState& state = linkState();
    state.ResponseError = true;
    state.PortOpenError = true;
    if (failure == LinkFailure::ClosedWhileWaiting && state.closedPortShown)
        return;
    state.closedPortShown = true;
    std::string shown = displayText;
    while (!shown.empty() && (shown.back() == '\r' || shown.back() == '\n')) shown.pop_back();
    // A port that closes while the answer is awaited (a cable pulled, a network connection
    // dropped) took the command: whether the controller acted on it is not known. A line that
    // could not be written never reached the controller whole, so it was not acted on.
    const char* sentence =
        failure == LinkFailure::ClosedWhileWaiting
            ? "The serial port closed before the QZ740 answered, so Kelp cannot tell whether the "
              "QZ740 received the command string."
        : failure == LinkFailure::WriteFailed
            ? "Kelp could not write the command string to the serial port, so the QZ740 did not "
              "receive it."
            : "The serial port is not open, so the QZ740 did not receive the command string.";
    // Only a line that went out is called sent.
    const char* label = failure == LinkFailure::ClosedWhileWaiting
                            ? "The command string send was: "
                            : "The command string that was not sent: ";
    currentPrompter().message(
        sentence + std::string(kCrLf) + kCrLf + label + kCrLf + shown + kCrLf + kCrLf +
            (reason.empty() ? std::string() : "Reason: " + reason + kCrLf + kCrLf) +
            "Update will terminate",
        kSerialPortErrorTitle, MessageIcon::Exclamation);
}

void failClosedPort(const std::string& displayText, bool inCheckInput) {
    failLink(displayText, inCheckInput ? LinkFailure::ClosedWhileWaiting : LinkFailure::NotOpen,
             currentSerialPort().errorText());
}

}  // namespace

LinkState& linkState() {
    static LinkState state;
    return state;
}

void pollSerialTimers() {
    LinkState& state = linkState();
    state.KelpMainSerialTimer.poll(state.SerialTicks);
    state.KelpMainSerialTimer2.poll(state.SerialTicks2);
}

bool openComPort(int n, std::string& reason) {
    const std::string device = linkDevice(n);
    if (device.empty()) {
        reason = "no serial device is known for Com" + std::to_string(n) + " (name one as " +
                 comDeviceKey(n) + " in section [" + kLinkSection + "] of " + linkIniFile() + ")";
        return false;
    }
    SerialPort& port = currentSerialPort();
    if (port.open(device)) {
        reason.clear();
        return true;
    }
    reason = port.errorText();
    return false;
}

std::string portFailureDetails(int n, const std::string& reason) {
    if (reason.empty())
        return std::string();
    std::string details = std::string(kCrLf) + kCrLf;
    const std::string device = linkDevice(n);
    if (!device.empty())
        details += "Device: " + device + kCrLf;
    return details + "Reason: " + reason;
}

void OpenPort() {
    LinkState& state = linkState();
    const LinkPreferences& prefs = linkPreferences();
    SerialPort& port = currentSerialPort();
    Clock& clock = currentClock();

    clock.yield();
    std::string reason;
    bool openedHere = false;
    bool ok = true;
    if (!port.isOpen() && prefs.ComPort != 0) {
        ok = openComPort(prefs.ComPort, reason);
        openedHere = ok;
    }
    // The lone CR ends whatever half line the controller may hold from an earlier session.
    if (ok && !port.write("\r")) {
        ok = false;
        reason = port.isOpen() ? port.errorText() : std::string();
    }
    if (ok) {
        clock.sleepMs(prefs.SerialDelay);
        // What came in by now answered a line of an earlier session (the lock sent as it
        // ended): read as the first command's answer it would shift every answer by one.
        if (openedHere)
            port.readAll();
        state.PortOpenError = false;
        state.closedPortShown = false;
        return;
    }
    // A port that opened but cannot be written is closed again, so the next try starts clean.
    if (openedHere)
        port.close();
    currentPrompter().message(
        serialPortErrorText(prefs.ComPort) + portFailureDetails(prefs.ComPort, reason),
        kSerialPortErrorTitle, MessageIcon::Exclamation);
    state.PortOpenError = true;
}

void refuseCommand(const std::string& sentence, const std::string& displayText) {
    LinkState& state = linkState();
    state.LineRefused = true;
    state.ResponseError = true;
    currentPrompter().message(sentence + kCrLf + kCrLf + "The command string was: " + kCrLf +
                                  visibleControlCharacters(displayText) + kCrLf + kCrLf +
                                  "Update will terminate",
                              kCommunicationsErrorTitle, MessageIcon::Exclamation);
}

void SendStr(const std::string& text) {
    linkState().LineRefused = false;
    // The one place a command line is written: whatever a value held, only one command
    // reaches the controller, ended by its own "\r".
    const std::string_view body = !text.empty() && text.back() == '\r'
                                      ? std::string_view(text).substr(0, text.size() - 1)
                                      : std::string_view(text);
    if (holdsControlCharacter(body)) {
        refuseCommand(
            "Kelp did not send a command string that holds a control character: the "
            "QZ740 would take it as more than one command.",
            std::string(body));
        return;
    }
    try {
        SerialPort& port = currentSerialPort();
        if (!port.isOpen()) {
            failClosedPort(text, false);
            return;
        }
        if (!port.write(text)) {
            // The link is gone (a device hung up, a connection dropped) or the line is stuck:
            // nothing more can get through, and the port is closed so the next try starts clean.
            const std::string reason = port.errorText();
            port.close();
            failLink(text, LinkFailure::WriteFailed, reason);
            return;
        }
        currentClock().sleepMs(linkPreferences().SerialDelay);
    } catch (...) {
        reportError("Declarations", "SendStr");
    }
}

void CheckInput(const std::string& displayText) {
    LinkState& state = linkState();
    // The command never went out; its box has been shown.
    if (state.LineRefused) {
        state.ResponseError = true;
        return;
    }
    if (displayText == kUnansweredReset) {
        if (currentSerialPort().isOpen())
            state.ResponseError = false;
        else
            failClosedPort(displayText, true);
        state.closedPortShown = false;
        return;
    }
    SerialPort& port = currentSerialPort();
    Clock& clock = currentClock();
    std::string lastResponse;
    try {
        state.stepLabel = "Begin";
        state.SerialTicks = 0;
        std::int16_t errorCounter = 0;
        state.KelpMainSerialTimer.setEnabled(true);
        state.ResponseError = false;
        for (;;) {
            state.stepLabel = "Get InputBuffer";
            if (!port.isOpen()) {
                failClosedPort(displayText, true);
                break;
            }
            // Closing the program asked the operation to stop: no answer is awaited, and the
            // command counts as not taken.
            if (busyState().interruptRequested()) {
                state.ResponseError = true;
                break;
            }
            // Only the first character of each read counts; a read that starts with
            // anything else (an empty one too) is dropped and the wait goes on. The
            // controller ends every answer with CR LF, and that tail often arrives in the
            // same read as the next answer (a busy computer, a USB adapter that batches
            // bytes): line ends at the start belong to the previous answer and are skipped.
            lastResponse = port.readAll();
            const std::size_t judged = lastResponse.find_first_not_of("\r\n");
            const char first = judged == std::string::npos ? '\0' : lastResponse[judged];

            state.stepLabel = "Check for ACK";
            if (first == '+') {
                state.ResponseError = false;
                break;
            }
            state.stepLabel = "Check for NACK";
            if (first == '-') {
                showCommunicationsError(kNackSentence, displayText, lastResponse);
                state.ResponseError = true;
                break;
            }

            // Wakes as soon as the answer arrives rather than sleeping a fixed pass.
            port.waitForReadyRead(kPollMs);
            pollSerialTimers();

            // Every third one-second tick adds an error; the third error gives up, so a
            // silent controller is abandoned after about nine seconds.
            state.stepLabel = "Check UpdateCheckTimer";
            if (state.SerialTicks > 2) {
                ++errorCounter;
                state.SerialTicks = 0;
            }
            state.stepLabel = "Check ErrorCounter";
            if (errorCounter > 2) {
                showCommunicationsError(kTimeoutSentence, displayText, lastResponse);
                state.ResponseError = true;
                break;
            }
            clock.yield();
            state.stepLabel = "End of loop";
        }
    } catch (...) {
        reportError("Declarations", "CheckInput", state.stepLabel);
        state.ResponseError = true;
    }
    state.stepLabel = "Exit_proc";
    state.closedPortShown = false;
    lastResponse.clear();
    state.KelpMainSerialTimer.setEnabled(false);
}

void CheckComPort() {
    BusyGuard busy("The port check");
    const LinkPreferences& prefs = linkPreferences();
    SerialPort& port = currentSerialPort();
    if (!port.isOpen()) {
        const int n = prefs.ComPort != 0 ? prefs.ComPort : prefs.DTMFComPort;
        std::string reason;
        if (!openComPort(n, reason)) {
            const std::string network = networkPortTroubleText(n, linkDevice(n), "");
            if (!network.empty()) {
                currentPrompter().message(network + portFailureDetails(n, reason), kComPortTitle,
                                          MessageIcon::Information);
                return;
            }
            currentPrompter().message(
                "ComPort " + std::to_string(n) + " does not currently exist on this system." +
                    kCrLf + kCrLf +
                    "This is normal in Windows if you are using a USB cable and you do not "
                    "currently have the cable plugged into the computer." +
                    portFailureDetails(n, reason),
                kComPortTitle, MessageIcon::Information);
            return;
        }
    }
    port.close();
}

}  // namespace kelp
