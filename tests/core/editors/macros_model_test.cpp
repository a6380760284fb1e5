#include "core/editors/macros_model.h"

#include <gtest/gtest.h>

#include "core/catalogues/macro_functions.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

using Kind = MacrosModel::Kind;

std::string repeated(const char* code, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += (i ? " " : "") + std::string(code);
    return text;
}

class MacrosModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int n = 1; n <= 40; ++n) {
            database.set("Macro", n, "NONE STORED");
            database.set("MacroCode", n, "7351" + std::to_string(n));
        }
        for (int n = 1; n <= 50; ++n) {
            database.set("ShortMacro", n, "NONE STORED");
            database.set("ShortMacroCode", n, "7351" + std::to_string(40 + n));
        }
        for (int m = 1; m <= 90; ++m) database.set("PortToAllow", m, "123");
        for (int p = 1; p <= 3; ++p) {
            database.set("RcvMacroActive", p, "90");
            database.set("RcvMacroInactive", p, "90");
        }
        database.saved = true;
        model.open();
    }

    ControllerDatabase database;
    MacrosModel model{database};
};

TEST_F(MacrosModelTest, SlotSizeWeighsEachFunctionByItsCode) {
    const struct {
        const char* functions;
        int slots;
    } cases[] = {{"001 002", 2}, {"256 511 766", 9}, {"250", 1},    {"NONE STORED", 0},
                 {"", 0},        {"001 XYZ", 1},     {"510 765", 5}};
    for (const auto& c : cases) {
        model.editText("Macro", 4, c.functions);
        EXPECT_EQ(model.slotSize({Kind::Long, 4}), c.slots) << c.functions;
    }
}

TEST_F(MacrosModelTest, LeavingAFunctionBoxNormalisesAndChecksIt) {
    const std::string invalid = "Macro contains invalid macro functions";
    const struct {
        const char* key;
        int index;
        std::string typed;
        std::string after;
        std::optional<Notice> refusal;
    } cases[] = {
        {"Macro", 1, repeated("001", 15), repeated("001", 15), std::nullopt},
        {"Macro", 2, repeated("001", 16), repeated("001", 16),
         Notice{"Macro 2", "Macro contains more than 15 functions"}},
        {"ShortMacro", 3, repeated("001", 4), repeated("001", 4), std::nullopt},
        {"ShortMacro", 3, repeated("001", 5), repeated("001", 5),
         Notice{"Macro 43", "Macro contains more than 4 functions"}},
        {"ShortMacro", 4, "766", "766", std::nullopt},  // one function of four slots
        {"ShortMacro", 4, "791 001", "791 001",
         Notice{"Macro 44", "Macro contains more than 4 functions"}},
        {"Macro", 5, "none", "NONE STORED", std::nullopt},
        {"Macro", 5, "", "NONE STORED", std::nullopt},
        {"Macro", 6, "1", "1", Notice{"Macro 6", invalid}},
        {"Macro", 7, "  001   700 ", "001 700", Notice{"Macro 7", invalid}},
        {"ShortMacro", 50, " 250  001", "250 001", std::nullopt},
    };
    for (const auto& c : cases) {
        model.editText(c.key, c.index, c.typed);
        EXPECT_EQ(model.leaveField(c.key, c.index), c.refusal) << c.key << " " << c.typed;
        EXPECT_EQ(model.value(c.key, c.index), c.after) << c.key << " " << c.typed;
    }
}

TEST_F(MacrosModelTest, LeavingACodeBoxFillsItsDefaultAndChecksIt) {
    const struct {
        const char* key;
        int index;
        const char* typed;
        const char* after;
        std::optional<Notice> refusal;
    } cases[] = {
        {"ShortMacroCode", 5, "", "735145", std::nullopt},
        {"MacroCode", 3, "", "73513", std::nullopt},
        {"MacroCode", 3, "ab*#", "AB*#", std::nullopt},
        {"MacroCode", 9, "123456789", "123456789",
         Notice{"Macro Code 9", "Macro Code must be 1 to 8 DTMF characters"}},
        {"ShortMacroCode", 1, "12X", "12X",
         Notice{"Macro Code 41", "Macro Code must be 1 to 8 characters DTMF characters"}},
    };
    for (const auto& c : cases) {
        model.editText(c.key, c.index, c.typed);
        EXPECT_EQ(model.leaveField(c.key, c.index), c.refusal) << c.key << " " << c.typed;
        EXPECT_EQ(model.value(c.key, c.index), c.after) << c.key << " " << c.typed;
    }
}

