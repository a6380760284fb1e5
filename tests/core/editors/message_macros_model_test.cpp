#include "core/editors/message_macros_model.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/app/scripted_prompter.h"
#include "core/link/dtmf_tones.h"
#include "tests/core/app/temp_folder.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// Every message "ONE", the database saved; with or without the RTC option board.
class MessageMacrosModelTest : public ::testing::Test {
  protected:
    void fill(bool rtc) {
        database.hasRtc = rtc;
        for (int m = 1; m <= 70; ++m) database.set("MessageMacro", m, "ONE");
        database.saved = true;
    }
    ControllerDatabase database;
    ScriptedPrompter prompter;
    ScopedPrompter scopedPrompter{prompter};
};

const std::string kNine = "ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE";

TEST_F(MessageMacrosModelTest, LeavingABoxTidiesAndJudgesItByTheLoadersRule) {
    fill(true);
    MessageMacrosModel model(database);
    model.open();
    const Notice refusal{"Message Macro 12", kMessageMacroRefusal};
    const struct {
        const char* typed;
        const char* after;
        bool refused;
    } cases[] = {
        {"", "NONE STORED", false},  // an emptied box stores "NONE STORED" and passes
        {"  one   two ", "ONE TWO", false},
        {"ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE", nullptr, false},
        {"ONE TWO THREE FOUR FIVE SIX SEVEN EIGHT NINE TEN", nullptr, true},
        {"dvr19", "DVR19", false},
        {"DVR20", "DVR20", true},
        {"ONE BANANA", "ONE BANANA", true},
        {"none stored", "NONE STORED", false},
    };
    for (const auto& c : cases) {
        model.editText("MessageMacro", 12, c.typed);
        const auto notice = model.leaveField("MessageMacro", 12);
        EXPECT_EQ(notice.has_value(), c.refused) << c.typed;
        if (notice) {
            EXPECT_EQ(*notice, refusal);
        }
        EXPECT_EQ(model.value("MessageMacro", 12), c.after ? c.after : c.typed) << c.typed;
        EXPECT_EQ(model.marker(), 1);
    }
    EXPECT_EQ(kMessageMacroRefusal,
              std::string("Invalid Message Macro Contents or Message Macro contains 'DVR20' (not "
                          "allowed in Message Macros) or Message Macro contains more than 9 "
                          "words"));
}

TEST_F(MessageMacrosModelTest, WithoutTheRtcBoardOnlyFortyMessagesAreEditedAndApplied) {
    for (const bool rtc : {true, false}) {
        SCOPED_TRACE(rtc ? "RTC" : "no RTC");
        fill(rtc);
        MessageMacrosModel model(database);
        model.open();
        EXPECT_EQ(model.messageCount(), rtc ? 70 : 40);
        EXPECT_TRUE(model.tabEnabled(3));
        EXPECT_EQ(model.tabEnabled(4), rtc);
        EXPECT_EQ(model.tabEnabled(6), rtc);
        if (!rtc) {
            EXPECT_THROW(model.editText("MessageMacro", 41, "TWO"), std::out_of_range);
            continue;
        }
        model.editText("MessageMacro", 70, "TWO");
        EXPECT_TRUE(model.apply().empty());
        EXPECT_EQ(database.get("MessageMacro", 70), "TWO");
    }
}

TEST_F(MessageMacrosModelTest, ApplyFlagsTheChangedMessagesAndReChecksTheOneEditedLast) {
    fill(true);
    MessageMacrosModel model(database);
    model.open();
    model.editText("MessageMacro", 3, "two  three");
    EXPECT_FALSE(model.leaveField("MessageMacro", 3));
    model.editText("MessageMacro", 45, "");
    EXPECT_FALSE(model.leaveField("MessageMacro", 45));
    model.editText("MessageMacro", 7, "one");  // typed back as it was: no flag
    EXPECT_FALSE(model.leaveField("MessageMacro", 7));
    model.editText("MessageMacro", 9, kNine + " TEN");  // not left: Apply re-checks it
    auto notices = model.apply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].title, "Message Macro 9");
    EXPECT_EQ(notices[1].title, kApplyFailTitle);
    EXPECT_EQ(database.get("MessageMacro", 3), "ONE");
    EXPECT_TRUE(database.saved);

    model.editText("MessageMacro", 9, kNine);
    EXPECT_TRUE(model.apply().empty());
    EXPECT_EQ(database.get("MessageMacro", 3), "TWO THREE");
    EXPECT_EQ(database.get("MessageMacro", 45), "NONE STORED");
    EXPECT_EQ(database.get("MessageMacro", 9), kNine);
    using F = UploadFlag;
    EXPECT_EQ(testing::raisedFlags(database),
              (std::vector<std::pair<F, int>>{
                  {F::MessageMacro, 3}, {F::MessageMacro, 9}, {F::MessageMacro, 45}}));
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.marker(), -1);
}

TEST_F(MessageMacrosModelTest, TheVocabularyInsertsAtTheCaretWithASpaceOnEachSide) {
    EXPECT_FALSE(MessageMacrosModel::insertWord("ONE", 3, 0, " ", -1));
    const struct {
        const char* text;
        int caret, selection;
        const char* after;
        int caretAfter;
    } cases[] = {
        {"", 0, 0, "TWO ", 4},
        {"ONE", 3, 0, "ONE TWO", 7},
        {"ONE ", 4, 0, "ONE  TWO", 8},
        {"ONE", 0, 0, "TWO ONE", 4},
        {"ONE THREE", 3, 0, "ONE TWO  THREE", 8},
        {"ONE TEN THREE", 4, 3, "ONE  TWO  THREE", 9},  // the selected word replaced
    };
    for (const auto& c : cases) {
        const auto inserted =
            MessageMacrosModel::insertWord(c.text, c.caret, c.selection, "TWO", 2);
        ASSERT_TRUE(inserted);
        EXPECT_EQ(inserted->text, c.after) << c.text;
        EXPECT_EQ(inserted->caret, c.caretAfter) << c.text;
    }
}

TEST_F(MessageMacrosModelTest, LoadWavKeepsTheFileChosenBeforeOnCancelAndRefusesANonWav) {
    fill(true);
    testing::TempFolder folder;
    const auto good = folder.path() / "id.wav";
    const auto bad = folder.path() / "id.mp3.wav";
    const auto wav = toneWav(440, 880, 0.2);
    std::ofstream(good, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    std::ofstream(bad) << "ID3 not a wave";
    MessageMacrosModel model(database);
    model.open();
    prompter.queueOpenFile(good);
    EXPECT_TRUE(model.loadWav());
    prompter.queueOpenFile(std::nullopt);
    EXPECT_FALSE(model.loadWav());
    prompter.queueOpenFile(bad);
    EXPECT_FALSE(model.loadWav());
    EXPECT_EQ(model.chosenFile(), good);
    const auto boxes = prompter.messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, kTrackFileTitle);
    EXPECT_NE(boxes[0].text.find("not a WAV file"), std::string::npos);
    EXPECT_EQ(prompter.records().front().title, "Open Wav File");
    EXPECT_EQ(prompter.records().front().text, "Wav Files (*.wav) | *.wav");
    EXPECT_EQ(model.marker(), -1) << "choosing a file is no edit";
}

}  // namespace
}  // namespace kelp
