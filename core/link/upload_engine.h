// The upload engine: walks the command catalogue in order and sends every group, or only the
// flagged ones, over the serial line or as DTMF audio.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/link/upload_catalogue.h"

namespace kelp {

// How commands reach the controller. The serial transport writes lines and waits for "+";
// the DTMF transport keys the transmitter and plays tones; the recording transport (for
// listings, renders and tests) only writes down what would be sent.
class UploadTransport {
public:
    virtual ~UploadTransport() = default;
    virtual bool isDtmf() const = 0;
    // Opens the port or keys the transmitter; false when that failed (the box was shown).
    virtual bool begin() = 0;
    // Sends one command; false when the controller refused it, did not answer, or the audio
    // failed (the box was shown).
    virtual bool send(const UploadItem& item) = 0;
    // DTMF mode: play a port's unlock code, or the lock code (each ends with the terminator).
    virtual void unlock(int port) = 0;
    virtual void lock() = 0;
    virtual void pause(int ms) = 0;
    // DTMF mode, before a command: a transmission that has reached the Longest transmission
    // ends here and a new one begins (the lock code and the unlock code of unlockedPort
    // around the break when it is not 0). False when the run must stop. Serial mode never
    // breaks.
    virtual bool breakIfDue(int unlockedPort) {
        (void)unlockedPort;
        return true;
    }
    // Closes the port, or locks the controller and releases the transmitter.
    virtual void end(bool begun) = 0;
    // The reset that follows a complete upload; the controller does not answer it.
    virtual void resetController() = 0;
};

// The progress bar of the Update window: one step before each item of a complete upload.
class UploadProgress {
public:
    // Steps of a complete upload: the real-time-clock option adds memories to three groups.
    static int totalSteps(bool hasRtc) { return hasRtc ? 1073 : 983; }

    void start(int total);  // a changes-only upload runs with total 0: no steps shown
    void advance();
    void clear();
    int total() const { return total_; }
    int value() const { return value_; }
    int maximum() const { return total_ + 1; }
    int percent() const { return percent_; }
    std::string percentText() const;  // "42% Complete"

private:
    int total_ = 0;
    int value_ = 0;
    int percent_ = 0;
};

// Set by "Interrupt Upload"; the engine stops after the command in progress.
bool& UpdateInterrupted();

// Sends the database: every group when full, else only items whose change flag is set.
// Flags are cleared item by item as the controller takes them; the failing item keeps its
// flag. writeFile: the unlock section values that change are written into the open database
// file at once. Returns 0 when every group was walked and every command sent was taken, 8 when
// the upload stopped early or went on past a command the controller did not take (the first
// two hang timers, whose flag then stays set). After 8, linkState().PortOpenError tells a link
// that is gone (port not opened, closed, or not writable) from a controller that refused or
// did not answer.
int fSendUpdate(bool full, UploadTransport& transport, ControllerDatabase& database,
                UploadProgress* progress = nullptr, bool writeFile = true);

// A transport that writes down what would be sent. In DTMF mode each played sequence
// (unlock, command, lock) is one entry of tokens ending with the terminator, and the time on
// the air is counted as the tones would take it (DTMFDelay, TxTemp and the pauses), so that
// the breaks of the Longest transmission come where the DTMF transport puts them.
class RecordingTransport : public UploadTransport {
public:
    struct Sequence {
        enum Kind { Unlock, Command, Lock, Reset, Break } kind;
        std::vector<std::string> tokens;  // DTMF tokens, terminator included
        std::string serial;               // serial mode: the line without "\r"
    };
    RecordingTransport(const ControllerDatabase& database, bool dtmf)
        : db_(database), dtmf_(dtmf) {}

    bool isDtmf() const override { return dtmf_; }
    bool begin() override;
    bool send(const UploadItem& item) override;
    void unlock(int port) override;
    void lock() override;
    void pause(int ms) override { keyedMs_ += ms; }
    bool breakIfDue(int unlockedPort) override;
    void end(bool begun) override;
    void resetController() override;

    const std::vector<Sequence>& sequences() const { return sequences_; }
    // One line per sequence: the serial text, or the DTMF characters played; a break is
    // transmissionBreakText().
    std::vector<std::string> lines() const;

private:
    void record(Sequence sequence);
    const ControllerDatabase& db_;
    bool dtmf_;
    std::vector<Sequence> sequences_;
    std::int64_t keyedMs_ = 0;  // DTMF: the time on the air since the transmitter keyed
    bool fresh_ = false;        // keyed up, and no command has asked for a break yet
};

// The DTMF forms of the codes a port is unlocked and locked with, terminator included.
std::vector<std::string> unlockTokens(const ControllerDatabase& database, int port);
std::vector<std::string> lockTokens(const ControllerDatabase& database);
// The controller reset after a complete upload: "1*21999" on the line; "*21999" in DTMF mode.
extern const char* const kControllerResetCommand;

}  // namespace kelp
