#include "core/editors/timers_model.h"

#include <gtest/gtest.h>

#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// A database holding a plausible, valid Timers area.
class TimersModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const FieldSpec& f : timersFields()) {
            const std::string value = f.kind == FieldKind::Check  ? "0"
                                      : f.twoDigits               ? "90"
                                      : f.key == "TailMessageNum" ? "1"
                                                                  : "10";
            if (f.indexing == FieldIndexing::Single)
                database.set(f.key, value);
            else
                for (int i = 1; i <= f.count; ++i) database.set(f.key, i, value);
        }
        database.saved = true;
        model.open();
    }

    std::vector<std::pair<UploadFlag, int>> raisedFlags() const {
        return testing::raisedFlags(database);
    }

    ControllerDatabase database;
    TimersModel model{database};
};

TEST_F(TimersModelTest, OpeningLeavesTheAreaCleanOnPortOne) {
    database.setChangeMarker(Area::Timers, 100);
    model.open();
    EXPECT_EQ(model.marker(), -1);
    EXPECT_EQ(model.currentPort(), 1);
    EXPECT_EQ(model.currentTab(), 0);
    for (const FieldSpec& f : model.fields())
        for (int i = f.indexing == FieldIndexing::Single ? 0 : 1; i <= f.count; ++i)
            EXPECT_FALSE(model.differs(f.key, i)) << f.key << "(" << i << ")";
}

TEST_F(TimersModelTest, TypingTheOldValueBackTurnsBlackButStaysEdited) {
    model.editText("HangTime1", 2, " 60 ");
    EXPECT_EQ(model.value("HangTime1", 2), "60");
    EXPECT_TRUE(model.differs("HangTime1", 2));
    EXPECT_EQ(model.marker(), 100);

    model.editText("HangTime1", 2, "10");
    EXPECT_FALSE(model.differs("HangTime1", 2));
    EXPECT_TRUE(model.edited());

    const auto guard = unappliedChangesGuard(database, Area::Timers);
    ASSERT_TRUE(guard);
    EXPECT_EQ(guard->title, "Unapplied Timer Changes");
    EXPECT_EQ(guard->text,
              "You have unapplied Timer changes, you must either apply them or cancel them "
              "before you can leave the form");
    EXPECT_FALSE(unappliedChangesGuard(database, Area::Courtesy));
}

TEST_F(TimersModelTest, FieldRefusalsCarryTheirExactWordsAndBounds) {
    struct Case {
        const char* key;
        int index;
        const char* value;
        const char* title;
        const char* text;
    } cases[] = {
        {"DTMFTime", 2, "100", "Port 2: DTMF Mute Timer",
         "Invalid DTMF Timer, must be between 0 and 99"},
        {"KerchunkTime", 1, "32001", "Port 1: Kerchunk Timer",
         "Invalid Kerchunk Timer, must be between 0 and 32000"},
        {"HangTime2", 3, "256", "Port 3: Hang Timer",
         "Invalid Hang Timer 2, must be whole number between 0 and 255"},
        {"AnnounceTime", 1, "3601", "Port 1: TailMessage Timer",
         "TailMessage Timer invalid, must be between 0 and 3600"},
        {"TailCounter", 3, "255", "Tail Counter",
         "Tail Counter Port 3 invalid.  Must be between 0 and 254"},
        {"AuxTime", 2, "40000", "Aux Audio Timer 2",
         "Aux Timer invalid, must be between 0 and 32767"},
        {"GeneralTimer", 6, "x", "General Timer 6",
         "General Timer invalid, must be between 0 and 32767"},
        {"FanTime", 0, "256", "Fan Timer", "Fan Timer invalid, must be between 0 and 255"},
        {"XmtDelay", 0, "32768", "Speech/CW Delay Before Transmit",
         "Speech/CW Delay Before Transmit invalid, must be between 0 and 32767"},
    };
    for (const auto& c : cases) {
        model.open();
        model.editText(c.key, c.index, c.value);
        const auto refusal = model.leaveField(c.key, c.index);
        ASSERT_TRUE(refusal) << c.key;
        EXPECT_EQ(refusal->title, c.title) << c.key;
        EXPECT_EQ(refusal->text, c.text) << c.key;
        EXPECT_EQ(model.value(c.key, c.index), c.value) << "the refused text is kept";
    }
    for (const auto& [key, index, value] : {std::tuple{"DTMFTime", 1, "99"},
                                            {"KerchunkTime", 1, "32000"},
                                            {"AnnounceTime", 3, "3600"}}) {
        model.editText(key, index, value);
        EXPECT_FALSE(model.leaveField(key, index)) << key << "=" << value;
    }
}

