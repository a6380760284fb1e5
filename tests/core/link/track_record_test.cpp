#include "core/link/track_record.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/link/wav_image.h"
#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

// Plays a file as long as it lasts in virtual time, noting what the controller had been sent
// when the sound began and when it ended.
class TimedFileOutput : public RecordingSoundOutput {
  public:
    explicit TimedFileOutput(const FakeSerialPort& port) : port_(port) {}
    bool playFile(const std::filesystem::path& file) override {
        if (!RecordingSoundOutput::playFile(file))
            return false;
        sentAtStart = port_.written();
        const auto format = parseWav(*readFileBytes(file.string()));
        currentClock().sleepMs(format->durationMs());
        sentAtEnd = port_.written();
        return true;
    }
    std::string sentAtStart, sentAtEnd;

  private:
    const FakeSerialPort& port_;
};

class TrackRecordTest : public testing::LinkTest {
  protected:
    // The digits the timed output played.
    std::string digitsPlayed() const {
        std::string digits;
        for (const auto& played : timed.played()) {
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

    void SetUp() override {
        LinkTest::SetUp();
        db().set("Terminator", "D");
        db().set("Lock", "4321");
        db().set("CurrentPortUnlock", 1, "111");
        linkPreferences().ComPort = 1;
        port.setResponder([this](const std::string& line) -> std::string {
            if (line.empty())
                return "";
            return line == refuse ? "-" : "+";
        });
        const auto wav = toneWav(440, 880, 1.5);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(wav.data()),
                   static_cast<std::streamsize>(wav.size()));
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& b : prompter.messageBoxes()) t.push_back(b.title);
        return t;
    }

    std::filesystem::path file = folder.path() / "greeting.wav";
    std::string refuse;
    TimedFileOutput timed{port};
    ScopedSoundOutput useTimed{timed};
};

TEST_F(TrackRecordTest, SerialModeRecordsAndSendsSOnlyAfterThePlaybackEnded) {
    EXPECT_EQ(recordTrack(7, file), TrackRecordResult::Recorded);
    EXPECT_EQ(timed.sentAtStart, "\r1*70027\r1*70017\rG");
    EXPECT_EQ(timed.sentAtEnd, timed.sentAtStart) << "nothing is sent while the file plays";
    EXPECT_EQ(port.written(), timed.sentAtStart + "S");
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(prompter.messageBoxes().size(), 1u);
    EXPECT_EQ(prompter.lastMessageBox().title, "Kelp");
    EXPECT_EQ(prompter.lastMessageBox().text, "Wav File Upload Complete.");
    EXPECT_EQ(prompter.lastMessageBox().icon, MessageIcon::None);
}

TEST_F(TrackRecordTest, WhatGoesOutWhenTheTrackIsRefusedOrTheFileIsMissingOrSilent) {
    const struct {
        const char* name;
        const char* refused;  // the line the controller refuses
        bool withFile;
        const char* soundFailure;
        TrackRecordResult result;
        const char* written;
        std::vector<std::string> boxes;
    } cases[] = {
        {"refused",
         "1*700219",
         true,
         "",
         TrackRecordResult::Failed,
         "\r1*700219\r",
         {"QZ740 Communications Error"}},
        // Without a file the track is not erased and the controller is not left recording.
        {"no file", "", false, "", TrackRecordResult::NoFile, "", {kTrackFileTitle}},
        // A sound that fails still stops the recording, and says so in place of "Complete".
        {"no sound",
         "",
         true,
         "no sound output device was found",
         TrackRecordResult::Failed,
         "\r1*700219\r1*700119\rGS",
         {"Sound Output Error"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        port.setResponder([&c](const std::string& line) -> std::string {
            return line.empty() ? "" : line == c.refused ? "-" : "+";
        });
        prompter.clearRecords();
        timed.fail(c.soundFailure);
        const std::string before = port.written();
        EXPECT_EQ(recordTrack(19, c.withFile ? std::optional(file) : std::nullopt), c.result);
        EXPECT_EQ(port.written().substr(before.size()), c.written);
        EXPECT_EQ(titles(), c.boxes);
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(linkState().ResponseError);
    }
}

TEST_F(TrackRecordTest, AFileThatIsNoPlayableWavIsRefusedBeforeAnythingIsSent) {
    const auto notWav = folder.path() / "song.wav";
    std::ofstream(notWav) << "ID3\x03 an mp3 renamed";
    const auto empty = folder.path() / "empty.wav";
    std::ofstream(empty).flush();
    for (const auto& f : {notWav, empty, folder.path() / "missing.wav"}) {
        SCOPED_TRACE(f.string());
        prompter.clearRecords();
        EXPECT_EQ(recordTrack(3, f), TrackRecordResult::FileRefused);
        EXPECT_EQ(titles(), std::vector<std::string>{kTrackFileTitle});
        EXPECT_NE(prompter.lastMessageBox().text.find(f.string()), std::string::npos);
    }
    EXPECT_EQ(port.written(), "");
    EXPECT_TRUE(port.events().empty()) << "the port was never opened";
    EXPECT_TRUE(timed.filesPlayed().empty());
}

TEST_F(TrackRecordTest, DtmfModeKeysWaitsUnlocksThenPlaysBothTrackCommandsAndTheFile) {
    linkPreferences().ComPort = 0;
    linkPreferences().DTMFComPort = 2;
    linkPreferences().TxTemp = 700;
    EXPECT_EQ(recordTrack(12, file), TrackRecordResult::Recorded);
    EXPECT_EQ(digitsPlayed(), "111D*700212D*700112D4321D");
    ASSERT_FALSE(timed.played().empty());
    EXPECT_GE(timed.played().front().startMs, 700) << "the unlock waits for the key-up time";
    EXPECT_EQ(timed.filesPlayed(), std::vector<std::string>{file.string()});
    // The file plays between the record command and the lock code.
    EXPECT_EQ(timed.played().size(), 25u);
    EXPECT_GE(timed.played()[20].startMs - timed.played()[19].startMs, 1500);
    EXPECT_FALSE(port.isOpen()) << "released";
    EXPECT_EQ(titles(), std::vector<std::string>{"Kelp"});
}

}  // namespace
}  // namespace kelp
