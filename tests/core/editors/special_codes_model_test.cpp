#include "core/editors/special_codes_model.h"

#include <gtest/gtest.h>

#include "core/database/key_rules.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

using Flags = std::vector<std::pair<UploadFlag, int>>;
using M = SpecialCodesModel;

// A database holding a valid Special Codes area, as the loader leaves one.
class SpecialCodesModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const auto& [key, value] :
             std::vector<std::pair<const char*, const char*>>{{"DTMFRegenPrefix", "12345"},
                                                              {"DTMFPort", "1"},
                                                              {"DTMFSpeech", "00"},
                                                              {"APPrefix", "C1"},
                                                              {"AnswerCode", "5820"},
                                                              {"RingNumber", "2"},
                                                              {"APTimeOut", "120"},
                                                              {"EnablePatch", "1"},
                                                              {"PatchMute", "1"},
                                                              {"DTMFTestPrefix", "85"},
                                                              {"PreAccessPrefix", "0"},
                                                              {"PreProgramPrefix", "0"},
                                                              {"MacroSubset", "0190"},
                                                              {"MacroSubsetEnable", "0"},
                                                              {"DTMFMuteDigitSelect", "1"},
                                                              {"WindDirectionSelect", "1"},
                                                              {"DR1Select", "0"}})
            database.set(key, value);
        database.set("AutoDial", 7, "5551234");
        database.saved = true;
        model.open();
    }

    Flags raisedFlags() const { return testing::raisedFlags(database); }
    void clearFlags() {
        for (const auto& [group, index] : raisedFlags())
            database.setUploadFlag(group, index, false);
    }

    ControllerDatabase database;
    M model{database};
};

// Each box's refusal names the range the loader's own rule for that setting takes: the
// shortest and longest values in the range pass, one beyond either end is refused with the
// box's message, and an emptied box is refused too (only the two "none" prefixes become 0).
TEST_F(SpecialCodesModelTest, EveryBoxTakesExactlyTheLoadersRangeAndNamesIt) {
    const struct {
        const char* key;
        std::string lowest, highest, tooShort, tooLong;
        const char* title;
        const char* text;
    } cases[] = {
        {"DTMFRegenPrefix", "1", "123456", "", "1234567", "User DTMF Prefix",
         "User DTMF Regenerate: User DTMF Prefix invalid.  Must be between 1 and 6 DTMF "
         "characters"},
        {"APPrefix", "*", "12345678", "", "123456789", "Autopatch Prefix",
         "Autopatch: Prefix invalid.  Must be between 1 and 8 DTMF characters"},
        {"AnswerCode", "#", std::string(15, 'A'), "", std::string(16, 'A'), "Answer Code",
         "Autopatch: Answer Code invalid.  Must be between 1 and 15 DTMF characters"},
        {"RingNumber", "1", "8", "0", "9", "Ring Numbers",
         "Autopatch: Number Of Rings To Answer invalid.  Must be between 1 and 8"},
        {"APTimeOut", "1", "32767", "0", "32768", "AP Timeout",
         "Autopatch: Timeout invalid.  Must be between 1 and 32767"},
        {"DTMFTestPrefix", "D", "12345", "", "123456", "DTMF Pad Test",
         "DTMF Pad Test: Prefix invalid.  Must be between 1 and 5 DTMF characters"},
        {"PreAccessPrefix", "7", "123", "E", "1234", "Pre Access Code",
         "Pre Access Code invalid.  Must be between 1 and 3 DTMF characters"},
        {"PreProgramPrefix", "7", "1234", "E", "12345", "Pre Program Prefix",
         "Pre Program Prefix invalid.  Must be between 1 and 4 DTMF characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        for (const std::string& good : {c.lowest, c.highest}) {
            model.editText(c.key, 0, good);
            EXPECT_FALSE(model.leaveField(c.key, 0)) << good;
            EXPECT_TRUE(keyRule(c.key).check(good, 0, 0)) << "the loader takes " << good;
        }
        for (const std::string& bad : {c.tooShort, c.tooLong, std::string("12X")}) {
            model.editText(c.key, 0, bad);
            const auto refusal = model.leaveField(c.key, 0);
            ASSERT_TRUE(refusal) << bad;
            EXPECT_EQ(*refusal, (Notice{c.title, c.text}));
            EXPECT_FALSE(keyRule(c.key).check(model.value(c.key), 0, 0)) << bad;
        }
        model.editText(c.key, 0, "");
        const bool noneCode =
            std::string(c.key) == "PreAccessPrefix" || std::string(c.key) == "PreProgramPrefix";
        EXPECT_EQ(model.leaveField(c.key, 0).has_value(), !noneCode);
        EXPECT_EQ(model.value(c.key), noneCode ? "0" : "");
    }
}

