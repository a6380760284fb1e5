#include "core/editors/courtesy_model.h"

#include <gtest/gtest.h>

#include "core/app/scripted_prompter.h"
#include "core/link/dtmf_tones.h"
#include "tests/core/editors/editor_test_support.h"
#include "tests/support/recording_sound_output.h"
#include "tests/support/virtual_clock.h"

namespace kelp {
namespace {

// Every courtesy tone of every port: segment s waits 10*s ms, lasts 100 ms, tones 440/880.
class CourtesyModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int p = 1; p <= 3; ++p)
            for (int n = 1; n <= 10; ++n)
                for (int s = 1; s <= 4; ++s) {
                    database.setCourtesy(CourtesyModel::delayKey(s), p, n, std::to_string(10 * s));
                    database.setCourtesy(CourtesyModel::durationKey(s), p, n, "100");
                    database.setCourtesy(CourtesyModel::toneKey(2 * s - 1), p, n, "440");
                    database.setCourtesy(CourtesyModel::toneKey(2 * s), p, n, "880");
                }
        database.saved = true;
        model.open();
    }

    ControllerDatabase database;
    CourtesyModel model{database};
};

TEST_F(CourtesyModelTest, LeavingABoxChecksItsRangeWithItsOwnTextAndTitle) {
    const std::string delay = "Delay invalid, must be between 0 and 10000";
    const std::string duration = "Duration invalid, must be between 0 and 10000";
    const std::string tone = "Tone invalid, must be between 0 and 3500";
    const struct {
        const char* key;
        int port, tone;
        const char* text;
        std::optional<Notice> refusal;
        const char* after;
    } cases[] = {
        {"Delay1", 1, 1, "", std::nullopt, "0"},  // an emptied box becomes 0, no message
        {"Delay4", 1, 2, "10000", std::nullopt, "10000"},
        {"Delay4", 1, 2, "10001", Notice{"WhichPort 1: Delay4", delay}, "10001"},
        {"Dur3", 2, 7, "10001", Notice{"WhichPort 2: Dur3", duration}, "10001"},
        {"Dur1", 2, 7, "007", std::nullopt, "007"},
        {"Tone5", 3, 10, "3500", std::nullopt, "3500"},
        {"Tone5", 3, 10, "3501", Notice{"WhichPort 3: Tone5", tone}, "3501"},
        {"Tone8", 2, 1, "1e2", Notice{"WhichPort 2: Tone8", tone}, "1e2"},
    };
    for (const auto& c : cases) {
        const int e = CourtesyModel::entry(c.port, c.tone);
        model.editText(c.key, e, c.text);
        EXPECT_EQ(model.leaveField(c.key, e), c.refusal) << c.key << " " << c.text;
        EXPECT_EQ(model.value(c.key, e), c.after) << c.key << " " << c.text;
    }
}

TEST_F(CourtesyModelTest, ChoosingAToneNeitherSetsNorClearsTheMarkerAndKeepsEdits) {
    model.selectTone(1, 3);
    EXPECT_EQ(model.marker(), -1);
    model.editText("Tone2", CourtesyModel::entry(1, 3), "1000");
    EXPECT_EQ(model.marker(), 10);
    model.selectTone(1, 4);
    EXPECT_EQ(model.marker(), 10);
    EXPECT_EQ(model.value("Tone2", CourtesyModel::entry(1, 4)), "880");
    model.selectTone(1, 3);
    EXPECT_EQ(model.value("Tone2", CourtesyModel::entry(1, 3)), "1000");
    EXPECT_TRUE(model.differs("Tone2", CourtesyModel::entry(1, 3)));
    EXPECT_EQ(model.selectedTone(1), 3);
    EXPECT_EQ(model.selectedTone(2), 1);
}

TEST_F(CourtesyModelTest, ApplyFlagsOnlyTheSegmentsThatChanged) {
    using U = UploadFlag;
    const struct {
        std::vector<std::pair<const char*, std::pair<int, int>>> edits;  // key, (port, tone)
        std::vector<std::pair<UploadFlag, int>> flags;
    } cases[] = {
        {{{"Dur4", {3, 10}}}, {{U::CourtesySegment4, 30}}},
        {{{"Tone7", {3, 10}}, {"Tone8", {3, 10}}}, {{U::CourtesySegment4, 30}}},
        {{{"Delay1", {1, 1}}, {"Tone3", {2, 5}}},
         {{U::CourtesySegment1, 1}, {U::CourtesySegment2, 15}}},
    };
    for (const auto& c : cases) {
        database.reset();
        SetUp();
        for (const auto& [key, where] : c.edits)
            model.editText(key, CourtesyModel::entry(where.first, where.second), "5");
        ASSERT_TRUE(model.apply().empty());
        EXPECT_EQ(testing::raisedFlags(database), c.flags);
        EXPECT_FALSE(database.saved);
        EXPECT_EQ(model.marker(), -1);
        for (const auto& [key, where] : c.edits)
            EXPECT_EQ(database.courtesy(key, where.first, where.second), "5");
    }
}

