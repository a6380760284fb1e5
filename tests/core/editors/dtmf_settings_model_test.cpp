#include "core/editors/dtmf_settings_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// A database with the RTC option board: memories 1-50, a few of them in use.
class DtmfSettingsModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        database.hasRtc = true;
        for (int n = 1; n <= 50; ++n) database.set("DTMF", n, "NONE STORED");
        database.set("DTMF", 5, "1 2 3");
        database.set("DTMF", 50, "5 5");
        database.set("DTMFDur", "100");
        database.set("DTMFDelay", "100");
        database.set("Terminator", "D");
        database.saved = true;
        model = std::make_unique<DtmfSettingsModel>(database);
        model->open();
    }

    std::vector<std::pair<UploadFlag, int>> raisedFlags() const {
        return testing::raisedFlags(database);
    }

    // What the window does when Apply is pressed.
    std::vector<Notice> pressApply() {
        model->tidyMemories();
        return model->apply();
    }

    ControllerDatabase database;
    std::unique_ptr<DtmfSettingsModel> model;
};

TEST_F(DtmfSettingsModelTest, MemoryCountFollowsTheRtcOptionBoard) {
    EXPECT_EQ(model->memories(), 50);
    EXPECT_EQ(model->value("DTMF", 50), "5 5");

    database.hasRtc = false;
    DtmfSettingsModel withoutRtc(database);
    withoutRtc.open();
    EXPECT_EQ(withoutRtc.memories(), 20);
    EXPECT_EQ(withoutRtc.value("DTMF", 20), "NONE STORED");
    EXPECT_THROW(withoutRtc.value("DTMF", 21), std::out_of_range);
    // Applying an edit can never touch the memories the controller does not have.
    withoutRtc.editText("DTMF", 20, "9");
    EXPECT_TRUE(withoutRtc.apply().empty());
    EXPECT_EQ(database.get("DTMF", 50), "5 5");
}

TEST_F(DtmfSettingsModelTest, LeavingAMemoryStoresUpperCaseDigitsOneSpaceApart) {
    struct Case {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"12a#", "1 2 A #"}, {" 1  2 3 ", "1 2 3"},
        {"", "NONE STORED"}, {"1234567890", "1 2 3 4 5 6 7 8 9 0"},
        {"*bcd", "* B C D"},
    };
    for (const auto& c : cases) {
        model->open();
        model->editText("DTMF", 4, c.typed);
        EXPECT_FALSE(model->leaveMemory(4)) << c.typed;
        EXPECT_EQ(model->value("DTMF", 4), c.stored) << c.typed;
        EXPECT_EQ(model->marker(), 1);
    }
}

TEST_F(DtmfSettingsModelTest, RefusalsCarryTheirExactWords) {
    struct Case {
        const char* key;
        int index;
        const char* typed;
        const char* title;
        const char* text;
    } cases[] = {
        {"DTMF", 4, "12345678901", "DTMF Memory 4",
         "Invalid DTMF String or DTMF String contains more characters than 10"},
        {"DTMF", 37, "1 E", "DTMF Memory 37",
         "Invalid DTMF String or DTMF String contains more characters than 10"},
        {"DTMFDur", 0, "0", "DTMF Paramters: Duration",
         "DTMF Paramaters: Duration is invalid.  Must be integer number between 1 and 255"},
        {"DTMFDur", 0, "256", "DTMF Paramters: Duration",
         "DTMF Paramaters: Duration is invalid.  Must be integer number between 1 and 255"},
        {"DTMFDelay", 0, "", "DTMF Paramters: Delay",
         "DTMF Paramaters: Delay is invalid.  Must be integer number between 1 and 255"},
        {"DTMFDelay", 0, "256", "DTMF Paramters: Delay",
         "DTMF Paramaters: Delay is invalid.  Must be integer number between 1 and 255"},
    };
    for (const auto& c : cases) {
        model->open();
        model->editText(c.key, c.index, c.typed);
        const auto refusal = std::string(c.key) == "DTMF" ? model->leaveMemory(c.index)
                                                          : model->leaveField(c.key, c.index);
        ASSERT_TRUE(refusal) << c.key << "=" << c.typed;
        EXPECT_EQ(refusal->title, c.title);
        EXPECT_EQ(refusal->text, c.text);
    }
    EXPECT_EQ(model->value("DTMFDelay"), "256") << "the refused text is kept";

    for (const auto& [key, value] :
         {std::pair{"DTMFDur", "1"}, {"DTMFDur", "255"}, {"DTMFDelay", "001"}}) {
        model->editText(key, 0, value);
        EXPECT_FALSE(model->leaveField(key, 0)) << key << "=" << value;
    }
}

TEST_F(DtmfSettingsModelTest, PresentTerminatorWarnsButThePendingOneRefuses) {
    database.set("Terminator", "#");
    model->editText("DTMF", 3, "1#");
    EXPECT_FALSE(model->leaveMemory(3));
    const auto warning = model->terminatorWarning(3);
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->title, "DTMF Strings");
    EXPECT_EQ(warning->text,
              "*** WARNING  WARNING  WARNING ***\r\nThe DTMF string contains the character that "
              "is presently defined as your DTMF Terminator ('#')\r\n\r\nChange the Terminator "
              "before trying to upload the new DTMF strings or else change the DTMF "
              "strings\r\nFailure to do so will result in loss of your new DTMF strings");
    EXPECT_EQ(model->value("DTMF", 3), "1 #");
    EXPECT_FALSE(model->terminatorWarning(5)) << "1 2 3 holds no #";

    // The default terminator "D" is not a digit of "NONE STORED".
    database.set("Terminator", "D");
    EXPECT_FALSE(model->terminatorWarning(1));

    database.set("NewTerminator", "7");
    model->editText("DTMF", 3, "1 7");
    const auto refusal = model->leaveMemory(3);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->title, "DTMF Memory 3");
    EXPECT_EQ(refusal->text,
              "The DTMF string may not contain the character that is going to be uploaded to "
              "the controller as your new Terminator Digit ('7')");
    model->editText("DTMF", 3, "");
    EXPECT_FALSE(model->leaveMemory(3)) << "an empty memory holds no terminator";
}

