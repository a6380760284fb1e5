#include "core/link/dtmf_tones.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "core/app/error_reporter.h"
#include "core/link/clock_set.h"
#include "core/link/manual_send.h"
#include "core/link/unlock_codes.h"
#include "core/link/wav_builder.h"
#include "core/link/wav_file_sound_output.h"
#include "core/link/wav_image.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

using testing::LinkTest;

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::string tag(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at),
                       b.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

// Relative power of one frequency in a block of left-channel samples (Goertzel).
double power(const std::vector<double>& samples, double hz, double rate) {
    const double k = 2 * std::cos(2 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (const double x : samples) {
        const double s = x + k * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    return (s1 * s1 + s2 * s2 - k * s1 * s2) / (samples.size() * samples.size());
}

// Decodes a 16-bit stereo 8000 Hz recording the way a DTMF decoder does: 20 ms blocks, a
// digit is the strongest row and column tone when both stand well above the others, and a
// digit counts once per run of blocks it is heard in.
std::string decode(const std::vector<std::uint8_t>& wav) {
    const std::optional<WavFormat> format = parseWav(wav);
    if (!format)
        return "not a wav";
    const int rows[] = {697, 770, 852, 941};
    const int cols[] = {1209, 1336, 1477, 1633};
    const char* keys = "123A456B789C*0#D";
    std::string digits;
    char previous = 0;
    const std::size_t block = 160;
    for (std::size_t start = 0; start + block <= format->frames(); start += block) {
        std::vector<double> samples;
        for (std::size_t i = start; i < start + block; ++i) {
            const std::size_t at = format->dataOffset + i * 4;
            samples.push_back(static_cast<std::int16_t>(le16(wav, at)));
        }
        double energy = 0;
        for (const double s : samples) energy += s * s / block;
        char heard = 0;
        if (energy > 1e5) {
            int r = 0, c = 0;
            double rp[4], cp[4];
            for (int i = 0; i < 4; ++i) {
                rp[i] = power(samples, rows[i], 8000);
                cp[i] = power(samples, cols[i], 8000);
                if (rp[i] > rp[r])
                    r = i;
                if (cp[i] > cp[c])
                    c = i;
            }
            bool clear = true;
            for (int i = 0; i < 4; ++i) {
                if (i != r && rp[i] * 4 > rp[r])
                    clear = false;
                if (i != c && cp[i] * 4 > cp[c])
                    clear = false;
            }
            if (clear)
                heard = keys[r * 4 + c];
        }
        if (heard != 0 && heard != previous)
            digits += heard;
        previous = heard;
    }
    return digits;
}

TEST(ToneWav, DigitSoundHeaderAndFirstFramesExact) {
    const std::vector<std::uint8_t> wav = toneWav(697, 1209, 0.1);
    ASSERT_EQ(wav.size(), 3244u);
    EXPECT_EQ(tag(wav, 0), "RIFF");
    EXPECT_EQ(le32(wav, 4), 3236u);
    EXPECT_EQ(tag(wav, 8), "WAVE");
    EXPECT_EQ(tag(wav, 12), "fmt ");
    EXPECT_EQ(le32(wav, 16), 16u);
    EXPECT_EQ(le16(wav, 20), 1);
    EXPECT_EQ(le16(wav, 22), 2);
    EXPECT_EQ(le32(wav, 24), 8000u);
    EXPECT_EQ(le32(wav, 28), 32000u);
    EXPECT_EQ(le16(wav, 32), 4);
    EXPECT_EQ(le16(wav, 34), 16);
    EXPECT_EQ(tag(wav, 36), "data");
    EXPECT_EQ(le32(wav, 40), 3200u);
    // Frames 0-3 of digit 1, both channels: 0, 5462, 7517, 5268; frame 5 is the first below 0.
    const std::vector<std::uint8_t> frames(wav.begin() + 44, wav.begin() + 60);
    EXPECT_EQ(frames, (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x00, 0x56, 0x15, 0x56, 0x15,
                                                 0x5d, 0x1d, 0x5d, 0x1d, 0x94, 0x14, 0x94, 0x14}));
    EXPECT_EQ(static_cast<std::int16_t>(le16(wav, 44 + 5 * 4)), -2482);

    // A frequency of 0 counts as 1 Hz.
    EXPECT_EQ(toneWav(0, 1209, 0.1), toneWav(1, 1209, 0.1));
}

TEST(WavBuilder, EightBitAndChannelModes) {
    struct Case {
        std::int16_t bits, mode;
        std::uint16_t channels, blockAlign;
        std::uint32_t byteRate, dataSize;
        std::vector<std::uint8_t> frame1;  // the second frame's bytes
    };
    // 941 + 1633 Hz for 0.1 s at 8000 Hz: frame 1 is 6685 (16-bit) or 152 (8-bit).
    const std::vector<Case> cases = {
        {16, 0, 1, 2, 16000, 1600, {0x1d, 0x1a}},
        {16, 2, 2, 4, 32000, 3200, {0x1d, 0x1a, 0x00, 0x00}},
        {16, 3, 2, 4, 32000, 3200, {0x00, 0x00, 0x1d, 0x1a}},
        {8, 0, 1, 1, 8000, 800, {152}},
        {8, 1, 2, 2, 16000, 1600, {152, 152}},
        {8, 2, 2, 2, 16000, 1600, {152, 0}},
        {8, 3, 2, 2, 16000, 1600, {0, 152}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, mode " + std::to_string(c.mode));
        WavBuilder wav;
        wav.header(8000, c.bits, c.mode, 0.5, 0.5);
        std::vector<ToneSpec> tones{{941, 0, 0.25, 0.25}, {1633, 0, 0.25, 0.25}};
        wav.synthesize(tones, 0.1);
        const std::vector<std::uint8_t>& b = wav.bytes();
        EXPECT_EQ(le16(b, 22), c.channels);
        EXPECT_EQ(le32(b, 28), c.byteRate);
        EXPECT_EQ(le16(b, 32), c.blockAlign);
        EXPECT_EQ(le32(b, 40), c.dataSize);
        EXPECT_EQ(le32(b, 4), c.dataSize + 36);
        ASSERT_EQ(b.size(), 44 + c.dataSize);
        const std::size_t at = 44 + c.frame1.size();
        EXPECT_EQ(std::vector<std::uint8_t>(b.begin() + at, b.begin() + at + c.frame1.size()),
                  c.frame1);
    }
    WavBuilder wav;
    EXPECT_THROW(wav.header(8000, 24, 1, 0.5, 0.5), std::invalid_argument);
}

class DtmfTonesTest : public LinkTest {};

TEST_F(DtmfTonesTest, EveryDigitDecodesAtItsTwoFrequencies) {
    const std::string digits = "0123456789*#ABCD11##55DD";
    WavFileSoundOutput recording;
    ScopedSoundOutput scopedOutput(recording);
    ScopedClock scopedRecordingClock(recording);
    for (const char d : digits) SendTone(std::string(1, d));
    EXPECT_EQ(decode(recording.image()), digits);
}

TEST_F(DtmfTonesTest, TokensAliasesAndTheirPauses) {
    linkPreferences().DTMFDelay = 120;
    for (const char* token : {"11", "*", "16", "D", "12", "13", "14", "15", "E", "", "17"})
        SendTone(token);
    EXPECT_EQ(playedDigits(), "**DD#ABC");
    // Every token waits its pause, also the ones that play nothing; each sound is 100 ms.
    EXPECT_EQ(clock.nowMs(), 11 * 120 + 8 * 100);
    EXPECT_EQ(sound.played()[1].startMs - sound.played()[0].startMs, 220);
    EXPECT_GE(clock.yieldCount(), 11);
    EXPECT_EQ(sound.stopCount(), 8);  // anything still playing is stopped first
}

TEST_F(DtmfTonesTest, RepeatedDigitsGetAtLeastFiftyMillisecondsOfSilence) {
    for (const std::int32_t delay : {0, 20, -5}) {
        SCOPED_TRACE(delay);
        sound.clear();
        linkPreferences().DTMFDelay = delay;
        SendTone("5");
        SendTone("5");
        ASSERT_EQ(sound.played().size(), 2u);
        EXPECT_EQ(sound.played()[1].startMs - sound.played()[0].startMs, 100 + 50);
    }
}

TEST_F(DtmfTonesTest, AFailedSoundIsReportedOnceAndStopsTheRun) {
    sound.fail("no sound output device");
    SendTone("1");
    SendTone("2");
    SendTone("3");
    EXPECT_EQ(sound.failedCount(), 1);
    EXPECT_TRUE(soundFailed());
    EXPECT_TRUE(linkState().ResponseError);
    ASSERT_EQ(prompter.messageBoxes().size(), 1u);
    EXPECT_EQ(prompter.lastMessageBox().title, "Sound Output Error");
    EXPECT_NE(prompter.lastMessageBox().text.find("no sound output device"), std::string::npos);

    // The next run (keying the transmitter) tries again.
    sound.fail("");
    linkPreferences().DTMFComPort = 1;
    KeyTransmitter("key");
    SendTone("4");
    EXPECT_EQ(playedDigits(), "4");
}

// The fake raises both lines as it opens, as a device does: both are driven off together
// before anything else, and only then does the chosen line come on.
TEST_F(DtmfTonesTest, KeyingDropsBothLinesOfANewPortThenRaisesOnlyTheChosenLine) {
    struct Case {
        std::int16_t whichSend;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {1, {"open /dev/ttyS1", "DTR on", "RTS on", "DTR off", "RTS off", "DTR on"}},
        {2, {"open /dev/ttyS1", "DTR on", "RTS on", "DTR off", "RTS off", "RTS on"}},
        {0, {"open /dev/ttyS1", "DTR on", "RTS on", "DTR off", "RTS off", "RTS on"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.whichSend);
        port.clearEvents();
        linkPreferences().DTMFComPort = 2;
        linkPreferences().WhichSend = c.whichSend;
        linkState().PortOpenError = true;
        KeyTransmitter("key");
        EXPECT_FALSE(linkState().PortOpenError);
        EXPECT_EQ(port.events(), c.events);
        EXPECT_EQ(port.dtr(), c.whichSend == 1);
        EXPECT_EQ(port.rts(), c.whichSend != 1);
        KeyTransmitter("unkey");
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(port.dtr() || port.rts());
    }
    // Releasing a released transmitter does nothing.
    port.clearEvents();
    KeyTransmitter("unkey");
    EXPECT_TRUE(port.events().empty());
}

// A push-to-talk port that has gone between keying and releasing cannot release the
// transmitter: the operator is told so, and the port is closed all the same.
TEST_F(DtmfTonesTest, AVanishedPttPortSaysItCouldNotRelease) {
    for (const std::int16_t whichSend : {std::int16_t{1}, std::int16_t{2}}) {
        SCOPED_TRACE(whichSend);
        linkPreferences().DTMFComPort = 2;
        linkPreferences().WhichSend = whichSend;
        port.failLines("");
        KeyTransmitter("key");
        KeyTransmitter("unkey");
        EXPECT_TRUE(prompter.messageBoxes().empty());  // released normally: nothing to say
        KeyTransmitter("key");
        port.failLines("No such device");
        KeyTransmitter("unkey");
        ASSERT_EQ(prompter.messageBoxes().size(), 1u);
        EXPECT_EQ(prompter.lastMessageBox().title, "Com Port for PTT Port Error");
        EXPECT_EQ(prompter.lastMessageBox().text,
                  "COM2 could not release the transmitter: No such device\r\n\r\n"
                  "Make sure the transmitter is not still keyed.");
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(linkState().PortOpenError);
        port.failLines("");
        prompter.clearRecords();
    }
}

TEST_F(DtmfTonesTest, KeyingFailuresShowThePttBox) {
    linkPreferences().DTMFComPort = 3;
    port.failOpen("Permission denied");
    KeyTransmitter("key");
    EXPECT_TRUE(linkState().PortOpenError);
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "Com Port for PTT Port Error");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.text,
              "COM3 could not be opened to key the transmitter\r\n\r\n"
              "This is most likely caused by one of the following reasons:\r\n"
              "1. Your serial cable (or USB cable) is not connected to the computer\r\n"
              "2. You have configured Kelp with the wrong DTMF port (Configure Kelp --> Use "
              "DTMF --> Com # For PTT)\r\n"
              "3. You are using a USB cable and have not loaded the drivers for the "
              "USB-to-serial adapter\r\n"
              "4. You do not have power to the QZ-740\r\n"
              "5. Your USB-to-serial adapter is not working properly (often happens with less "
              "expensive adapters based on the 'Prolific' adapter chip)\r\n"
              "6. The serial port is in use by another program\r\n\r\n"
              "Please check your connections and try again\r\n\r\n"
              "Device: /dev/ttyUSB0\r\nReason: Permission denied");

    // A port without modem lines (a pseudo-terminal) cannot key: it is closed again.
    port.failOpen("");
    port.failLines("Inappropriate ioctl for device");
    KeyTransmitter("key");
    EXPECT_TRUE(linkState().PortOpenError);
    EXPECT_FALSE(port.isOpen());
    EXPECT_NE(prompter.lastMessageBox().text.find("Inappropriate ioctl"), std::string::npos);
}

TEST_F(DtmfTonesTest, TheKeyIsReleasedOnEveryWayOut) {
    linkPreferences().DTMFComPort = 1;
    linkPreferences().WhichSend = 1;
    try {
        TransmitterKey key;
        EXPECT_TRUE(key.keyed());
        EXPECT_TRUE(port.dtr());
        throw std::runtime_error("interrupted");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.dtr());

    port.failOpen("No such file or directory");
    {
        TransmitterKey key;
        EXPECT_FALSE(key.keyed());
    }
    EXPECT_FALSE(port.isOpen());
}

// Whatever the DTMF operation and whatever goes wrong, no box waits for the operator with the
// transmitter keyed: a box that only informs comes after the release; a question releases
// first, and the transmitter is keyed again once it is answered.
TEST_F(DtmfTonesTest, NoBoxWaitsOnAKeyedTransmitter) {
    const struct {
        bool soundFails;
        std::function<void()> run;
        std::string lastBox;
        long keyings;
    } cases[] = {
        {true,
         [] {
             ManualSend m;
             m.textChanged("12");
             m.send();
         },
         kSoundErrorTitle, 1},
        {true, [] { setControllerClock(); }, kSoundErrorTitle, 1},
        {false,  // the code is taken but [Unlock] cannot be written
         [this] {
             db().currentFile = (folder.path() / "gone" / "site.dat").string();
             UnlockCodes codes(db());
             codes.typed(CodeBox::Lock, "55");
             prompter.queueAnswer(Answer::Yes);
             codes.send();
         },
         kSystemErrorTitle, 1},
        {false,
         [] {
             TransmitterKey key;
             currentPrompter().message("", "Q", MessageIcon::Question, MessageButtons::YesNo);
         },
         "Q", 2},
    };
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 1;
    db().loaded = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lastBox);
        sound.fail(c.soundFails ? "device unplugged" : "");
        prompter.portOpenAtBox.clear();
        port.clearEvents();
        c.run();
        EXPECT_EQ(prompter.lastMessageBox().title, c.lastBox);
        EXPECT_EQ(prompter.portOpenAtBox, std::vector<bool>(prompter.portOpenAtBox.size(), false));
        EXPECT_EQ(std::count(port.events().begin(), port.events().end(), "open /dev/ttyS0"),
                  c.keyings);
    }
}

TEST_F(DtmfTonesTest, PlayFileGoesToTheSoundOutput) {
    EXPECT_TRUE(PlayFile("/tmp/track.wav"));
    EXPECT_EQ(sound.filesPlayed(), std::vector<std::string>{"/tmp/track.wav"});
    sound.fail("busy");
    EXPECT_FALSE(PlayFile("/tmp/track.wav"));
    EXPECT_TRUE(prompter.records().empty());
}

}  // namespace
}  // namespace kelp
