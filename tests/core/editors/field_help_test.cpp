#include "core/editors/field_help.h"

#include <gtest/gtest.h>

#include <set>

#include "core/catalogues/choice_lists.h"
#include "core/database/controller_database.h"
#include "core/database/key_rules.h"

namespace kelp {
namespace {

// Every entry of every key of the table reads as a name of its own and says something about
// its values; no name keeps the tab caption the operator is already on.
TEST(FieldHelpTest, EveryEntryOfTheKeyTableHasANameAndADescription) {
    std::set<std::string> names;
    int entries = 0;
    for (const KeyDescriptor& key : keyTable()) {
        std::vector<std::pair<int, int>> at;  // (port, index)
        if (key.shape == KeyShape::Single)
            at.emplace_back(0, 0);
        for (int i = 1; key.shape == KeyShape::Indexed && i <= key.count; ++i) at.emplace_back(0, i);
        for (int p = 1; key.shape == KeyShape::Courtesy && p <= kCourtesyPorts; ++p)
            for (int t = 1; t <= key.count; ++t) at.emplace_back(p, t);
        for (const auto& [port, index] : at) {
            const FieldHelp help = fieldHelp(key.name, port, index);
            SCOPED_TRACE(std::string(key.name) + " " + std::to_string(port) + "/" +
                         std::to_string(index) + ": " + help.name);
            EXPECT_FALSE(help.description.empty());
            EXPECT_FALSE(help.name.empty());
            EXPECT_EQ(help.name.find(": "), std::string::npos);
            for (int a = 0; a < kAreaCount; ++a)
                EXPECT_NE(help.name.rfind(areaTabCaption(static_cast<Area>(a)) + ",", 0), 0u);
            EXPECT_TRUE(names.insert(help.name).second) << "two entries read the same";
            ++entries;
        }
    }
    EXPECT_GT(entries, 1500);
}

TEST(FieldHelpTest, BoxesListsAndCheckBoxesSayUnitRangeAndDefaultTheirOwnWay) {
    const FieldHelp hang = fieldHelp("HangTime1", 0, 2);
    EXPECT_EQ(hang.name, "Port 2, Hang Timer 1");
    EXPECT_EQ(hang.description, "1/10 seconds, 0 to 255, default 50");
    EXPECT_EQ(fieldHelp("Tone3", 3, 7).name, "Port 3, Courtesy Tone 7, Segment 2, Tone 1");
    EXPECT_EQ(fieldHelp("IDSpeakTime", 0, 1).description,
              "seconds, 0 to 15300, at most the Pending ID Timer in seconds, default the "
              "Pending ID Timer in seconds");
    EXPECT_EQ(fieldHelp("CWSpeed", 0, 1).description, "WPM, 5 to 50, default 20");
    EXPECT_EQ(fieldHelp("TxEnable", 0, 3, FieldKind::Check).description, "default on");
    EXPECT_EQ(fieldHelp("TOTReset", 0, 1, FieldKind::List, totResetPointList().listEntries())
                  .description,
              "default " + totResetPointList().listEntries().front().text);
    EXPECT_EQ(fieldHelp("InActivityMacro", 0, 1, FieldKind::List, macroList().listEntries(), true)
                  .description,
              "default " + macroList().listEntries().back().text);
}

}  // namespace
}  // namespace kelp
