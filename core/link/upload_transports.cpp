#include "core/link/upload_transports.h"

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_sender.h"
#include "core/link/dtmf_tones.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"

namespace kelp {

bool SerialTransport::begin() {
    if (!currentSerialPort().isOpen()) OpenPort();
    return !linkState().PortOpenError;
}

bool SerialTransport::send(const UploadItem& item) {
    LinkState& link = linkState();
    // The failure box of a command the upload goes on after says so.
    link.answerFailureGoesOn = !item.refusalStops;
    SendStr(item.serial + "\r");
    CheckInput(item.serial);
    link.answerFailureGoesOn = false;
    return !link.ResponseError;
}

void SerialTransport::pause(int ms) { currentClock().sleepMs(ms); }

void SerialTransport::end(bool) {
    if (currentSerialPort().isOpen()) currentSerialPort().close();
}

void SerialTransport::resetController() {
    BusyGuard busy("Reset QZ740");
    if (!currentSerialPort().isOpen()) OpenPort();
    if (linkState().PortOpenError) return;
    // The controller restarts instead of answering, so nothing tells us the line has gone:
    // give it its time on the wire (about a millisecond a byte at 9600 baud) before the port
    // closes, or a port that discards unsent bytes on closing would lose the reset.
    const std::string line = std::string(kControllerResetCommand) + "\r";
    SendStr(line);
    currentClock().sleepMs(static_cast<std::int64_t>(line.size()) * 2 + 100);
    if (currentSerialPort().isOpen()) currentSerialPort().close();
}

bool DtmfTransport::begin() { return transmission_.keyUp(); }

bool DtmfTransport::send(const UploadItem& item) {
    if (!SendCommandTokens(item.dtmf))
        return false;
    return !linkState().ResponseError && !soundFailed();
}

void DtmfTransport::unlock(int port) { SendUnlock(port); }

void DtmfTransport::lock() { SendLock(); }

void DtmfTransport::pause(int ms) { currentClock().sleepMs(ms); }

bool DtmfTransport::breakIfDue(int unlockedPort) { return transmission_.breakIfDue(unlockedPort); }

void DtmfTransport::end(bool begun) {
    // A transmitter that never keyed up, or could not key again after a break, has nobody to
    // hear the lock code.
    if (begun && transmission_.onAir()) SendLock();
    transmission_.release();
}

void DtmfTransport::resetController() {
    BusyGuard busy("Reset QZ740");
    if (!transmission_.keyUp()) return;
    SendUnlock(1);
    SendControllerReset();
    transmission_.release();
}

}  // namespace kelp
