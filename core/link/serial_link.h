// The serial link to the controller: open the port, send one command line, wait for and
// judge the controller's one-character answer ("+" accepted, "-" refused).
//
// One command goes: SendStr(command + "\r"), CheckInput(displayText), then test
// linkState().ResponseError. Before the first command the caller runs OpenPort() if the
// port is closed and gives up when PortOpenError is set; afterwards it closes the port.
// Failures are shown in a box inside these routines and reach callers only through the two
// flags; the first failure ends the caller's run.
#pragma once

#include <cstdint>
#include <string>

#include "core/link/serial_timer.h"

namespace kelp {

struct LinkState {
    // Set when the port could not be opened (by OpenPort or KeyTransmitter), cleared when
    // opening succeeds.
    bool PortOpenError = false;
    // The result of the last CheckInput: true after a refusal, a time-out or an unexpected
    // error. A failed sound in DTMF mode sets it too, so the caller's run stops.
    bool ResponseError = false;
    // The main window's one-second timers and their tick counters.
    SerialTimer KelpMainSerialTimer;
    SerialTimer KelpMainSerialTimer2;
    std::int16_t SerialTicks = 0;
    std::int16_t SerialTicks2 = 0;
    // The stage CheckInput is in; shown in its failure messages.
    std::string stepLabel;
    // Set when the box saying the command in hand could not reach the controller (the port
    // not open, or the write failed) has been shown, so its CheckInput does not show a second
    // one.
    bool closedPortShown = false;
    // Set when the command in hand was refused before it went out: it held what a command
    // cannot carry (a control character on the line, a character that is no DTMF digit in
    // the audio). Its CheckInput fails at once, and an upload stops there. The next command
    // clears it.
    bool LineRefused = false;
    // Set by a caller that goes on after this command is refused or not answered (the first
    // two hang timers), so the box does not say the update ends.
    bool answerFailureGoesOn = false;
};

LinkState& linkState();
// Brings both tick counters up to date with the clock. Waiting loops call it every pass.
void pollSerialTimers();

// Box titles.
extern const char* const kSerialPortErrorTitle;      // "Serial Port Error"
extern const char* const kCommunicationsErrorTitle;  // "QZ740 Communications Error"
extern const char* const kComPortTitle;              // "Com Port"

// The text of a port that could not be opened: its first line, the list of likely reasons
// (the second names the menu where the port is chosen) and the closing advice.
std::string portTroubleText(const std::string& firstLine, const std::string& wrongPortLine);
// The same for a port at a network address (tcp://, rfc2217://, either with +tls) that "Com" n
// reaches: its first line names the address (and "COM" n when the menu chose it) followed by
// purpose, and the reasons are those of a serial server across a network. "" when the device
// is not a network address.
std::string networkPortTroubleText(int n, const std::string& device, const std::string& purpose);

// Makes sure the link is open and primes the controller's input with a lone "\r". On failure
// shows "Serial Port Error" and sets PortOpenError; otherwise clears it.
void OpenPort();
// Writes one command line (already ending in "\r"), then pauses SerialDelay ms. A port that
// is not open (closed under the sender, or an adapter pulled out) sends nothing and fails:
// "Serial Port Error", ResponseError and PortOpenError set. A text that holds a control
// character anywhere but its one closing "\r" would reach the controller as more than one
// command: nothing is written, "QZ740 Communications Error" is shown and LineRefused and
// ResponseError are set. (A lone key such as the recorder's "G" has no "\r" at all.)
// "Serial Port Error", ResponseError and PortOpenError set. So does a write that fails, which
// also closes the port: the link is gone, and the CheckInput that follows fails at once.
//
// How a caller tells the two failures apart after SendStr and CheckInput: PortOpenError set
// means the link is gone (the port could not be opened, closed, or could not be written);
// ResponseError alone means the controller refused the command or did not answer.
void SendStr(const std::string& text);
// Refuses the command in hand before it goes out: shows sentence and the command (control
// characters made visible) in "QZ740 Communications Error", sets LineRefused and
// ResponseError. SendStr and the DTMF sender call it.
void refuseCommand(const std::string& sentence, const std::string& displayText);
// Waits for the answer to the command just sent and sets ResponseError. displayText is the
// caller's text for the command; it is shown in the failure box. The controller reset
// "1*219999" is not answered, so it returns success at once. A port that is not open, or
// closes during the wait, is a failure; so is a wait the operator interrupts (closing the
// program), without a box: the operator asked for it.
void CheckInput(const std::string& displayText);
// Probes the chosen port (ComPort, or DTMFComPort in DTMF mode) by opening and closing it;
// shows the "Com Port" box when it does not exist.
void CheckComPort();

// Opens the port for "Com" n (its device from the link preferences). On failure returns
// false and sets reason to the system's words (or to why no device is known for n).
bool openComPort(int n, std::string& reason);
// What the port-open boxes add below their own text when the system gave a reason:
// CR LF CR LF "Device: " device CR LF "Reason: " reason. Empty without a reason.
std::string portFailureDetails(int n, const std::string& reason);

}  // namespace kelp
