#include "core/link/dtmf_tones.h"

#include <algorithm>
#include <type_traits>

#include "core/app/clock.h"
#include "core/app/prompter.h"
#include "core/link/link_preferences.h"
#include "core/link/serial_link.h"
#include "core/link/serial_port.h"
#include "core/link/sound_output.h"
#include "core/link/wav_builder.h"

namespace kelp {

const char* const kPttPortErrorTitle = "Com Port for PTT Port Error";
const char* const kSoundErrorTitle = "Sound Output Error";

namespace {

constexpr const char* kCrLf = "\r\n";
bool soundFailedFlag = false;

std::string pttPortErrorText(int port) {
    const std::string network =
        networkPortTroubleText(port, linkDevice(port), " to key the transmitter");
    if (!network.empty())
        return network;
    return portTroubleText(
        "COM" + std::to_string(port) + " could not be opened to key the transmitter",
        "2. You have configured Kelp with the wrong DTMF port (Configure Kelp --> Use DTMF --> "
        "Com # For PTT)");
}

void reportSoundFailure(const std::string& reason, ToneUse use) {
    if (use == ToneUse::DtmfTones) {
        if (soundFailedFlag)
            return;
        soundFailedFlag = true;
        linkState().ResponseError = true;
    }
    std::string text = use == ToneUse::DtmfTones ? "Kelp could not play the DTMF tones."
                                                 : "Kelp could not play the courtesy tone preview.";
    if (!reason.empty())
        text += std::string(kCrLf) + kCrLf + "Reason: " + reason;
    text += std::string(kCrLf) + kCrLf +
            "Check that a sound output device is connected and not in use by another program, "
            "then try again.";
    currentPrompter().message(text, kSoundErrorTitle, MessageIcon::Exclamation);
}

}  // namespace

std::optional<DtmfPair> dtmfFrequencies(const std::string& token) {
    static const struct {
        const char* digit;
        const char* alias;
        DtmfPair pair;
    } kMatrix[] = {
        {"1", nullptr, {697, 1209}}, {"2", nullptr, {697, 1336}}, {"3", nullptr, {697, 1477}},
        {"A", "13", {697, 1633}},    {"4", nullptr, {770, 1209}}, {"5", nullptr, {770, 1336}},
        {"6", nullptr, {770, 1477}}, {"B", "14", {770, 1633}},    {"7", nullptr, {852, 1209}},
        {"8", nullptr, {852, 1336}}, {"9", nullptr, {852, 1477}}, {"C", "15", {852, 1633}},
        {"*", "11", {941, 1209}},    {"0", nullptr, {941, 1336}}, {"#", "12", {941, 1477}},
        {"D", "16", {941, 1633}},
    };
    for (const auto& row : kMatrix) {
        if (token == row.digit || (row.alias != nullptr && token == row.alias))
            return row.pair;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> toneWav(double lowHz, double highHz, double seconds) {
    if (lowHz == 0)
        lowHz = 1;
    if (highHz == 0)
        highHz = 1;
    std::vector<ToneSpec> tones{{lowHz, 0, 0.25, 0.25}, {highHz, 0, 0.25, 0.25}};
    WavBuilder wav;
    wav.header(kDtmfSampleRate, 16, 1, 0.5, 0.5);
    wav.synthesize(tones, seconds);
    return wav.bytes();
}

bool PlayTone(double lowHz, double highHz, double seconds, ToneUse use) {
    SoundOutput& output = currentSoundOutput();
    output.stop();
    if (output.play(toneWav(lowHz, highHz, seconds))) {
        if (use == ToneUse::DtmfTones)
            soundFailedFlag = false;
        return true;
    }
    reportSoundFailure(output.errorText(), use);
    return false;
}

void SendTone(const std::string& token) {
    // After a failed sound the rest of the run is silent: one message, no stream of them.
    if (soundFailedFlag)
        return;
    Clock& clock = currentClock();
    clock.sleepMs(dtmfDigitGapMs());
    if (const std::optional<DtmfPair> pair = dtmfFrequencies(token))
        PlayTone(pair->lowHz, pair->highHz, kDtmfDigitSeconds);
    clock.yield();
}

std::int64_t dtmfDigitGapMs() {
    return std::max<std::int64_t>(linkPreferences().DTMFDelay, kMinimumDigitGapMs);
}

std::int64_t dtmfAirMs(const std::vector<std::string>& tokens) {
    constexpr auto kToneMs = static_cast<std::int64_t>(kDtmfDigitSeconds * 1000 + 0.5);
    std::int64_t ms = 0;
    for (const std::string& token : tokens)
        ms += dtmfDigitGapMs() + (dtmfFrequencies(token) ? kToneMs : 0);
    return ms;
}

bool PlayFile(const std::filesystem::path& file) {
    return currentSoundOutput().playFile(file);
}

bool soundFailed() {
    return soundFailedFlag;
}

void KeyTransmitter(const std::string& state) {
    LinkState& link = linkState();
    const LinkPreferences& prefs = linkPreferences();
    SerialPort& port = currentSerialPort();
    soundFailedFlag = false;

    if (state != "key") {
        // The push-to-talk line is dropped first, so a port that has gone (a USB adapter
        // pulled out mid-upload) is noticed: nothing can release the transmitter through it
        // any more, and the operator must hear of it. Closing the port drops both lines.
        if (port.isOpen()) {
            const bool dropped = prefs.WhichSend == 1 ? port.setDtr(false) : port.setRts(false);
            const std::string reason = dropped ? std::string() : port.errorText();
            port.close();
            if (!dropped)
                currentPrompter().message("COM" + std::to_string(prefs.DTMFComPort) +
                                              " could not release the transmitter: " + reason +
                                              kCrLf + kCrLf +
                                              "Make sure the transmitter is not still keyed.",
                                          kPttPortErrorTitle, MessageIcon::Exclamation);
        }
        link.PortOpenError = false;
        return;
    }

    std::string reason;
    const bool opening = !port.isOpen();
    bool ok = !opening || openComPort(prefs.DTMFComPort, reason);
    if (ok) {
        // A port may come up with both lines raised (Linux raises them as it opens a device,
        // a serial server as it opens its own for the connection), which would key a
        // transmitter wired to either before we mean it: a port just opened gets both driven
        // off together, before anything else; then the push-to-talk line goes on.
        const bool useDtr = prefs.WhichSend == 1;
        if (opening)
            ok = port.setDtr(false) && port.setRts(false);
        else
            ok = useDtr ? port.setRts(false) : port.setDtr(false);
        ok = ok && (useDtr ? port.setDtr(true) : port.setRts(true));
        if (!ok) {
            reason = port.errorText();
            port.close();  // never leave a half-keyed transmitter behind
        }
    }
    if (ok) {
        link.PortOpenError = false;
        return;
    }
    currentPrompter().message(
        pttPortErrorText(prefs.DTMFComPort) + portFailureDetails(prefs.DTMFComPort, reason),
        kPttPortErrorTitle, MessageIcon::Exclamation);
    link.PortOpenError = true;
}

// Stands in for the operator's Prompter while the transmitter is keyed.
class TransmitterKey::HeldBoxes final : public Prompter {
  public:
    explicit HeldBoxes(std::int64_t& keyedAtMs)
        : operator_(currentPrompter()), scope_(*this), keyedAtMs_(keyedAtMs) {}

    Answer messageBox(const MessageBoxRequest& box) override {
        if (box.buttons == MessageButtons::OK) {
            held_.push_back(box);
            return Answer::OK;
        }
        return offTheAir([&] { return operator_.messageBox(box); });
    }
    std::optional<std::string> inputBox(const std::string& title, const std::string& prompt,
                                        const std::string& defaultText) override {
        return offTheAir([&] { return operator_.inputBox(title, prompt, defaultText); });
    }
    std::optional<std::filesystem::path> openFileDialog(const FileDialogRequest& request) override {
        return offTheAir([&] { return operator_.openFileDialog(request); });
    }
    std::optional<std::filesystem::path> saveFileDialog(const FileDialogRequest& request) override {
        return offTheAir([&] { return operator_.saveFileDialog(request); });
    }
    void beep() override { operator_.beep(); }
    bool openTextFile(const std::filesystem::path& file) override {
        return operator_.openTextFile(file);
    }

    bool holding() const { return !held_.empty(); }
    std::vector<MessageBoxRequest> take() { return std::move(held_); }

  private:
    // Asks with the transmitter released, then keys it again for the rest of the run. A
    // transmitter that cannot be keyed again stops the run: nobody would hear the rest.
    template <typename Ask>
    std::invoke_result_t<Ask> offTheAir(Ask ask) {
        KeyTransmitter("unkey");
        auto answer = ask();
        KeyTransmitter("key");
        if (linkState().PortOpenError) {
            linkState().ResponseError = true;
        } else {
            keyedAtMs_ = currentClock().nowMs();
            currentClock().sleepMs(linkPreferences().TxTemp);
        }
        return answer;
    }

    Prompter& operator_;
    ScopedPrompter scope_;
    std::vector<MessageBoxRequest> held_;
    std::int64_t& keyedAtMs_;
};

TransmitterKey::TransmitterKey() {
    key();
}

void TransmitterKey::key() {
    KeyTransmitter("key");
    keyed_ = !linkState().PortOpenError;
    if (!keyed_)
        return;
    released_ = false;
    keyedAtMs_ = currentClock().nowMs();
    boxes_ = std::make_unique<HeldBoxes>(keyedAtMs_);
}

bool TransmitterKey::keyAgainAfter(std::int64_t pauseMs) {
    release();
    currentClock().sleepMs(pauseMs);
    key();
    return keyed_;
}

TransmitterKey::~TransmitterKey() {
    try {
        release();
    } catch (...) {
        // Releasing only closes the port and shows what waited for it; nothing is left to do
        // if even that fails.
    }
}

bool TransmitterKey::holdsBoxes() const {
    return boxes_ != nullptr && boxes_->holding();
}

void TransmitterKey::release() {
    if (released_)
        return;
    released_ = true;
    std::vector<MessageBoxRequest> held;
    if (boxes_ != nullptr) {
        held = boxes_->take();
        boxes_.reset();  // the operator's Prompter is back
    }
    KeyTransmitter("unkey");
    keyed_ = false;
    for (const MessageBoxRequest& box : held) currentPrompter().messageBox(box);
}

}  // namespace kelp