TEST_F(SpecialCodesModelTest, NoneInThePreAccessBoxStoresZeroAndShowsNoneAfterApply) {
    for (const char* text : {"NONE", " none ", ""}) {
        SCOPED_TRACE(text);
        model.editPrefixBox("PreAccessPrefix", "12");
        EXPECT_EQ(model.marker(), M::kPreAccessMarker);
        ASSERT_TRUE(model.applyChanges().applied);
        EXPECT_EQ(database.get("PreAccessPrefix"), "12");
        model.editPrefixBox("PreAccessPrefix", text);
        EXPECT_EQ(model.value("PreAccessPrefix"), "0");
        ASSERT_TRUE(model.applyChanges().applied);
        EXPECT_EQ(database.get("PreAccessPrefix"), "0");
        EXPECT_EQ(M::prefixShown(model.value("PreAccessPrefix")), "NONE");
    }
    EXPECT_EQ(M::prefixValue("nonE"), "0");
    EXPECT_EQ(M::prefixValue("NONE1"), "NONE1") << "only the word itself means none";
    EXPECT_EQ(M::prefixShown("12"), "12");
}

TEST_F(SpecialCodesModelTest, ApplyRechecksTheMarkedBoxAndWritesNothingOnARefusal) {
    model.editChoice("DR1Select", 0, 1);
    model.editPrefixBox("PreProgramPrefix", "12345");
    const auto result = model.applyChanges();
    EXPECT_FALSE(result.applied);
    ASSERT_EQ(result.notices.size(), 2u);
    EXPECT_EQ(result.notices[0].title, "Pre Program Prefix");
    EXPECT_EQ(result.notices[1], (Notice{kApplyFailTitle, kApplyFailText}));
    EXPECT_EQ(database.get("DR1Select"), "0");
    EXPECT_TRUE(database.saved);
    EXPECT_EQ(model.marker(), M::kPreCommandMarker);
}