TEST_F(TimersModelTest, LeavingAnEmptyBoxStoresZero) {
    model.editText("TimeOut", 1, "   ");
    EXPECT_FALSE(model.leaveField("TimeOut", 1));
    EXPECT_EQ(model.value("TimeOut", 1), "0");
}

TEST_F(TimersModelTest, PendingIdSpeechFollowsTheWorkingPendingIdTimer) {
    model.editText("PIDTime", 2, "5");
    model.editText("IDSpeakTime", 2, "300");
    EXPECT_FALSE(model.leaveField("IDSpeakTime", 2));
    model.editText("IDSpeakTime", 2, "301");
    const auto refusal = model.leaveField("IDSpeakTime", 2);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->title, "Port 2: Pending ID Speech Timer");
    model.editText("PIDTime", 2, "0");
    EXPECT_FALSE(model.leaveField("IDSpeakTime", 2));
    model.editText("IDSpeakTime", 2, "15301");
    EXPECT_TRUE(model.leaveField("IDSpeakTime", 2));
}

TEST_F(TimersModelTest, ApplyWithARefusedValueWritesNothing) {
    model.editText("KerchunkTime", 1, "1234");
    model.selectTab(1);  // port 2
    model.editText("DTMFTime", 2, "100");
    const auto notices = model.apply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0].title, "Port 2: DTMF Mute Timer");
    EXPECT_EQ(notices[1], (Notice{"APPLY FAIL", "Changes were NOT applied due to errors"}));
    EXPECT_EQ(database.get("KerchunkTime", 1), "10");
    EXPECT_EQ(database.get("DTMFTime", 2), "10");
    EXPECT_TRUE(database.saved);
    EXPECT_EQ(model.marker(), 6);
    EXPECT_TRUE(raisedFlags().empty());
}

TEST_F(TimersModelTest, ApplyRechecksOnTheCurrentPortAndRememberedIndex) {
    // A bad value on port 3 is refused while port 1 is current (the next load would change
    // it), and names its own entry...
    model.editText("DTMFTime", 3, "100");
    EXPECT_EQ(model.apply().size(), 2u);
    ASSERT_TRUE(model.refusedEntry());
    EXPECT_EQ(model.refusedEntry()->key, "DTMFTime");
    EXPECT_EQ(model.refusedEntry()->index, 3);
    model.editText("DTMFTime", 3, "99");
    EXPECT_TRUE(model.apply().empty());
    // ...and the general timer edited last is re-checked, whatever tab is showing.
    model.selectTab(TimersModel::kGlobalTab);
    model.editText("GeneralTimer", 5, "99999");
    model.selectTab(0);
    EXPECT_EQ(model.apply().size(), 2u);
    model.editText("GeneralTimer", 5, "");
    EXPECT_TRUE(model.apply().empty());
    EXPECT_EQ(database.get("GeneralTimer", 5), "0");
}

TEST_F(TimersModelTest, ApplySetsOnlyTheFlagsOfChangedValues) {
    model.editText("HangTime3", 1, "60");
    model.editChoice("P2MessageNum", 3, 7);
    model.editChoice("GeneralTimerMacro", 4, 12);
    model.editText("AuxTime", 3, "11");
    model.editChoice("FanSelect", 0, 1);
    model.editText("TimeOut", 2, "10");  // typed back to its stored value
    EXPECT_EQ(model.value("P2MessageNum", 3), "07");
    EXPECT_TRUE(model.apply().empty());

    const std::vector<std::pair<UploadFlag, int>> expected{
        {UploadFlag::HangTimers, 1},
        {UploadFlag::TailMessageMacros, 2},
        {UploadFlag::AuxAudioTimer, 3},
        {UploadFlag::GeneralTimer, 4},
    };
    auto raised = raisedFlags();
    ASSERT_EQ(raised.size(), expected.size() + 1);
    EXPECT_EQ(raised.back(), std::make_pair(UploadFlag::FanSelect, 0));
    raised.pop_back();
    EXPECT_EQ(raised, expected);

    EXPECT_EQ(database.get("HangTime3", 1), "60");
    EXPECT_EQ(database.get("P2MessageNum", 3), "07");
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.marker(), -1);
    EXPECT_FALSE(model.differs("HangTime3", 1));
}

