#include "core/database/controller_database.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelp {
namespace {

// Every key text of the database at its largest size: "FanTime", "HangTime1(1)".."(3)",
// "P1Delay1(1)".."P3Tone8(10)", ...
std::vector<std::string> everyKeyText() {
    std::vector<std::string> texts;
    for (const KeyDescriptor& key : keyTable()) {
        switch (key.shape) {
            case KeyShape::Single:
                texts.push_back(keyText(key.name));
                break;
            case KeyShape::Indexed:
                for (int i = 1; i <= key.count; ++i) texts.push_back(keyText(key.name, i));
                break;
            case KeyShape::Courtesy:
                for (int p = 1; p <= 3; ++p)
                    for (int n = 1; n <= key.count; ++n)
                        texts.push_back(courtesyKeyText(key.name, p, n));
                break;
        }
    }
    return texts;
}

bool isDvrKey(const KeyRef& ref) {
    return std::strcmp(ref.key->section, "DVR") == 0;
}

void setEveryFlag(ControllerDatabase& database) {
    for (const UploadFlagDescriptor& group : uploadFlagTable())
        for (int i = 1; i <= group.count; ++i) database.setUploadFlag(group.flag, i, true);
}

int setFlagCount(const ControllerDatabase& database) {
    int n = 0;
    for (const UploadFlagDescriptor& group : uploadFlagTable())
        for (int i = 1; i <= group.count; ++i) n += database.uploadFlag(group.flag, i) ? 1 : 0;
    return n;
}

TEST(ControllerDatabase, FreshDatabaseIsEmptySavedAndUnloaded) {
    ControllerDatabase database;
    for (const std::string& text : everyKeyText()) EXPECT_EQ(database.byKey(text), "") << text;
    for (int area = 0; area < kAreaCount; ++area)
        EXPECT_EQ(database.changeMarker(static_cast<Area>(area)), -1) << area;
    EXPECT_FALSE(database.anyUploadFlag());
    EXPECT_TRUE(database.saved);
    EXPECT_FALSE(database.loaded);
    EXPECT_FALSE(database.hasRtc);
    EXPECT_EQ(database.firmwareVersion, "");
    EXPECT_EQ(database.currentFile, "");
}

TEST(ControllerDatabase, ResetKeepsDvrTableAndOptionsAndEmptiesTheRest) {
    ControllerDatabase database;
    for (const std::string& text : everyKeyText()) database.setByKey(text, "v" + text);
    setEveryFlag(database);
    for (int area = 0; area < kAreaCount; ++area)
        database.setChangeMarker(static_cast<Area>(area), static_cast<std::int16_t>(area));
    database.firmwareVersion = "528";
    database.loaded = true;
    database.saved = false;
    database.hasRtc = true;
    database.dvrWrite = true;
    database.currentFile = "/home/op/site.dat";

    database.reset();

    int dvrCells = 0;
    for (const std::string& text : everyKeyText()) {
        if (isDvrKey(parseKey(text))) {
            ++dvrCells;
            EXPECT_EQ(database.byKey(text), "v" + text);
        } else {
            EXPECT_EQ(database.byKey(text), "") << text;
        }
    }
    EXPECT_EQ(dvrCells, 64 + 20 + 20);
    EXPECT_FALSE(database.anyUploadFlag());
    EXPECT_EQ(setFlagCount(database), 0);
    for (int area = 0; area < kAreaCount; ++area)
        EXPECT_EQ(database.changeMarker(static_cast<Area>(area)), -1) << area;
    EXPECT_EQ(database.firmwareVersion, "");
    EXPECT_FALSE(database.loaded);
    EXPECT_TRUE(database.saved);
    EXPECT_TRUE(database.hasRtc);
    EXPECT_TRUE(database.dvrWrite);
    EXPECT_EQ(database.currentFile, "/home/op/site.dat");
}

TEST(ControllerDatabase, EveryAddressIsItsOwnCell) {
    // Distinct values everywhere, read back through every route: catches two addresses
    // sharing a cell (an off-by-one flat index, a courtesy port stride).
    ControllerDatabase database;
    const std::vector<std::string> texts = everyKeyText();
    for (const std::string& text : texts) database.setByKey(text, text);
    for (const std::string& text : texts) {
        ASSERT_EQ(database.byKey(text), text);
        const KeyRef ref = parseKey(text);
        if (ref.key->shape == KeyShape::Courtesy)
            EXPECT_EQ(database.courtesy(ref.key->name, ref.port, ref.index), text);
        else
            EXPECT_EQ(database.get(ref.key->name, ref.index), text);
    }
    EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), texts.size());
}

