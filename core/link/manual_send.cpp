#include "core/link/manual_send.h"

#include <cctype>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/database/controller_database.h"
#include "core/database/field_checks.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/session/edit_history.h"

namespace kelp {

const char* const kManualSendCaption = "Manual Send Data To QZ740";
const char* const kManualSerialPrefix = "999";

namespace {

bool dtmfMode() {
    return linkPreferences().ComPort == 0;
}

}  // namespace

std::optional<char> manualSendKey(char typed) {
    if (typed == '\b')
        return typed;
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(typed)));
    if (!isDtmfDigit(upper))
        return std::nullopt;
    return upper;
}

std::string manualSendText(const std::string& text) {
    std::string kept;
    for (const char c : text)
        if (const std::optional<char> accepted = manualSendKey(c); accepted && *accepted != '\b')
            kept += *accepted;
    return kept;
}

void ManualSend::textChanged(const std::string& boxText) {
    // An emptied box sends nothing, not a bare "999".
    if (boxText.empty() || dtmfMode())
        pending_ = boxText;
    else
        pending_ = kManualSerialPrefix + boxText;
}

void ManualSend::send() {
    BusyGuard busy("Manual send");
    LinkState& link = linkState();
    const std::string command = pending_;
    pending_.clear();
    bool reached = false;  // a typed command went out: no undo changes it back
    if (dtmfMode()) {
        if (!command.empty()) {
            // A sound failure's box waits until the key is released.
            TransmitterKey key;
            if (!key.keyed()) {
                link.PortOpenError = false;
            } else {
                SendDigits(command);
                reached = true;
                // The lock goes out while the transmitter is still keyed: played after the
                // release, the controller would never hear it and stay unlocked by a typed
                // unlock code.
                SendLock();
            }
        }
        KeyTransmitter("unkey");
    } else {
        if (!command.empty()) {
            OpenPort();
            if (link.PortOpenError) {
                link.PortOpenError = false;
            } else {
                currentClock().sleepMs(100);
                const std::string line = command + "\r";
                SendStr(line);
                reached = true;
                // Nothing is answered, so give the line its time on the wire (about a
                // millisecond a byte at 9600 baud) before the port closes.
                currentClock().sleepMs(static_cast<std::int64_t>(line.size()) * 2 + 100);
            }
        }
        if (currentSerialPort().isOpen())
            currentSerialPort().close();
    }
    link.ResponseError = false;
    if (reached)
        markControllerReached(db(), "The manual send");
}

}  // namespace kelp