TEST_F(DtmfSettingsModelTest, ApplySetsOnlyTheFlagsOfChangedValues) {
    model->editText("DTMF", 4, "12");
    model->editText("DTMF", 50, "");    // emptied: becomes "NONE STORED"
    model->editText("DTMF", 5, "123");  // the stored digits, typed without spaces
    model->editText("DTMFDelay", 0, "20");
    model->editText("DTMFDur", 0, "100");  // typed back to its stored value
    EXPECT_TRUE(pressApply().empty());

    const std::vector<std::pair<UploadFlag, int>> expected{
        {UploadFlag::DtmfMemory, 4},
        {UploadFlag::DtmfMemory, 50},
        {UploadFlag::DtmfDelay, 0},
    };
    EXPECT_EQ(raisedFlags(), expected);
    EXPECT_EQ(database.get("DTMF", 4), "1 2");
    EXPECT_EQ(database.get("DTMF", 50), "NONE STORED");
    EXPECT_EQ(database.get("DTMF", 5), "1 2 3");
    EXPECT_EQ(database.get("DTMFDelay"), "20");
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model->marker(), -1);
}

TEST_F(DtmfSettingsModelTest, ApplyTidiesTheBoxStillBeingTypedIn) {
    // The box was emptied and Apply pressed without leaving it: an empty memory is
    // "NONE STORED", never the "0" an empty number box becomes.
    model->editText("DTMF", 2, "");
    EXPECT_TRUE(pressApply().empty());
    EXPECT_EQ(database.get("DTMF", 2), "NONE STORED");
    EXPECT_TRUE(raisedFlags().empty());
    EXPECT_TRUE(database.saved);

    model->editText("DTMF", 2, "9a");
    EXPECT_TRUE(pressApply().empty());
    EXPECT_EQ(database.get("DTMF", 2), "9 A");
}

TEST_F(DtmfSettingsModelTest, ApplyRefusesTheMemoryEditedLastWhateverTabShows) {
    model->selectTab(1);
    model->editText("DTMF", 30, "12345678901");
    model->selectTab(DtmfSettingsModel::kParametersTab);
    const auto notices = pressApply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].title, "DTMF Memory 30");
    EXPECT_EQ(notices[1], (Notice{"APPLY FAIL", "Changes were NOT applied due to errors"}));
    EXPECT_EQ(database.get("DTMF", 30), "NONE STORED");
    EXPECT_TRUE(raisedFlags().empty());
    EXPECT_EQ(model->marker(), 1);
}

TEST_F(DtmfSettingsModelTest, StoredFormIsKeptUntilTheMemoryIsEdited) {
    database.set("DTMF", 6, "12A");  // a hand-edited file: valid, but not spaced
    model->open();
    EXPECT_EQ(model->enteredMemoryText(6), "1 2 A");
    EXPECT_EQ(model->enteredMemoryText(1), "") << "NONE STORED is emptied for typing";
    EXPECT_EQ(DtmfSettingsModel::shownMemory("12A"), "1 2 A");
    // Entering and leaving the box without typing is not an edit.
    EXPECT_FALSE(model->leaveMemory(6));
    EXPECT_FALSE(model->leaveMemory(1));
    EXPECT_EQ(model->marker(), -1);
    EXPECT_FALSE(model->differs("DTMF", 6));
}

TEST_F(DtmfSettingsModelTest, CancelQuestionAndGuardUseTheDtmfWords) {
    model->editText("DTMFDur", 0, "5");
    const Notice question = model->cancelQuestion();
    EXPECT_EQ(question.title, "DTMF CANCEL CHANGES");
    EXPECT_EQ(question.text,
              "This will cancel all DTMF changes made since your last DTMF 'Apply' or DTMF "
              "'Cancel Changes'\r\n\r\nYes to proceed, No to return to editing without "
              "cancelling");
    const auto guard = unappliedChangesGuard(database, Area::Dtmf);
    ASSERT_TRUE(guard);
    EXPECT_EQ(guard->title, "Unapplied DTMF Changes");
    model->cancelChanges();
    EXPECT_EQ(model->value("DTMFDur"), "100");
    EXPECT_FALSE(unappliedChangesGuard(database, Area::Dtmf));
}

TEST(DtmfDigitList, DoubleClickAddsOneDigitUpToTen) {
    struct Case {
        const char* shown;
        int position;
        std::optional<std::string> result;
    } cases[] = {
        {"NONE STORED", 1, "1"},
        {"", 10, "0"},
        {"1 2", 12, "1 2 #"},
        {"9a", 16, "9 A D"},
        {"1 2 3 4 5 6 7 8 9", 11, "1 2 3 4 5 6 7 8 9 *"},
        {"1 2 3 4 5 6 7 8 9 0", 1, std::nullopt},
        {"1", 0, std::nullopt},
        {"1", 17, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DtmfSettingsModel::withDigitAdded(c.shown, c.position), c.result)
            << c.shown << " + " << c.position;
}

}  // namespace
}  // namespace kelp