TEST(ControllerDatabase, KeyTextRoundTrips) {
    struct Case {
        const char* text;
        const char* name;
        int port;
        int index;
    };
    const Case cases[] = {
        {"FanTime", "FanTime", 0, 0},
        {"HangTime1(2)", "HangTime1", 0, 2},
        {"KerchunkTimeout(3)", "KerchunkTimeout", 0, 3},
        {"P3MessageNum(1)", "P3MessageNum", 0, 1},
        {"GeneralTimerMacro(6)", "GeneralTimerMacro", 0, 6},
        {"AutoDial(200)", "AutoDial", 0, 200},
        {"MessageMacro(70)", "MessageMacro", 0, 70},
        {"DVRSeconds(64)", "DVRSeconds", 0, 64},
        {"P1Delay1(1)", "Delay1", 1, 1},
        {"P3Tone8(10)", "Tone8", 3, 10},
        {"P2Dur4(7)", "Dur4", 2, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const KeyRef ref = parseKey(c.text);
        EXPECT_STREQ(ref.key->name, c.name);
        EXPECT_EQ(ref.port, c.port);
        EXPECT_EQ(ref.index, c.index);
        const std::string back = ref.port == 0
                                     ? keyText(ref.key->name, ref.index)
                                     : courtesyKeyText(ref.key->name, ref.port, ref.index);
        EXPECT_EQ(back, c.text);
    }
}

TEST(ControllerDatabase, MalformedOrOutOfRangeKeyTextIsRefusedAndWritesNothing) {
    enum Kind { Malformed, OutOfRange };
    struct Case {
        const char* text;
        Kind kind;
    };
    const Case cases[] = {
        {"", Malformed},
        {"(2)", Malformed},
        {"HangTime1", Malformed},  // an indexed key needs its index
        {"P2Tone5", Malformed},    // so does a courtesy key
        {"Tone5(3)", Malformed},   // a courtesy key needs its port
        {"HangTime1(", Malformed},
        {"HangTime1()", Malformed},
        {"HangTime1(2", Malformed},
        {"HangTime1(2)x", Malformed},
        {"HangTime1(2)(3)", Malformed},
        {"HangTime1(02)", Malformed},
        {"HangTime1(-1)", Malformed},
        {"HangTime1(+1)", Malformed},
        {"HangTime1( 2)", Malformed},
        {"HangTime1 (2)", Malformed},
        {" FanTime", Malformed},
        {"FanTime=5", Malformed},
        {"NoSuchKey", OutOfRange},
        {"NoSuchKey(1)", OutOfRange},
        {"hangtime1(1)", OutOfRange},  // names are matched as written
        {"HangTime1(0)", OutOfRange},
        {"HangTime1(4)", OutOfRange},
        {"HangTime1(99999999999)", OutOfRange},
        {"FanTime(2)", OutOfRange},
        {"MessageMacro(71)", OutOfRange},
        {"DTMF(51)", OutOfRange},
        {"FreqString(41)", OutOfRange},
        {"P0Tone5(1)", OutOfRange},
        {"P4Tone5(1)", OutOfRange},
        {"P2Tone5(0)", OutOfRange},
        {"P2Tone5(11)", OutOfRange},
        {"P2Tone9(1)", OutOfRange},
    };
    ControllerDatabase database;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.kind == Malformed) {
            EXPECT_THROW(database.byKey(c.text), std::invalid_argument);
            EXPECT_THROW(database.setByKey(c.text, "x"), std::invalid_argument);
        } else {
            EXPECT_THROW(database.byKey(c.text), std::out_of_range);
            EXPECT_THROW(database.setByKey(c.text, "x"), std::out_of_range);
        }
    }
    for (const std::string& text : everyKeyText()) ASSERT_EQ(database.byKey(text), "") << text;
}

TEST(ControllerDatabase, IndexRangesOfNamedAccess) {
    ControllerDatabase database;
    // A single key takes index 0 or 1, both naming the one value.
    database.set("FanTime", "12");
    EXPECT_EQ(database.get("FanTime", 1), "12");
    database.set("FanTime", 1, "13");
    EXPECT_EQ(database.get("FanTime"), "13");
    EXPECT_EQ(database.byKey("FanTime(1)"), "13");

    struct Case {
        const char* name;
        int index;
    };
    const Case refused[] = {{"FanTime", -1},       {"FanTime", 2},      {"HangTime1", 0},
                            {"HangTime1", 4},      {"GeneralTimer", 7}, {"PortToAllow", 91},
                            {"TollRestrict", 101}, {"DVRTracks", 21},   {"NoSuchKey", 1}};
    for (const Case& c : refused) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.index));
        EXPECT_THROW(database.get(c.name, c.index), std::out_of_range);
        EXPECT_THROW(database.set(c.name, c.index, "x"), std::out_of_range);
    }
    EXPECT_THROW(database.get("Tone5", 1), std::invalid_argument);
    EXPECT_THROW(database.courtesy("HangTime1", 1, 1), std::invalid_argument);
    EXPECT_THROW(database.courtesy("Tone9", 1, 1), std::out_of_range);
    EXPECT_THROW(database.courtesy("Tone5", 0, 1), std::out_of_range);
    EXPECT_THROW(database.courtesy("Tone5", 4, 1), std::out_of_range);
    EXPECT_THROW(database.courtesy("Tone5", 1, 0), std::out_of_range);
    EXPECT_THROW(database.setCourtesy("Tone5", 1, 11, "x"), std::out_of_range);
}

