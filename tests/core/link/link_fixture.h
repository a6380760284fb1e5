// A clean link for each test: virtual clock, scripted prompter, fake port and recording
// sound output installed; preferences, flags and the database fresh; kelp.ini and the trace
// in a temporary application folder.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "tests/support/virtual_clock.h"
#include "core/database/controller_database.h"
#include "core/link/dtmf_tones.h"
#include "tests/support/fake_serial_port.h"
#include "core/link/link_preferences.h"
#include "tests/support/recording_sound_output.h"
#include "core/link/serial_link.h"
#include "core/link/serial_trace.h"
#include "tests/core/app/temp_folder.h"

namespace kelp::testing {

// Notes for each message box whether the port was open (in DTMF mode: the transmitter keyed).
class WatchingPrompter : public ScriptedPrompter {
  public:
    explicit WatchingPrompter(const FakeSerialPort& port) : port_(port) {}
    Answer messageBox(const MessageBoxRequest& box) override {
        portOpenAtBox.push_back(port_.isOpen());
        return ScriptedPrompter::messageBox(box);
    }
    std::vector<bool> portOpenAtBox;

  private:
    const FakeSerialPort& port_;
};

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setAppFolder(folder.path());
        linkPreferences() = LinkPreferences{};
        linkState() = LinkState{};
        linkMenuChecks() = LinkMenuChecks{};
        resetProcessDatabase();
        port.setDevices({"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"});
        KeyTransmitter("unkey");  // clears the sound failure latch of an earlier test
        port.clearEvents();
    }
    void TearDown() override {
        SerialTrace::instance().finish();
        setAppFolder({});
    }

    // The digits the sound output played, found by comparing each sound with every digit's.
    std::string playedDigits() const {
        std::string digits;
        for (const auto& played : sound.played()) {
            char found = '?';
            for (const char d : std::string("0123456789*#ABCD")) {
                const auto pair = dtmfFrequencies(std::string(1, d));
                if (played.wav == toneWav(pair->lowHz, pair->highHz, kDtmfDigitSeconds))
                    found = d;
            }
            digits += found;
        }
        return digits;
    }

    TempFolder folder;
    VirtualClock clock;
    ScopedClock scopedClock{clock};
    FakeSerialPort port;
    ScopedSerialPort scopedPort{port};
    WatchingPrompter prompter{port};
    ScopedPrompter scopedPrompter{prompter};
    RecordingSoundOutput sound;
    ScopedSoundOutput scopedSound{sound};
};

}  // namespace kelp::testing