TEST_F(TimersModelTest, ApplyWithNothingChangedLeavesTheDatabaseAlone) {
    model.editChoice("TOTReset", 1, 0);
    model.editChoice("TOTReset", 1, 10);  // back to the stored "10"
    EXPECT_EQ(model.marker(), 0);
    EXPECT_TRUE(model.apply().empty());
    EXPECT_TRUE(raisedFlags().empty());
    EXPECT_TRUE(database.saved);
    EXPECT_EQ(model.marker(), -1);
}

TEST_F(TimersModelTest, CancelAsksThenRestoresTheDatabaseValues) {
    model.editText("IIDTime", 1, "99");
    const Notice question = model.cancelQuestion();
    EXPECT_EQ(question.title, "TIMER CANCEL CHANGES");
    EXPECT_EQ(question.text,
              "This will cancel all Timer changes made since your last Timer 'Apply' or Timer "
              "'Cancel'\r\n\r\nYes to proceed, No to return to editing without cancelling");
    // Answered No: the window simply keeps its state.
    EXPECT_TRUE(model.differs("IIDTime", 1));
    model.cancelChanges();
    EXPECT_EQ(model.value("IIDTime", 1), "10");
    EXPECT_FALSE(model.differs("IIDTime", 1));
    EXPECT_EQ(model.marker(), -1);
}

TEST_F(TimersModelTest, TailCounterIsIgnoredWhileThePortHasNoTailMessage) {
    model.editChoice("TailMessageNum", 3, 0);
    EXPECT_FALSE(model.tailControlsEnabled(3));
    EXPECT_TRUE(model.tailControlsEnabled(2));
    model.editText("TailCounter", 3, "77");
    EXPECT_EQ(model.value("TailCounter", 3), "10");
    EXPECT_EQ(model.marker(), 16);
    model.editChoice("TailMessageNum", 3, 2);
    EXPECT_TRUE(model.tailControlsEnabled(3));
    model.editText("TailCounter", 3, "77");
    EXPECT_EQ(model.value("TailCounter", 3), "77");
}

TEST_F(TimersModelTest, InactivityMacroFollowsTheInactivityTimer) {
    model.editText("InActiveTime", 1, "0");
    EXPECT_FALSE(model.inactivityMacroEnabled(1));
    EXPECT_TRUE(model.inactivityMacroEnabled(2));
    model.editText("InActiveTime", 1, "3");
    EXPECT_TRUE(model.inactivityMacroEnabled(1));
}

TEST_F(TimersModelTest, GlobalTabKeepsTheCurrentPort) {
    model.selectTab(2);
    EXPECT_EQ(model.currentPort(), 3);
    model.selectTab(TimersModel::kGlobalTab);
    EXPECT_EQ(model.currentPort(), 3);
}

TEST(TimersMacroList, StoredNumbersSelectByPosition) {
    EXPECT_EQ(TimersModel::macroListPosition("90"), 89);
    EXPECT_EQ(TimersModel::macroListPosition("07"), 6);
    EXPECT_EQ(TimersModel::macroListPosition("1"), 0);
    EXPECT_EQ(TimersModel::macroListPosition("0"), -1);
    EXPECT_EQ(TimersModel::macroListPosition(""), -1);
}

TEST(EditorAreas, CancelTextsKeepTheirOwnSpelling) {
    EXPECT_NE(cancelSentence(Area::Scheduler).find("last Scehduler 'Apply'"), std::string::npos);
    EXPECT_EQ(cancelTitle(Area::AlarmsRemoteBase), "ALARM/REMOTE BASE CANCEL CHANGES");
    EXPECT_EQ(areaWord(Area::SpecialCodes), "Special Codes/Autopatch");
    ControllerDatabase database;
    database.setChangeMarker(Area::PortSwitches, 0);
    const auto guard = unappliedChangesGuard(database, Area::PortSwitches);
    ASSERT_TRUE(guard);
    EXPECT_EQ(guard->title, "Unapplied Port Switch Changes");
}

}  // namespace
}  // namespace kelp
