#include "core/download/download_protocol.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>

#include "core/app/busy_state.h"
#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/program_identity.h"
#include "core/app/prompter.h"
#include "core/app/runtime_error.h"
#include "core/database/atomic_file.h"
#include "core/database/controller_database.h"
#include "core/download/download_progress.h"
#include "core/download/download_state.h"
#include "core/download/eram_layout.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/link/serial_trace.h"

namespace kelp {

const char* const kSerialTimeoutTitle = "Serial Timeout";
const char* const kSerial2TimeoutTitle = "Serial 2 Timeout";
const char* const kMainTimeoutText =
    "Data from the QZ740 did not successfully download. Please try again. Press OK to continue.";
const char* const kAutopatchTimeoutText =
    "Data from the AP1 did not successfully download. Please try again. Press OK to continue.";
const char* const kRtcTimeoutText =
    "Data from the RTC did not successfully download. Please try again. Press OK to continue.";
const char* const kDownloadCanceledText = "Download Canceled. Click OK to return to Kelp";

const char* const kMainDownloadCaption = "Downloading From QZ740";
const char* const kAutopatchDownloadCaption = "Downloading From Autopatch";
const char* const kRtcDownloadCaption = "Downloading From RTC";

namespace {

// How long a pass that found nothing waits on the port before it looks again. The main and
// autopatch loops have no pause of their own; without this they would spin.
constexpr int kPollMs = 10;

// At 9600 baud a line comes in a byte about every millisecond, and a read taken as soon as
// its first bytes are there returns a piece of it. Every read that brings text is answered
// ("OK", "o", "r"), so reading piece by piece answers each line several times over: the
// answers alone then fill the wire towards the controller (three bytes of "OK" for every
// byte received), and a controller that counts them runs ahead and bunches its end marker
// behind a chunk. So a read takes the whole burst: it goes on while bytes keep coming (no gap
// of kBurstGapMs) until the last byte received ends a line, for at most kBurstLimitMs. The
// gap is generous: a USB adapter, or a busy computer, can hold bytes back for tens of
// milliseconds in the middle of a line, and a line is only ever waited for while it is not
// complete.
constexpr int kBurstGapMs = 60;
constexpr std::int64_t kBurstLimitMs = 500;

std::string readBurst(SerialPort& port) {
    std::string text = port.readAll();
    if (text.empty())
        return text;
    Clock& clock = currentClock();
    const std::int64_t start = clock.nowMs();
    while (text.back() != '\n' && clock.nowMs() - start < kBurstLimitMs &&
           port.waitForReadyRead(kBurstGapMs))
        text += port.readAll();
    return text;
}

// A line that cannot be written means the link is gone: the port is closed, so the loop's
// next closed-port test ends the download at once with the reason, not after its time-out.
void send(const std::string& text) {
    SerialPort& port = currentSerialPort();
    if (!port.write(text))
        port.close();
}

// A "+" on a line of its own at the front of a burst answered the lock sent as the previous
// step ended, read late once the port is open again: neither image data nor a reason to ask
// for the next chunk. "+SendA…"/"+SendR…", the request's own answer, stays.
std::string withoutLateAcknowledgements(std::string text) {
    while (!text.empty() && text[0] == '+') {
        std::size_t end = 1;
        while (end < text.size() && (text[end] == '\r' || text[end] == '\n')) ++end;
        if (end == 1 && text.size() > 1)
            break;
        text.erase(0, end);
    }
    return text;
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

bool startsWith(const std::string& text, const char* start) {
    return text.compare(0, std::char_traits<char>::length(start), start) == 0;
}

void startTimers(bool both) {
    LinkState& link = linkState();
    link.KelpMainSerialTimer.setEnabled(true);
    if (both)
        link.KelpMainSerialTimer2.setEnabled(true);
    link.SerialTicks = 0;
    link.SerialTicks2 = 0;
}

void stopTimers() {
    LinkState& link = linkState();
    link.SerialTicks = 0;
    link.SerialTicks2 = 0;
    link.KelpMainSerialTimer.setEnabled(false);
    link.KelpMainSerialTimer2.setEnabled(false);
}

// Opens the port when it is closed; false when it could not be opened (OpenPort has said
// why).
bool portReady() {
    LinkState& link = linkState();
    link.PortOpenError = false;
    if (!currentSerialPort().isOpen())
        OpenPort();
    return !link.PortOpenError;
}

void closePort() {
    SerialPort& port = currentSerialPort();
    if (port.isOpen())
        port.close();
}

// The time-out and cancel tests every receive loop makes. True when the loop must end.
bool timedOut(const char* text, int overallTicks) {
    pollSerialTimers();
    const LinkState& link = linkState();
    if (link.SerialTicks >= kLineTimeoutTicks) {
        currentPrompter().message(text, kSerialTimeoutTitle);
        return true;
    }
    if (link.SerialTicks2 > overallTicks) {
        currentPrompter().message(text, kSerial2TimeoutTitle);
        return true;
    }
    return false;
}

// A port that closed under the download (an adapter pulled out) ends it: nothing more can
// arrive, and what did is not the whole image.
bool portClosed() {
    if (currentSerialPort().isOpen())
        return false;
    const std::string reason = currentSerialPort().errorText();
    currentPrompter().message(
        "The serial port closed during the download, so the QZ740's memory was not read." +
            (reason.empty() ? std::string() : "\r\n\r\nReason: " + reason),
        kSerialPortErrorTitle, MessageIcon::Exclamation);
    return true;
}

bool cancelled() {
    if (portClosed())
        return true;
    DownloadState& state = downloadState();
    // Closing the program during a download cancels it too.
    if (!state.DownloadCancel && !busyState().interruptRequested())
        return false;
    currentClock().sleepMs(100);
    currentPrompter().message(kDownloadCanceledText, kProgramBoxTitle);
    state.DownloadCancel = false;
    return true;
}

// An image as it arrives: gathered in memory and put in place whole, through the careful
// writer, once its end marker has come. A download that fails, times out or is cancelled
// leaves the image file of the last good download as it was.
class ImageFile {
  public:
    explicit ImageFile(std::string path) : path_(std::move(path)) {
        // A folder that is not there is reported before the controller is asked for anything.
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::path(path_).parent_path();
        if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
            throw RuntimeError(75, "Path/File access error");
    }
    ImageFile& operator<<(const std::string& text) {
        text_ += text;
        return *this;
    }
    ImageFile& operator<<(const char* text) {
        text_ += text;
        return *this;
    }
    void commit() const {
        try {
            writeFileAtomically(path_, text_);
        } catch (const std::exception&) {
            throw RuntimeError(75, "Path/File access error");
        }
    }

  private:
    std::string path_;
    std::string text_;
};

// One download step: the port opened, the loop run inside its guard, then the port closed
// and the timers stopped whatever happened. The loop returns its result.
bool runStep(const char* routine, const char* errorText, const std::function<bool()>& loop) {
    BusyGuard busy("The download");
    bool result = false;
    if (portReady()) {
        try {
            result = loop();
        } catch (...) {
            reportError("KelpMain", routine, std::string(), errorText);
            result = false;
        }
    }
    stopTimers();
    closePort();
    linkState().PortOpenError = false;
    return result;
}

}  // namespace

std::string relockLine() {
    return db().get("Lock") + db().get("Terminator") + "\r";
}

bool QZ740Download() {
    return runStep("QZ740Download", "Error downloading settings from controller:", [] {
        SerialPort& port = currentSerialPort();
        Clock& clock = currentClock();
        DownloadProgress& progress = currentDownloadProgress();
        ImageFile file(downloadState().Memfile);
        ProgressShown shown(kMainDownloadCaption, ProgressLabel::DownloadingData, true,
                            kMainImageBarMaximum);
        clock.yield();
        startTimers(true);

        // Whatever the controller had queued is read and thrown away.
        send("OK\r");
        clock.sleepMs(50);
        port.readAll();

        int lineCounter = -1;
        std::string pending;
        // The image's lines are its records in order; the trace keeps the codes' out.
        ScopedReceivedLineMask hideCodes([](int record, const std::string& line) {
            if (!eramRecordHoldsCode(record))
                return std::string::npos;
            const std::size_t comma = line.find(',');
            return comma == std::string::npos ? 0 : comma + 1;
        });
        send("1SendEram\r");
        clock.sleepMs(100);
        // The whole image's limit is for a cable, where each "OK" is answered within a few
        // milliseconds. Over a network every one of its lines also waits a round trip: the
        // first "OK" answered measures it, and the limit grows by that much per line, for
        // round trips up to a slow internet link's; a controller slower still ends on it.
        int overallTicks = kMainImageTimeoutTicks;
        std::int64_t okSentAt = -1;  // the first "OK" of the loop, until its line arrives
        for (;;) {
            const std::string text = readBurst(port);
            // The end test looks at what is still pending, before this pass's text joins it:
            // "+" covers the controller's "+SendE" answer.
            if (contains(pending, "Complete") || lineCounter >= kMainImageBarMaximum ||
                contains(pending, "+")) {
                // Lines that arrived bunched with the end marker are data the controller
                // sent: they are kept, up to the line that holds the marker.
                for (std::size_t end = pending.find("\r\n");
                     end != std::string::npos && lineCounter < kMainImageBarMaximum;
                     end = pending.find("\r\n")) {
                    const std::string line = pending.substr(0, end);
                    if (contains(line, "Complete") || contains(line, "+"))
                        break;
                    file << line << "\r\n";
                    ++lineCounter;
                    if (lineCounter < kMainImageBarMaximum)
                        progress.setValue(lineCounter);
                    pending.erase(0, end + 2);
                }
                file.commit();
                linkState().SerialTicks = 0;
                linkState().SerialTicks2 = 0;
                return true;
            }
            clock.yield();
            if (timedOut(kMainTimeoutText, overallTicks))
                return false;
            if (!text.empty()) {
                pending += text;
                // One line per pass: the controller sends the next only after our "OK".
                const std::size_t end = pending.find("\r\n");
                if (end != std::string::npos) {
                    file << pending.substr(0, end) << "\r\n";
                    ++lineCounter;
                    if (lineCounter < kMainImageBarMaximum)
                        progress.setValue(lineCounter);
                    linkState().SerialTicks = 0;
                    pending.erase(0, end + 2);
                    if (okSentAt >= 0) {
                        const std::int64_t beyond = std::min<std::int64_t>(
                            clock.nowMs() - okSentAt - kCableAnswerMs, kLongestRoundTripMs);
                        if (beyond > 0)
                            overallTicks += static_cast<int>(beyond * kMainImageBarMaximum / 1000);
                        okSentAt = -2;
                    }
                }
                send("OK\r");
                if (okSentAt == -1)
                    okSentAt = clock.nowMs();
            } else {
                port.waitForReadyRead(kPollMs);
            }
            if (cancelled())
                return false;
        }
    });
}

bool APDownload() {
    return runStep("APDownload", "Error in downloading Autopatch data from controller", [] {
        SerialPort& port = currentSerialPort();
        Clock& clock = currentClock();
        DownloadProgress& progress = currentDownloadProgress();
        ImageFile file(downloadState().APMemfile);
        ProgressShown shown(kAutopatchDownloadCaption, ProgressLabel::DownloadingData, true,
                            kAutopatchBarMaximum);
        clock.yield();
        startTimers(true);

        port.readAll();
        while (port.waitForReadyRead(0)) port.readAll();
        send("1SendAPEram\r");

        bool result = false;
        int chunks = 0;
        for (;;) {
            const std::string text = withoutLateAcknowledgements(readBurst(port));
            if (startsWith(text, "RICom")) {
                file << "Complete";
                linkState().SerialTicks = 0;
                linkState().SerialTicks2 = 0;
                result = true;
                break;
            }
            clock.yield();
            if (timedOut(kAutopatchTimeoutText, kOptionTimeoutTicks))
                break;
            if (!text.empty() && !startsWith(text, "+SendA") && text[0] != '-') {
                file << text;
                linkState().SerialTicks = 0;
                ++chunks;
                send("o\r");
                clock.sleepMs(100);
                if (chunks < kAutopatchBarMaximum)
                    progress.setValue(chunks);
            } else if (text.empty()) {
                port.waitForReadyRead(kPollMs);
            }
            if (cancelled())
                break;
        }
        send(relockLine());
        if (result)
            file.commit();
        return result;
    });
}

bool RTCDownload() {
    return runStep("RTCDownload", "Error in downloading RTC data from controller", [] {
        Clock& clock = currentClock();
        DownloadProgress& progress = currentDownloadProgress();
        ImageFile file(downloadState().RTCMemfile);
        ProgressShown shown(kRtcDownloadCaption, ProgressLabel::DownloadingData, true,
                            kRtcBarMaximum);
        clock.yield();
        startTimers(true);

        send("1SendRTCEram\r");
        bool result = false;
        int bar = 0;
        for (;;) {
            const std::string text = withoutLateAcknowledgements(readBurst(currentSerialPort()));
            if (contains(text, "Complete")) {
                clock.sleepMs(100);
                file << "Complete";
                linkState().SerialTicks = 0;
                linkState().SerialTicks2 = 0;
                result = true;
                break;
            }
            clock.yield();
            if (timedOut(kRtcTimeoutText, kOptionTimeoutTicks))
                break;
            // "-" and "Timeout" are the controller's refusals, not data: written into the
            // image they would glue themselves to the front of the next line and hide it.
            const bool restart = !text.empty() && (text[0] == '-' || text == "Timeout");
            if (!text.empty() && !restart && !startsWith(text, "+SendR") &&
                !startsWith(text, "T3C")) {
                file << text;
                linkState().SerialTicks = 0;
                send("r\r");
                if (bar < kRtcBarMaximum)
                    progress.setValue(++bar);
            }
            if (restart)
                send("1SendRTCEram\r");
            if (cancelled())
                break;
            clock.sleepMs(250);
        }
        send(relockLine());
        if (result)
            file.commit();
        return result;
    });
}

bool VersionDownload() {
    ControllerDatabase& database = db();
    database.firmwareVersion.clear();
    return runStep("VersionDownload", "Error in downloading version number", [&database] {
        Clock& clock = currentClock();
        LinkState& link = linkState();
        link.KelpMainSerialTimer.setEnabled(true);
        link.SerialTicks = 0;
        send("1GetVersion\r");
        clock.sleepMs(100);
        bool result = false;
        // The answer is gathered until its "+": on a busy machine or over a network the version
        // and the "+" after it come in separate reads, and the version would be lost.
        std::string text;
        for (;;) {
            text += currentSerialPort().readAll();
            if (const auto version = firmwareVersionInAnswer(text)) {
                clock.sleepMs(100);
                database.firmwareVersion = *version;
                result = true;
                break;
            }
            clock.yield();
            pollSerialTimers();
            if (link.SerialTicks > kVersionTimeoutTicks || portClosed()) {
                // Acknowledged, but no version told: the database keeps an empty one.
                result = text.find('+') != std::string::npos;
                break;
            }
            send("OK\r");
            clock.sleepMs(100);
        }
        send(relockLine());
        return result;
    });
}

}  // namespace kelp