TEST(ControllerDatabase, RtcSizedArraysHoldTheirLargestSizeWithoutTheOption) {
    struct Case {
        const char* name;
        int withRtc;
        int withoutRtc;
    };
    const Case cases[] = {{"MessageMacro", 70, 40}, {"FreqString", 40, 10}, {"CTCSS", 40, 10},
                          {"CTCSSMode", 40, 10},    {"RadioMode", 40, 10},  {"DTMF", 50, 20}};
    ControllerDatabase database;
    ASSERT_FALSE(database.hasRtc);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const KeyDescriptor* key = findKey(c.name);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(usedCount(*key, true), c.withRtc);
        EXPECT_EQ(usedCount(*key, false), c.withoutRtc);
        database.set(c.name, c.withRtc, "last");
        database.set(c.name, c.withoutRtc + 1, "first beyond");
        EXPECT_EQ(database.get(c.name, c.withRtc), "last");
        EXPECT_EQ(database.get(c.name, c.withoutRtc + 1), "first beyond");
        EXPECT_THROW(database.get(c.name, c.withRtc + 1), std::out_of_range);
    }
    // Keys that the option does not touch use every entry either way.
    EXPECT_EQ(usedCount(*findKey("HangTime1"), false), 3);
    EXPECT_EQ(usedCount(*findKey("Tone8"), false), 10);
    EXPECT_EQ(usedCount(*findKey("FanTime"), false), 1);
}

TEST(ControllerDatabase, CourtesyKeyTextAndCourtesyAccessShareTheCell) {
    ControllerDatabase database;
    database.setByKey("P2Tone5(10)", "1200");
    EXPECT_EQ(database.courtesy("Tone5", 2, 10), "1200");
    EXPECT_EQ(database.get("P2Tone5", 10), "1200");
    // The neighbours in every direction stay empty.
    EXPECT_EQ(database.courtesy("Tone5", 1, 10), "");
    EXPECT_EQ(database.courtesy("Tone5", 3, 10), "");
    EXPECT_EQ(database.courtesy("Tone5", 2, 9), "");
    EXPECT_EQ(database.courtesy("Tone5", 3, 1), "");
    EXPECT_EQ(database.courtesy("Tone6", 2, 10), "");
    EXPECT_EQ(database.courtesy("Tone4", 2, 10), "");

    database.setCourtesy("Delay4", 3, 1, "250");
    EXPECT_EQ(database.byKey("P3Delay4(1)"), "250");
    database.set("P1Dur2", 7, "90");
    EXPECT_EQ(database.courtesy("Dur2", 1, 7), "90");
}

TEST(ControllerDatabase, EveryKeyNameIsUniqueAndFindable) {
    std::set<std::string> names;
    const auto& table = keyTable();
    for (std::size_t row = 0; row < table.size(); ++row) {
        const KeyDescriptor& key = table[row];
        SCOPED_TRACE(key.name);
        EXPECT_TRUE(names.insert(key.name).second) << "duplicate key name";
        EXPECT_EQ(findKey(key.name), &key);
        EXPECT_EQ(keyRow(key), row);
        EXPECT_GE(key.count, 1);
        EXPECT_GE(key.count, key.countWithoutRtc);
        EXPECT_GE(key.countWithoutRtc, 1);
        if (key.shape == KeyShape::Single) {
            EXPECT_EQ(key.count, 1);
        }
        EXPECT_STRNE(key.section, "");
    }
    EXPECT_EQ(findKey("NoSuchKey"), nullptr);
    EXPECT_EQ(findKey("P2Tone5"), nullptr);  // the file form of a courtesy key is not a row
    EXPECT_EQ(findKey("hangtime1"), nullptr);
    EXPECT_EQ(findKey(""), nullptr);
}