TEST_F(SpecialCodesModelTest, MacroSubsetIsCheckedOnApplyAndStoredStartThenEnd) {
    const struct {
        int start, end;
        bool applied;
        const char* stored;
    } cases[] = {{45, 10, false, "0190"}, {10, 45, true, "1045"}, {7, 7, true, "0707"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        model.open();
        model.editSubsetStart(c.start);
        model.editSubsetEnd(c.end);
        EXPECT_EQ(model.marker(), 0);
        EXPECT_EQ(model.subsetStart(), c.start);
        EXPECT_EQ(model.subsetEnd(), c.end);
        const auto result = model.applyChanges();
        EXPECT_EQ(result.applied, c.applied);
        EXPECT_EQ(result.subsetRefused, !c.applied);
        if (!c.applied) {
            EXPECT_EQ(result.notices, (std::vector<Notice>{{kMacroSubsetTitle, kMacroSubsetText}}));
        }
        EXPECT_EQ(database.get("MacroSubset"), c.stored);
    }
    EXPECT_TRUE(database.uploadFlag(UploadFlag::MacroSubset, 0));
}

TEST_F(SpecialCodesModelTest, EachSubsetListTurnsRedOnlyForItsOwnHalf) {
    model.editSubsetEnd(45);
    EXPECT_FALSE(model.subsetStartDiffers());
    EXPECT_TRUE(model.subsetEndDiffers());
    model.editSubsetStart(1);
    EXPECT_FALSE(model.subsetStartDiffers());
    model.editSubsetEnd(90);
    EXPECT_FALSE(model.subsetEndDiffers());
}

TEST_F(SpecialCodesModelTest, TollRestrictionGoesIntoTheFirstFreeSlot) {
    database.set("TollRestrict", 1, "1900");
    database.set("TollRestrict", 3, "976");
    model.open();
    const auto added = model.addTollRestriction("  011  ");
    EXPECT_EQ(added.slot, 2);
    EXPECT_FALSE(added.refusal);
    EXPECT_TRUE(model.tollFrameChanged());
    EXPECT_EQ(model.marker(), 0);
    EXPECT_EQ(model.tollEntries(),
              (std::vector<ListEntry>{{"001 | 1900", 1}, {"002 | 011", 2}, {"003 | 976", 3}}));
    // Nothing happens for an empty entry or one holding the list's bar.
    for (const char* text : {"", "   ", "1|2", "1\r9"}) EXPECT_EQ(model.addTollRestriction(text).slot, 0);
    EXPECT_EQ(model.tollEntries().size(), 3u);
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_EQ(database.get("TollRestrict", 2), "011");
    EXPECT_EQ(raisedFlags(), (Flags{{UploadFlag::TollRestrict, 2}}));
    EXPECT_FALSE(database.saved);
}

TEST_F(SpecialCodesModelTest, TheHundredAndFirstTollRestrictionIsRefusedAndDeleteFreesASlot) {
    for (int n = 1; n <= M::kTollRestrictions; ++n)
        ASSERT_EQ(model.addTollRestriction("9" + std::to_string(n)).slot, n);
    const auto refused = model.addTollRestriction("1234");
    EXPECT_EQ(refused.slot, 0);
    ASSERT_TRUE(refused.refusal);
    EXPECT_EQ(refused.refusal->title, "Toll Restrict");
    EXPECT_EQ(refused.refusal->text,
              "You have used all 100 of your Toll Restrictions (Blacklist).  You cannot enter "
              "additional restrictions until you delete one or more existing restrictions"
              "\r\n\r\nToll restriction was NOT added");
    EXPECT_EQ(model.deleteTollRestriction(0),
              (Notice{"Toll Restrict", "Nothing was selected for delete"}));
    EXPECT_FALSE(model.deleteTollRestriction(40));
    EXPECT_EQ(model.value("TollRestrict", 40), "");
    EXPECT_EQ(model.addTollRestriction("1234").slot, 40);
    EXPECT_EQ(model.tollEntries()[39].text, "040 | 1234");
}

TEST_F(SpecialCodesModelTest, ListsAndButtonsStoreTheirForms) {
    const struct {
        const char* key;
        int itemData;
        const char* stored;
        Flags flags;
    } cases[] = {
        {"DTMFSpeech", 0, "00", {}},  // "NONE"
        {"DTMFSpeech", 7, "07", {{UploadFlag::DtmfRegenerate, 0}}},
        {"DTMFPort", 99, "99", {{UploadFlag::DtmfRegenerate, 0}}},
        {"EnablePatch", 0, "0", {{UploadFlag::PatchPorts, 0}}},
        {"DTMFMuteDigitSelect", 2, "2", {{UploadFlag::DtmfMuteDigit, 0}}},
        {"WindDirectionSelect", 0, "0", {{UploadFlag::WindDirectionFormat, 0}}},
        {"MacroSubsetEnable", 1, "1", {{UploadFlag::MacroSubsetEnable, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
        clearFlags();
        model.editChoice(c.key, 0, c.itemData);
        EXPECT_EQ(model.value(c.key), c.stored);
        ASSERT_TRUE(model.applyChanges().applied);
        EXPECT_EQ(database.get(c.key), c.stored);
        EXPECT_EQ(raisedFlags(), c.flags);
    }
}

TEST_F(SpecialCodesModelTest, BrowsingAutodialSlotsIsNoEditTypingIs) {
    model.selectAutoDialSlot(7);
    model.selectAutoDialSlot(200);
    EXPECT_EQ(model.autoDialSlot(), 200);
    EXPECT_EQ(model.marker(), -1);
    model.editText("AutoDial", 200, " 555 1234x ");
    EXPECT_EQ(model.value("AutoDial", 200), "555 1234X");
    EXPECT_EQ(model.marker(), 0);
    EXPECT_FALSE(model.leaveField("AutoDial", 200));
    model.editText("AutoDial", 9, "5551212\r1*9000999");  // a paste: the CR would split the command
    EXPECT_TRUE(model.leaveField("AutoDial", 9));
    model.editText("AutoDial", 9, "");
    model.editText("AutoDial", 7, "");
    EXPECT_FALSE(model.leaveField("AutoDial", 7));
    EXPECT_EQ(model.value("AutoDial", 7), "") << "an emptied memory stays empty";
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_EQ(raisedFlags(), (Flags{{UploadFlag::AutoDial, 7}, {UploadFlag::AutoDial, 200}}));
}

// Every setting the window applies marks the database unsaved, the user DTMF regenerate
// group and the pre-command prefix included; a flag still waiting for the controller keeps
// it unsaved even when the Apply changed nothing.
TEST_F(SpecialCodesModelTest, EverySettingAppliedMarksTheDatabaseUnsaved) {
    model.editText("DTMFRegenPrefix", 0, "999");
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_FALSE(database.saved);
    database.saved = true;
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_FALSE(database.saved) << "the regenerate flag has not been uploaded yet";
    clearFlags();
    database.saved = true;
    model.editPrefixBox("PreProgramPrefix", "44");
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_FALSE(database.saved);
    clearFlags();
    database.saved = true;
    ASSERT_TRUE(model.applyChanges().applied);
    EXPECT_TRUE(database.saved) << "nothing changed and nothing waits";
}

}  // namespace
}  // namespace kelp
