// DTMF tones and push-to-talk: the transmitter is keyed through the DTR or RTS line of a
// serial port, and each digit is played as a 100 ms two-tone sound through the sound output
// into the transmitter's audio input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelp {

// Every DTMF digit sound: 8000 Hz, 16 bits, both channels, 0.1 s.
constexpr std::int32_t kDtmfSampleRate = 8000;
constexpr double kDtmfDigitSeconds = 0.1;
// A decoder cannot tell a repeated digit from a held one without a pause between them, so
// every digit is preceded by at least this much silence, whatever DTMFDelay says.
constexpr std::int64_t kMinimumDigitGapMs = 50;

extern const char* const kPttPortErrorTitle;  // "Com Port for PTT Port Error"
extern const char* const kSoundErrorTitle;    // "Sound Output Error"

struct DtmfPair {
    int lowHz;
    int highHz;
};
// The row and column tones of a token: "0"-"9", "*", "#", "A"-"D", or the aliases "11" (*),
// "12" (#), "13"-"16" (A-D). Anything else has none.
std::optional<DtmfPair> dtmfFrequencies(const std::string& token);

// The WAV image PlayTone plays for one two-tone sound (a frequency of 0 counts as 1 Hz).
std::vector<std::uint8_t> toneWav(double lowHz, double highHz, double seconds);

// What a two-tone sound is played for; its failure message names it.
enum class ToneUse {
    DtmfTones,        // a run of DTMF digits to the controller
    CourtesyPreview,  // a courtesy tone played for the operator to hear
};

// Plays one two-tone sound synchronously; false when it could not be played. A failure of
// DTMF tones is shown once ("Sound Output Error"), sets ResponseError so that the caller's
// run stops, and silences SendTone until the transmitter is next keyed or released. A
// failed preview is shown every time and leaves the link's state alone.
bool PlayTone(double lowHz, double highHz, double seconds, ToneUse use = ToneUse::DtmfTones);
// Plays one DTMF digit: the pause before it (dtmfDigitGapMs()), then its 100 ms sound; a
// token that is no digit plays nothing after its pause.
void SendTone(const std::string& token);
// The silence before every digit: DTMFDelay, at least kMinimumDigitGapMs.
std::int64_t dtmfDigitGapMs();
// How long SendTone takes to play tokens, pauses included (no time for making the sounds).
std::int64_t dtmfAirMs(const std::vector<std::string>& tokens);
// Plays a WAV file by name; true when it played.
bool PlayFile(const std::filesystem::path& file);
// True after a sound failed, until the transmitter is next keyed or released.
bool soundFailed();

// state "key" keys the transmitter on DTMFComPort's DTR (WhichSend 1) or RTS (any other
// WhichSend) line; any other state releases it by closing the port. A port that cannot be
// opened, or a line that cannot be driven, shows "Com Port for PTT Port Error" and sets
// PortOpenError; otherwise PortOpenError is cleared.
void KeyTransmitter(const std::string& state);

// Keys the transmitter for a scope and releases it on every way out, exceptions included.
// Every DTMF operation keys through one, so that no box ever waits for the operator while
// the transmitter is on the air: while it is keyed, a box that only informs (a failure, a
// warning, the error reporter's) is held back and shown once the transmitter has been
// released; a question, whose answer is needed at once, releases the transmitter before it
// is asked and keys it again, with its key-up delay, once it has been answered.
class TransmitterKey {
  public:
    TransmitterKey();
    ~TransmitterKey();
    TransmitterKey(const TransmitterKey&) = delete;
    TransmitterKey& operator=(const TransmitterKey&) = delete;
    // False when keying failed (the box has been shown and PortOpenError is set).
    bool keyed() const { return keyed_; }
    // True when a box is waiting for the release.
    bool holdsBoxes() const;
    // Releases the transmitter now, then shows the boxes held back; the end of the scope
    // has nothing more to do.
    void release();
    // The clock's time when the transmission now on the air began: the keying, or the last
    // keying again (after a question, or keyAgainAfter()).
    std::int64_t keyedAtMs() const { return keyedAtMs_; }
    // Ends this transmission and starts another: releases the transmitter (the boxes held back
    // are shown), waits pauseMs and keys it again. False when it could not be keyed again (the
    // box has been shown, PortOpenError is set and there is nothing left to release).
    bool keyAgainAfter(std::int64_t pauseMs);

  private:
    class HeldBoxes;
    void key();

    std::unique_ptr<HeldBoxes> boxes_;
    bool keyed_ = false;
    bool released_ = false;
    std::int64_t keyedAtMs_ = 0;
};

}  // namespace kelp
