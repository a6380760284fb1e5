#include "core/editors/identification_model.h"

#include <gtest/gtest.h>

#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// A database holding a valid identification area on every port.
class IdentificationModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int p = 1; p <= 3; ++p) {
            for (const char* k : {"VoiceID1", "VoiceID2", "VoiceID3"}) database.set(k, p, "ONE");
            for (const char* k : {"CWID1", "CWID2"}) database.set(k, p, "W 1");
            database.set("CWSpeed", p, "20");
            database.set("CWTone1", p, "800");
            database.set("CWTone2", p, "0");
            database.set("SpeechEnable", p, "0");
            database.set("ConstantID", p, "0");
            for (const char* k : {"ID1Extras", "ID2Extras", "ID3Extras"}) database.set(k, p, "0");
        }
        database.saved = true;
        model.open();
    }

    std::vector<std::pair<UploadFlag, int>> raisedFlags() const {
        return testing::raisedFlags(database);
    }

    static std::string words(int n) {
        std::string text;
        for (int i = 0; i < n; ++i) text += i == 0 ? "ONE" : " ONE";
        return text;
    }

    ControllerDatabase database;
    IdentificationModel model{database};
};

TEST_F(IdentificationModelTest, LowerCaseVoiceIdIsStoredUpperCaseWithSingleSpaces) {
    model.editText("VoiceID2", 3, "  one   two  three ");
    model.upperCaseId("VoiceID2", 3);
    EXPECT_EQ(model.value("VoiceID2", 3), "ONE   TWO  THREE");
    EXPECT_EQ(model.count("VoiceID2", 3), 3);
    EXPECT_EQ(model.marker(), 2);
    EXPECT_EQ(model.leaveField("VoiceID2", 3), std::nullopt);
    EXPECT_EQ(model.value("VoiceID2", 3), "ONE TWO THREE");
}

TEST_F(IdentificationModelTest, IdBoxesAreRefusedWithTheirOwnTextsAndTitles) {
    const std::string voice1 = "Invalid Voice ID contents or contains more than 22 words";
    const std::string voice2 = "Invalid Voice ID Contents or contains more than 22 words";
    const std::string cw = "Invalid CW ID Contents or contains more than 15 characters";
    const std::string fifteen = "A B C D E F G H I J K L M N WORD_SPACE";
    const struct {
        const char* key;
        int port;
        std::string text;
        std::optional<Notice> refusal;
    } cases[] = {
        {"VoiceID1", 1, words(22), std::nullopt},
        {"VoiceID1", 2, words(23), Notice{"Voice ID1 Port 2", voice1}},
        {"VoiceID3", 3, "", Notice{"Voice ID3 Port 3", voice2}},
        {"VoiceID2", 1, "ONE NOTAWORD", Notice{"Voice ID2 Port 1", voice2}},
        {"CWID1", 1, "w 1 a 2 b", std::nullopt},
        {"CWID2", 2, fifteen, std::nullopt},
        {"CWID2", 2, fifteen + " X", Notice{"CW ID2 Port 2", cw}},
        // An empty CW ID must not become "0", which is a CW character.
        {"CWID1", 3, "   ", Notice{"CW ID1 Port 3", cw}},
        {"CWID1", 1, "W XX", Notice{"CW ID1 Port 1", cw}},
    };
    for (const auto& c : cases) {
        model.editText(c.key, c.port, c.text);
        model.upperCaseId(c.key, c.port);
        EXPECT_EQ(model.leaveField(c.key, c.port), c.refusal) << c.key << " " << c.text;
    }
    EXPECT_EQ(model.value("CWID1", 3), "");
    model.editText("CWID2", 1, "W 1 WORD_SPACE 2 SK");
    EXPECT_EQ(model.count("CWID2", 1), 5);
}

TEST_F(IdentificationModelTest, CwSpeedAndTonesCheckTheirRangesAndEmptyDefaults) {
    const std::string tones = "Entry must be whole number between 200 and 3500";
    const struct {
        const char* key;
        const char* text;
        std::optional<Notice> refusal;
        const char* stored;
    } cases[] = {
        {"CWTone2", "0", std::nullopt, "0"},
        {"CWTone2", "150", Notice{"CW Tone 2 Port 2", tones + ", or 0"}, "150"},
        {"CWTone2", "200", std::nullopt, "200"},
        {"CWTone2", "3500", std::nullopt, "3500"},
        {"CWTone2", "3501", Notice{"CW Tone 2 Port 2", tones + ", or 0"}, "3501"},
        {"CWTone1", "", std::nullopt, "200"},
        {"CWTone1", "199", Notice{"CW Tone 1 Port 2", tones}, "199"},
        {"CWSpeed", "", std::nullopt, "5"},
        {"CWSpeed", "51", Notice{"CW Speed Port 2", "Entry must be whole number between 5 and 50"},
         "51"},
        {"CWTone2", "", std::nullopt, "0"},
    };
    for (const auto& c : cases) {
        model.editText(c.key, 2, c.text);
        EXPECT_EQ(model.leaveField(c.key, 2), c.refusal) << c.key << " " << c.text;
        EXPECT_EQ(model.value(c.key, 2), c.stored) << c.key << " " << c.text;
    }
}

