#include "core/session/preferences.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/app/runtime_error.h"
#include "core/database/ini_file.h"
#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TEST(Preferences, LenientNumbers) {
    struct Case {
        const char* text;
        long value;
    };
    const std::vector<Case> cases = {
        {"", 0},   {"abc", 0}, {"12", 12}, {"  12ms", 12}, {"-3", -3},
        {"+7", 7}, {"3.9", 3}, {"x12", 0}, {"0250", 250},
    };
    for (const Case& c : cases) EXPECT_EQ(lenientNumber(c.text), c.value) << c.text;
}

TEST(Preferences, FirstStartHasNoGeometry) {
    TempFolder tmp;
    const Preferences prefs(tmp / "kelp.ini");
    EXPECT_FALSE(prefs.readWindowPlacement().has_value());
    writeBytes(tmp / "kelp.ini", "[Main]\r\nComPort=1\r\n");
    EXPECT_FALSE(prefs.readWindowPlacement().has_value());
}

TEST(Preferences, GeometryIsReadInTwips) {
    TempFolder tmp;
    writeBytes(tmp / "kelp.ini",
               "[Main]\r\nWindow Width=15360\r\nWindow Height= 11520.5 \r\nWindow Top=600\r\n"
               "Window Left=-120\r\nWindow State=2\r\n");
    const auto p = Preferences(tmp / "kelp.ini").readWindowPlacement();
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(*p, (WindowPlacement{-120, 600, 15360, 11520.5, 2}));
}

TEST(Preferences, BadGeometryIsARuntimeError) {
    struct Case {
        const char* ini;
        long number;
    };
    const std::string good = "Window Top=0\r\nWindow Left=0\r\nWindow State=0\r\n";
    const std::vector<Case> cases = {
        {"Window Width=wide\r\nWindow Height=9000\r\n", 13},
        {"Window Height=9000\r\n", 13},  // width missing, others there
        {"Window Width=12e\r\nWindow Height=9000\r\n", 13},
        {"Window Width=9000\r\nWindow Height=9000 px\r\n", 13},
    };
    for (const Case& c : cases) {
        TempFolder tmp;
        writeBytes(tmp / "kelp.ini", "[Main]\r\n" + std::string(c.ini) + good);
        try {
            Preferences(tmp / "kelp.ini").readWindowPlacement();
            ADD_FAILURE() << "no error for " << c.ini;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), c.number) << c.ini;
        }
    }
    TempFolder tmp;
    writeBytes(tmp / "kelp.ini",
               "[Main]\r\nWindow Width=1\r\nWindow Height=1\r\nWindow Top=0\r\nWindow Left=0\r\n"
               "Window State=40000\r\n");
    try {
        Preferences(tmp / "kelp.ini").readWindowPlacement();
        ADD_FAILURE() << "no overflow";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 6);
    }
}

TEST(Preferences, RecentFilesComeBackInOrderWithoutVanishedFiles) {
    TempFolder tmp;
    std::string ini = "[Main]\r\n";
    for (int k = 1; k <= 10; ++k)
        ini += "LastRCFile(" + std::to_string(k) + ")=/sites/site" + std::to_string(k) + ".dat\r\n";
    writeBytes(tmp / "kelp.ini", ini);
    const std::set<std::string> gone = {"/sites/site3.dat"};
    const RecentFiles recent =
        Preferences(tmp / "kelp.ini").readRecentFiles([&](const std::string& path) {
            return gone.count(path) == 0;
        });
    ASSERT_EQ(recent.count(), 9);
    EXPECT_EQ(recent.item(1), "/sites/site1.dat");
    EXPECT_EQ(recent.item(2), "/sites/site2.dat");
    EXPECT_EQ(recent.item(3), "/sites/site4.dat");
    EXPECT_EQ(recent.item(9), "/sites/site10.dat");
}

TEST(Preferences, RecentFilesSkipEmptyKeysAndCheckTheDisk) {
    TempFolder tmp;
    writeBytes(tmp / "a.dat", "");
    writeBytes(tmp / "kelp.ini",
               "[Main]\r\nLastRCFile(1)=" + (tmp / "a.dat").string() +
                   "\r\nLastRCFile(2)=\r\nLastRCFile(3)=" + (tmp / "gone.dat").string() + "\r\n");
    const RecentFiles recent = Preferences(tmp / "kelp.ini").readRecentFiles();
    ASSERT_EQ(recent.count(), 1);
    EXPECT_EQ(recent.item(1), (tmp / "a.dat").string());
}

TEST(Preferences, ExitWritesGeometryAndAllTenRecentKeys) {
    TempFolder tmp;
    writeBytes(
        tmp / "kelp.ini",
        "[Main]\r\nComPort=3\r\nLastRCFile(9)=/old/nine.dat\r\nLastRCFile(10)=/old/ten.dat\r\n"
        "[Update]\r\nWindow Top=5\r\n");
    RecentFiles recent;
    for (int k = 8; k >= 1; --k) recent.fUpdateFilesList("/sites/s" + std::to_string(k) + ".dat");
    const Preferences prefs(tmp / "kelp.ini");
    prefs.writeExitSettings(WindowPlacement{1500, 750, 15360, 10800.5, 0}, recent);

    const IniFile ini = IniFile::load(tmp / "kelp.ini");
    EXPECT_EQ(ini.read("Main", "Window Width"), "15360");
    EXPECT_EQ(ini.read("Main", "Window Height"), "10800.5");
    EXPECT_EQ(ini.read("Main", "Window Top"), "750");
    EXPECT_EQ(ini.read("Main", "Window Left"), "1500");
    EXPECT_EQ(ini.read("Main", "Window State"), "0");
    EXPECT_EQ(ini.read("Main", "LastRCFile(1)"), "/sites/s1.dat");
    EXPECT_EQ(ini.read("Main", "LastRCFile(8)"), "/sites/s8.dat");
    // Entries the list no longer has are written empty, not left over from before.
    EXPECT_EQ(ini.value("Main", "LastRCFile(9)"), std::optional<std::string>(""));
    EXPECT_EQ(ini.value("Main", "LastRCFile(10)"), std::optional<std::string>(""));
    // Keys that belong to others stay.
    EXPECT_EQ(ini.read("Main", "ComPort"), "3");
    EXPECT_EQ(ini.read("Update", "Window Top"), "5");

    EXPECT_EQ(prefs.readWindowPlacement(), (WindowPlacement{1500, 750, 15360, 10800.5, 0}));
}

TEST(Preferences, ExitCreatesAMissingIniFile) {
    TempFolder tmp;
    const Preferences prefs(tmp / "kelp.ini");
    prefs.writeExitSettings(WindowPlacement{0, 0, 9000, 6000, 2}, RecentFiles{});
    const std::string text = readBytes(tmp / "kelp.ini");
    EXPECT_NE(text.find("Window State=2\r\n"), std::string::npos);
    EXPECT_NE(text.find("LastRCFile(10)=\r\n"), std::string::npos);
}

TEST(Preferences, MemFileRoundTrip) {
    TempFolder tmp;
    const Preferences prefs(tmp / "kelp.ini");
    EXPECT_EQ(prefs.memFile(), "");
    prefs.writeMemFile("/home/op/download.mem");
    EXPECT_EQ(prefs.memFile(), "/home/op/download.mem");
}

}  // namespace
}  // namespace kelp
