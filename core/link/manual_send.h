// Manual send: one command line typed by hand and sent as it stands — over the serial line
// with the "999" that precedes a typed command, or as DTMF tones with the transmitter keyed.
// The controller's answer is not read.
#pragma once

#include <optional>
#include <string>

namespace kelp {

extern const char* const kManualSendCaption;  // "Manual Send Data To QZ740"
// The serial line's prefix before a typed command.
extern const char* const kManualSerialPrefix;  // "999"

// A key typed into the command box: the character it enters (upper case), or nullopt when it
// is refused (the box beeps). Backspace passes unchanged; Enter is not a character here.
std::optional<char> manualSendKey(char typed);
// Text that reaches the box by another road than a typed key (a paste, a drop): its DTMF
// digits, upper case; everything else is dropped.
std::string manualSendText(const std::string& text);

class ManualSend {
  public:
    // The box's text changed: the pending command follows it ("999" first in serial mode).
    void textChanged(const std::string& boxText);
    const std::string& pending() const { return pending_; }
    // Sends the pending command (nothing when empty), then empties it. Serial mode opens the
    // port, waits 100 ms, writes the line and closes the port; DTMF mode keys the
    // transmitter, plays the digits and the lock code, and releases it.
    void send();

  private:
    std::string pending_;
};

}  // namespace kelp