TEST_F(IdentificationModelTest, InsertingAWordFollowsTheCaret) {
    const struct {
        const char* text;
        int caret, selection;
        const char* result;
        int newCaret;
    } cases[] = {
        {"ONE THREE", 3, 0, "ONE TWO  THREE", 8}, {"ONE THREE", 0, 0, "TWO ONE THREE", 4},
        {"ONE THREE", 0, 3, "TWO  THREE", 4},     {"ONE THREE", 9, 0, "ONE THREE TWO", 13},
        {"ONE THREE", 4, 5, "ONE  TWO ", 9},      {"", 0, 0, "TWO ", 4},
    };
    for (const auto& c : cases) {
        const auto r = IdentificationModel::insertWord(c.text, c.caret, c.selection, "TWO");
        EXPECT_EQ(r.text, c.result) << c.text << " at " << c.caret;
        EXPECT_EQ(r.caret, c.newCaret) << c.text << " at " << c.caret;
    }
}

TEST_F(IdentificationModelTest, AnExtraAloneDoesNotHoldTheTabButACheckBoxDoes) {
    model.chooseExtra(2, 1, 5);
    EXPECT_EQ(model.value("ID2Extras", 1), "5");
    EXPECT_TRUE(model.differs("ID2Extras", 1));
    EXPECT_EQ(model.marker(), -1);
    EXPECT_EQ(unappliedChangesGuard(database, Area::Identification), std::nullopt);

    model.editText("CWSpeed", 1, "30");
    model.chooseExtra(1, 1, 3);
    EXPECT_EQ(model.marker(), 6);

    model.editChoice("ConstantID", 2, 1);
    EXPECT_EQ(model.marker(), 0);
    EXPECT_TRUE(unappliedChangesGuard(database, Area::Identification));
}

TEST_F(IdentificationModelTest, ApplySetsExactlyTheFlagsOfChangedSettingsOnEachPort) {
    model.chooseExtra(3, 2, 11);
    model.editChoice("SpeechEnable", 3, 1);
    model.editText("CWID2", 1, "sk");
    model.upperCaseId("CWID2", 1);
    model.selectTab(2);
    model.editText("CWTone1", 3, "1000");
    EXPECT_TRUE(model.apply().empty());
    using U = UploadFlag;
    const std::vector<std::pair<UploadFlag, int>> expected = {
        {U::CwId2, 1}, {U::CwTone1, 3}, {U::SpeechIds, 3}, {U::IdExtras3, 2}};
    auto raised = raisedFlags();
    std::sort(raised.begin(), raised.end());
    auto want = expected;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(raised, want);
    EXPECT_EQ(database.get("CWID2", 1), "SK");
    EXPECT_EQ(database.get("ID3Extras", 2), "11");
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.marker(), -1);
    EXPECT_EQ(model.currentPort(), 3);
}

TEST_F(IdentificationModelTest, IdsAwaitingUploadKeepTheDatabaseUnsaved) {
    using U = UploadFlag;
    const struct {
        UploadFlag flag;
        int index;
        bool unsaved;
    } cases[] = {
        {U::VoiceId2, 3, true},    {U::CwTone2, 1, true},
        {U::IdExtras1, 2, true},   {U::ConstantId, 2, true},  // the constant ID counts as well
        {U::HangTimers, 1, false},  // another area's waiting flag is not this window's
    };
    for (const auto& c : cases) {
        database.reset();
        SetUp();
        database.setUploadFlag(c.flag, c.index, true);  // left by an Apply not yet uploaded
        EXPECT_TRUE(model.apply().empty());
        EXPECT_EQ(database.saved, !c.unsaved) << uploadFlagDescriptor(c.flag).name;
    }
}

TEST_F(IdentificationModelTest, ApplyRefusesAnEmptiedIdAndWritesNothing) {
    model.editText("CWID1", 1, "");
    const auto notices = model.apply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], (Notice{"CW ID1 Port 1",
                                  "Invalid CW ID Contents or contains more than 15 characters"}));
    EXPECT_EQ(database.get("CWID1", 1), "W 1");
    EXPECT_TRUE(raisedFlags().empty());

    // An emptied speed box is applied as its default, not refused as 0.
    model.editText("CWID1", 1, "W");
    model.editText("CWSpeed", 1, "");
    EXPECT_TRUE(model.apply().empty());
    EXPECT_EQ(database.get("CWSpeed", 1), "5");
}

}  // namespace
}  // namespace kelp