TEST(ControllerDatabase, WriterOrderKeepsEachSectionsKeysWhereTheFileExpectsThem) {
    // A few fixed points of the file's order that other code relies on: the timers come first,
    // the courtesy tones are contiguous in segment order, the unlock group comes last.
    const auto& table = keyTable();
    EXPECT_STREQ(table.front().name, "HangTime1");
    EXPECT_STREQ(table.back().name, "NewTerminator");
    const std::size_t delay1 = keyRow(*findKey("Delay1"));
    const char* courtesyOrder[] = {"Delay1", "Delay2", "Delay3", "Delay4", "Dur1",  "Dur2",
                                   "Dur3",   "Dur4",   "Tone1",  "Tone2",  "Tone3", "Tone4",
                                   "Tone5",  "Tone6",  "Tone7",  "Tone8"};
    for (std::size_t i = 0; i < std::size(courtesyOrder); ++i) {
        EXPECT_STREQ(table[delay1 + i].name, courtesyOrder[i]);
        EXPECT_EQ(table[delay1 + i].shape, KeyShape::Courtesy);
    }
    EXPECT_LT(keyRow(*findKey("NewPortUnlock")), keyRow(*findKey("Lock")));
    EXPECT_EQ(keyRow(*findKey("CurrentPortUnlock")) + 1, keyRow(*findKey("NewPortUnlock")));
}

TEST(ControllerDatabase, UploadFlagsAreIndependentPerGroupAndIndex) {
    ControllerDatabase database;
    for (const UploadFlagDescriptor& group : uploadFlagTable()) {
        for (int i = 1; i <= group.count; ++i) {
            database.setUploadFlag(group.flag, i, true);
            ASSERT_TRUE(database.uploadFlag(group.flag, i)) << group.name << " " << i;
            ASSERT_EQ(setFlagCount(database), 1) << group.name << " " << i;
            ASSERT_TRUE(database.anyUploadFlag());
            database.setUploadFlag(group.flag, i, false);
            ASSERT_FALSE(database.anyUploadFlag()) << group.name << " " << i;
        }
    }
}

TEST(ControllerDatabase, UploadFlagIndexRanges) {
    ControllerDatabase database;
    // A single flag answers to index 0 and 1 alike.
    database.setUploadFlag(UploadFlag::FanTimer, 0, true);
    EXPECT_TRUE(database.uploadFlag(UploadFlag::FanTimer, 1));
    database.setUploadFlag(UploadFlag::FanTimer, 1, false);
    EXPECT_FALSE(database.uploadFlag(UploadFlag::FanTimer));
    EXPECT_THROW(database.uploadFlag(UploadFlag::FanTimer, 2), std::out_of_range);

    EXPECT_THROW(database.uploadFlag(UploadFlag::HangTimers, 0), std::out_of_range);
    EXPECT_THROW(database.setUploadFlag(UploadFlag::HangTimers, 4, true), std::out_of_range);
    EXPECT_THROW(database.uploadFlag(UploadFlag::Count_, 1), std::out_of_range);
    EXPECT_FALSE(database.anyUploadFlag());

    // The courtesy tables run port by port, ten tones each.
    EXPECT_EQ(courtesyFlagIndex(1, 1), 1);
    EXPECT_EQ(courtesyFlagIndex(1, 10), 10);
    EXPECT_EQ(courtesyFlagIndex(2, 1), 11);
    EXPECT_EQ(courtesyFlagIndex(3, 10), 30);
    database.setUploadFlag(UploadFlag::CourtesySegment4, courtesyFlagIndex(3, 10), true);
    EXPECT_THROW(database.uploadFlag(UploadFlag::CourtesySegment4, courtesyFlagIndex(3, 10) + 1),
                 std::out_of_range);

    // The reference voltage rides as the ninth meter set-up flag.
    database.setUploadFlag(UploadFlag::MeterSetup, kVrefFlagIndex, true);
    EXPECT_EQ(setFlagCount(database), 2);
}

TEST(ControllerDatabase, UploadFlagTableNamesAreUnique) {
    std::set<std::string> names;
    for (const UploadFlagDescriptor& group : uploadFlagTable()) {
        EXPECT_TRUE(names.insert(group.name).second) << group.name;
        EXPECT_STREQ(uploadFlagDescriptor(group.flag).name, group.name);
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kUploadFlagGroupCount));
}

TEST(ControllerDatabase, ProcessDatabaseResetsInPlace) {
    ControllerDatabase& first = db();
    first.set("FanTime", "9");
    first.hasRtc = true;
    first.setUploadFlag(UploadFlag::FanTimer, 0, true);
    resetProcessDatabase();
    ControllerDatabase& second = db();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.get("FanTime"), "");
    EXPECT_FALSE(second.hasRtc);
    EXPECT_FALSE(second.anyUploadFlag());
    EXPECT_EQ(second.changeMarker(Area::Timers), -1);
}

}  // namespace
}  // namespace kelp
