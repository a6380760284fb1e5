#include "core/editors/port_switches_model.h"

#include <gtest/gtest.h>

#include <set>

#include "core/database/area_checks.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

// Every switch of every port off, and the area freshly opened.
class PortSwitchesModelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        database.reset();
        for (const FieldSpec& f : portSwitchesFields()) {
            if (f.indexing == FieldIndexing::Single)
                database.set(f.key, "0");
            else
                for (int p = 1; p <= 3; ++p) database.set(f.key, p, "0");
        }
        database.saved = true;
        model.open();
    }

    std::vector<std::pair<UploadFlag, int>> raisedFlags() const {
        return testing::raisedFlags(database);
    }

    void apply() { EXPECT_TRUE(model.apply().empty()) << "nothing here can be refused"; }

    ControllerDatabase database;
    PortSwitchesModel model{database};
};

TEST_F(PortSwitchesModelTest, OpeningLeavesTheAreaClean) {
    database.setChangeMarker(Area::PortSwitches, 0);
    model.open();
    EXPECT_EQ(model.marker(), -1);
    for (const FieldSpec& f : model.fields())
        for (int i = f.indexing == FieldIndexing::Single ? 0 : 1; i <= f.count; ++i)
            EXPECT_FALSE(model.differs(f.key, i)) << f.key << "(" << i << ")";
}

TEST_F(PortSwitchesModelTest, ApplySetsTheFlagOfTheChangedSwitchOnly) {
    struct Case {
        const char* key;
        int index;
        int choice;
        UploadFlag flag;
        int flagIndex;
    } cases[] = {
        {"TxEnable", 2, 1, UploadFlag::TransmitterEnable, 2},
        {"PLAccess", 1, 1, UploadFlag::AccessMode, 1},
        {"CTCSSCT", 3, 1, UploadFlag::ToneEncodeTimerStart, 3},
        {"IDStartSelect", 3, 1, UploadFlag::IdTimerStart, 3},
        {"COSClose", 1, 1, UploadFlag::DtmfEvaluateOnClosure, 1},
        {"PLEncodePolarity", 2, 1, UploadFlag::ToneEncodePolarity, 2},
        {"AllowTerminatorSpeech", 0, 1, UploadFlag::AllowTerminatorSpeech, 0},
    };
    for (const Case& c : cases) {
        SetUp();

        model.editChoice(c.key, c.index, c.choice);
        EXPECT_EQ(model.marker(), 0) << c.key;
        EXPECT_TRUE(model.differs(c.key, c.index)) << c.key;
        apply();

        const std::vector<std::pair<UploadFlag, int>> expected{{c.flag, c.flagIndex}};
        EXPECT_EQ(raisedFlags(), expected) << c.key;
        EXPECT_EQ(database.get(c.key, c.index), "1") << c.key;
        EXPECT_FALSE(database.saved) << c.key;
        EXPECT_EQ(model.marker(), -1) << c.key;
        EXPECT_FALSE(model.differs(c.key, c.index)) << c.key;
    }
}

TEST_F(PortSwitchesModelTest, EverySwitchOfAPortHasAFlagOfItsOwn) {
    for (const FieldSpec& f : model.fields())
        if (f.indexing == FieldIndexing::PerPort)
            model.editChoice(f.key, 2, 1);
    apply();
    std::set<UploadFlag> groups;
    for (const auto& [flag, index] : raisedFlags()) {
        EXPECT_EQ(index, 2) << uploadFlagDescriptor(flag).name;
        groups.insert(flag);
    }
    EXPECT_EQ(groups.size(), 17u);
    EXPECT_EQ(raisedFlags().size(), 17u);
}

TEST_F(PortSwitchesModelTest, TickAndUntickStaysEditedButAppliesNothing) {
    model.editChoice("RxEnable", 1, 1);
    model.editChoice("RxEnable", 1, 0);
    EXPECT_FALSE(model.differs("RxEnable", 1));
    EXPECT_TRUE(model.edited());

    EXPECT_TRUE(unappliedChangesGuard(database, Area::PortSwitches));

    apply();
    EXPECT_TRUE(raisedFlags().empty());
    EXPECT_TRUE(database.saved);
    EXPECT_EQ(model.marker(), -1);
    EXPECT_FALSE(unappliedChangesGuard(database, Area::PortSwitches));
}

TEST_F(PortSwitchesModelTest, SwitchesAwaitingUploadKeepTheDatabaseUnsaved) {
    struct Case {
        UploadFlag flag;
        int index;
        bool unsaved;
    } cases[] = {
        {UploadFlag::ToneEncodeDuringId, 2, true},
        {UploadFlag::IdTimerStart, 3, true},
        // Only the ports' switches count: other waiting groups leave the saved state alone.
        {UploadFlag::AllowTerminatorSpeech, 0, false},
        {UploadFlag::HangTimers, 1, false},
    };
    for (const Case& c : cases) {
        SetUp();
        database.setUploadFlag(c.flag, c.index, true);  // left by an Apply not yet uploaded
        apply();
        EXPECT_EQ(database.saved, !c.unsaved) << uploadFlagDescriptor(c.flag).name;
    }
}

TEST_F(PortSwitchesModelTest, AccessModeStoresItsItemData) {
    const std::vector<ListEntry> expected{{"Carrier", 0}, {"Tone & Carrier", 1}};
    EXPECT_EQ(accessModeList().listEntries(), expected);
    // The list offers exactly what the file loader accepts.
    for (const ChoiceEntry& e : accessModeList().entries()) EXPECT_TRUE(accessModeCheck(e.stored));

    model.editChoice("PLAccess", 3, 1);
    EXPECT_EQ(model.value("PLAccess", 3), "1");
    model.editChoice("PLAccess", 3, 0);
    EXPECT_EQ(model.value("PLAccess", 3), "0");
}

}  // namespace
}  // namespace kelp