TEST_F(CourtesyModelTest, AFlagLeftFromAnEarlierApplyMarksTheDatabaseUnsavedAgain) {
    model.editText("Dur2", CourtesyModel::entry(2, 2), "50");
    ASSERT_TRUE(model.apply().empty());
    database.saved = true;  // saved, but not yet uploaded
    ASSERT_TRUE(model.apply().empty());
    EXPECT_FALSE(database.saved);

    database.setUploadFlag(UploadFlag::CourtesySegment2, CourtesyModel::entry(2, 2), false);
    database.saved = true;
    ASSERT_TRUE(model.apply().empty());
    EXPECT_TRUE(database.saved);
}

TEST_F(CourtesyModelTest, ApplyRechecksTheBoxEditedLastEvenWhenAnotherToneIsShown) {
    model.editText("Delay1", CourtesyModel::entry(1, 3), "20000");
    model.selectTone(1, 4);
    const auto notices = model.apply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].title, "WhichPort 1: Delay1");
    EXPECT_EQ(notices[1], (Notice{"APPLY FAIL", "Changes were NOT applied due to errors"}));
    EXPECT_EQ(database.courtesy("Delay1", 1, 3), "10");
    EXPECT_TRUE(testing::raisedFlags(database).empty());
}

TEST_F(CourtesyModelTest, TheTimelinePutsEachSegmentAfterItsDelay) {
    model.editText("Delay3", CourtesyModel::entry(1, 1), "0");
    model.editText("Tone5", CourtesyModel::entry(1, 1), "0");
    model.editText("Tone6", CourtesyModel::entry(1, 1), "0");
    model.editText("Dur4", CourtesyModel::entry(1, 1), "99999");  // refused text: the bound
    const CourtesyTimeline line = courtesyTimeline(model.shape(1, 1));
    ASSERT_EQ(line.bars.size(), 4u);
    const int starts[] = {10, 130, 230, 370};
    const int ends[] = {110, 230, 330, 10370};
    for (int s = 0; s < 4; ++s) {
        EXPECT_EQ(line.bars[static_cast<std::size_t>(s)].startMs, starts[s]) << s;
        EXPECT_EQ(line.bars[static_cast<std::size_t>(s)].endMs, ends[s]) << s;
    }
    EXPECT_TRUE(line.bars[2].silent());
    EXPECT_FALSE(line.bars[3].silent());
    EXPECT_EQ(line.totalMs, 10370);
}

// The preview plays through the sound output and waits through the Clock.
class CourtesyPreviewTest : public CourtesyModelTest {
  protected:
    VirtualClock clock;
    ScopedClock useClock{clock};
    RecordingSoundOutput sound;
    ScopedSoundOutput useSound{sound};
    ScriptedPrompter prompter;
    ScopedPrompter usePrompter{prompter};
};

TEST_F(CourtesyPreviewTest, PlaysEachSegmentAfterItsDelay) {
    model.editText("Tone3", CourtesyModel::entry(2, 4), "0");
    const auto start = clock.nowMs();
    EXPECT_EQ(playCourtesyTone(model.shape(2, 4), [] { return false; }), PreviewEnd::Played);
    ASSERT_EQ(sound.played().size(), 4u);
    const std::int64_t startsAt[] = {10, 130, 260, 400};
    for (std::size_t s = 0; s < 4; ++s) {
        EXPECT_EQ(sound.played()[s].startMs - start, startsAt[s]) << s;
        EXPECT_EQ(sound.played()[s].wav, toneWav(s == 1 ? 0 : 440, 880, 0.1)) << s;
    }
    EXPECT_EQ(clock.nowMs() - start, 500);
}

TEST_F(CourtesyPreviewTest, AllZeroReturnsAtOnceAndAStopEndsIt) {
    CourtesyShape silent;
    const auto start = clock.nowMs();
    EXPECT_EQ(playCourtesyTone(silent, [] { return false; }), PreviewEnd::Played);
    EXPECT_TRUE(sound.played().empty());
    EXPECT_EQ(clock.nowMs(), start);

    int asked = 0;
    EXPECT_EQ(playCourtesyTone(model.shape(1, 1), [&asked] { return ++asked > 3; }),
              PreviewEnd::Stopped);
    EXPECT_LE(sound.played().size(), 1u);
}

TEST_F(CourtesyPreviewTest, WithoutSoundEachPreviewSaysWhatFailedAndTheRestIsNotPlayed) {
    sound.fail("no sound output device was found");
    for (std::size_t preview = 1; preview <= 2; ++preview) {
        EXPECT_EQ(playCourtesyTone(model.shape(1, 1), [] { return false; }),
                  PreviewEnd::SoundFailed);
        ASSERT_EQ(prompter.messageBoxes().size(), preview);
        const std::string& text = prompter.lastMessageBox().text;
        EXPECT_EQ(text.rfind("Kelp could not play the courtesy tone preview.", 0), 0u) << text;
        EXPECT_NE(text.find("no sound output device was found"), std::string::npos) << text;
        EXPECT_EQ(sound.failedCount(), static_cast<int>(preview));
    }
}

}  // namespace
}  // namespace kelp