TEST_F(MacrosModelTest, TheFunctionListInsertsAtTheCaret) {
    const struct {
        const char* text;
        int caret, selection;
        long code;
        std::optional<std::string> result;
        int newCaret;
    } cases[] = {
        {"NONE STORED", 4, 0, 7, "007", 3},
        {" none ", 0, 0, 1, "001", 3},
        {"", 0, 0, 250, "250", 3},
        {"001 003", 3, 0, 2, "001 002  003", 8},
        {"001 003", 7, 0, 791, "001 003 791", 11},
        {"001 003", 0, 3, 2, "002  003", 4},
        {"001", 0, 0, 0, std::nullopt, 0},  // a blank catalogue row
    };
    for (const auto& c : cases) {
        const auto r = MacrosModel::insertFunction(c.text, c.caret, c.selection, c.code);
        ASSERT_EQ(r.has_value(), c.result.has_value()) << c.text;
        if (!r)
            continue;
        EXPECT_EQ(r->text, *c.result) << c.text;
        EXPECT_EQ(r->caret, c.newCaret) << c.text;
    }
}

TEST_F(MacrosModelTest, TheToolTipNamesEachFunction) {
    const struct {
        const char* text;
        const char* tip;
    } cases[] = {
        {"001 308", "Port 1 Carrier & Tone Access | Don't Say Year"},
        {"308  1", "Don't Say Year | ***ERROR***"},
        {"NONE STORED", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(MacrosModel::toolTip(c.text), c.tip) << c.text;
}

TEST_F(MacrosModelTest, PortSetsAndReceiveMacrosDoNotHoldTheTabButApplyWritesThem) {
    model.editChoice("PortToAllow", 45, 13);
    model.editChoice("RcvMacroInactive", 2, 7);
    EXPECT_TRUE(model.differs("PortToAllow", 45));
    EXPECT_EQ(model.marker(), -1);
    EXPECT_EQ(unappliedChangesGuard(database, Area::Macros), std::nullopt);
    model.editText("ShortMacro", 10, "001 002");
    EXPECT_EQ(model.marker(), 3);
    model.selectMacroNumber(7);
    model.selectReceivePort(3);
    EXPECT_EQ(model.marker(), 3);
    ASSERT_TRUE(model.apply().empty());
    using U = UploadFlag;
    EXPECT_EQ(testing::raisedFlags(database),
              (std::vector<std::pair<UploadFlag, int>>{
                  {U::ShortMacroFunctions, 10}, {U::PortToAllow, 45}, {U::RcvMacroInactive, 2}}));
    EXPECT_EQ(database.get("PortToAllow", 45), "13");
    EXPECT_EQ(database.get("RcvMacroInactive", 2), "7");
    EXPECT_FALSE(database.saved);
    EXPECT_EQ(model.selectedMacroNumber(), 7);
    EXPECT_EQ(model.selectedReceivePort(), 3);
}

TEST_F(MacrosModelTest, ApplyRechecksTheFunctionBoxEditedLast) {
    model.editText("Macro", 12, "001 1");
    model.enterBox({Kind::Short, 50});
    const auto notices = model.apply();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], (Notice{"Macro 12", "Macro contains invalid macro functions"}));
    EXPECT_EQ(database.get("Macro", 12), "NONE STORED");
    EXPECT_TRUE(testing::raisedFlags(database).empty());
    EXPECT_EQ(model.focusedMacro(), (MacrosModel::Macro{Kind::Short, 50}));
    EXPECT_EQ(model.focusedMacro().number(), 90);
}

}  // namespace
}  // namespace kelp
