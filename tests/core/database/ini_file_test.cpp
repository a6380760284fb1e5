#include "core/database/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

struct ReadCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

TEST(IniFileRead, FollowsTheProfileRules) {
    const std::string longValue(300, 'x');
    const std::vector<ReadCase> cases = {
        {"exact names", "[Timers]\r\nHangTime1(1)=60\r\n", "Timers", "HangTime1(1)", "60"},
        {"names in another case", "[timers]\r\nHANGTIME1(1)=60\r\n", "TIMERS", "hangtime1(1)",
         "60"},
        {"blanks around names and value", "[ Timers ]\r\n  FanTime \t=  12 \t\r\n", "Timers",
         "FanTime", "12"},
        {"missing key", "[Timers]\r\nFanTime=1\r\n", "Timers", "XmtDelay", ""},
        {"missing section", "[Timers]\r\nFanTime=1\r\n", "Alarms", "FanTime", ""},
        {"key of another section", "[Timers]\r\nA=1\r\n[Alarms]\r\nB=2\r\n", "Timers", "B", ""},
        {"Default reads empty", "[Version]\r\nHasRTC=Default\r\n", "Version", "HasRTC", ""},
        {"Default with blanks reads empty", "[Version]\r\nHasRTC=  Default \r\n", "Version",
         "HasRTC", ""},
        {"other case of Default is a value", "[Version]\r\nHasRTC=default\r\n", "Version", "HasRTC",
         "default"},
        {"empty value", "[Macros]\r\nMacro(1)=\r\n", "Macros", "Macro(1)", ""},
        {"long value cut to 254", "[M]\r\nK=" + longValue + "\r\n", "M", "K",
         std::string(254, 'x')},
        {"value of exactly 254 kept", "[M]\r\nK=" + std::string(254, 'y') + "\r\n", "M", "K",
         std::string(254, 'y')},
        {"cut exposes spaces, trimmed", "[M]\r\nK=" + std::string(250, 'x') + "      z\r\n", "M",
         "K", std::string(250, 'x')},
        {"equals sign inside value", "[Unlock]\r\nK=a=b\r\n", "Unlock", "K", "a=b"},
        {"first of two keys", "[T]\r\nK=1\r\nk=2\r\n", "T", "K", "1"},
        {"first of two sections", "[T]\r\nK=1\r\n[t]\r\nK=2\r\nJ=3\r\n", "T", "J", ""},
        {"comment is not a key", "[T]\r\n;K=1\r\n", "T", ";K", ""},
        {"key before any section", "K=1\r\n[T]\r\n", "T", "K", ""},
        {"LF line ends", "[T]\nK=1\nJ=2\n", "T", "J", "2"},
        {"no final line end", "[T]\r\nK=7", "T", "K", "7"},
        {"bytes outside ASCII", "[ID]\r\nName=caf\xC3\xA9 \xFF\r\n", "ID", "Name",
         "caf\xC3\xA9 \xFF"},
        {"byte order mark before first section", "\xEF\xBB\xBF[T]\r\nK=1\r\n", "T", "K", "1"},
    };
    for (const ReadCase& c : cases) {
        EXPECT_EQ(IniFile::parse(c.file).read(c.section, c.key), c.expected) << c.what;
    }
}

TEST(IniFileRead, ValueTellsMissingFromEmpty) {
    const IniFile ini = IniFile::parse("[T]\r\nEmpty=\r\nWord=Default\r\n");
    EXPECT_EQ(ini.value("T", "Empty"), std::optional<std::string>(""));
    EXPECT_EQ(ini.value("t", "word"), std::optional<std::string>("Default"));
    EXPECT_EQ(ini.value("T", "Missing"), std::nullopt);
    EXPECT_TRUE(ini.hasSection("t"));
    EXPECT_FALSE(ini.hasSection("Version"));
}

struct WriteCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(IniFileWrite, MergesInPlace) {
    const std::vector<WriteCase> cases = {
        {"update keeps comments, other keys and order",
         "; made by hand\r\n[Version]\r\nKelpVersion=6.00\r\nDVRWrite=1\r\n\r\n[Timers]\r\n; "
         "ports\r\nFanTime=1\r\n",
         "Version", "KelpVersion", "7.00",
         "; made by hand\r\n[Version]\r\nKelpVersion=7.00\r\nDVRWrite=1\r\n\r\n[Timers]\r\n; "
         "ports\r\nFanTime=1\r\n"},
        {"update keeps the key's spelling in the file", "[timers]\r\nhangtime1(1) = 50\r\n",
         "Timers", "HangTime1(1)", "60", "[timers]\r\nhangtime1(1)=60\r\n"},
        {"new key after the section's last key, before blank lines and comments",
         "[A]\r\nK=1\r\n\r\n; about B\r\n[B]\r\nJ=2\r\n", "A", "New", "x",
         "[A]\r\nK=1\r\nNew=x\r\n\r\n; about B\r\n[B]\r\nJ=2\r\n"},
        {"new key in a section without keys goes right under its header",
         "[A]\r\n\r\n[B]\r\nJ=2\r\n", "a", "K", "1", "[A]\r\nK=1\r\n\r\n[B]\r\nJ=2\r\n"},
        {"new key in the first of two same-named sections", "[A]\r\nK=1\r\n[B]\r\n[A]\r\nL=2\r\n",
         "A", "M", "3", "[A]\r\nK=1\r\nM=3\r\n[B]\r\n[A]\r\nL=2\r\n"},
        {"new section at the end of the file", "[A]\r\nK=1\r\n\r\n", "B", "J", "2",
         "[A]\r\nK=1\r\n\r\n[B]\r\nJ=2\r\n"},
        {"LF file stays LF", "[A]\nK=1\n", "A", "L", "2", "[A]\nK=1\nL=2\n"},
        {"LF file gets an LF section", "[A]\nK=1\n", "B", "J", "2", "[A]\nK=1\n[B]\nJ=2\n"},
        {"no final line end, key added at the end", "[A]\r\nK=1", "A", "L", "2",
         "[A]\r\nK=1\r\nL=2\r\n"},
        {"no final line end, update keeps it so", "[A]\r\nK=1", "A", "K", "5", "[A]\r\nK=5"},
        {"no final line end, key added before a trailing comment", "[A]\r\nK=1\r\n;end", "A", "L",
         "2", "[A]\r\nK=1\r\nL=2\r\n;end"},
        {"bytes outside ASCII pass through", "[ID]\r\nName=caf\xC3\xA9\r\n; \xFE\xFF\r\n", "ID",
         "Other", "\xE2\x82\xAC",
         "[ID]\r\nName=caf\xC3\xA9\r\nOther=\xE2\x82\xAC\r\n; \xFE\xFF\r\n"},
        {"byte order mark kept", "\xEF\xBB\xBF[A]\r\nK=1\r\n", "A", "K", "2",
         "\xEF\xBB\xBF[A]\r\nK=2\r\n"},
        {"empty value written empty", "[Unlock]\r\nNewLock=1234\r\n", "Unlock", "NewLock", "",
         "[Unlock]\r\nNewLock=\r\n"},
        {"LF file: a line ending in CR CR LF keeps both CRs", "[A]\nX=1\r\r\nK=1\n", "A", "K", "2",
         "[A]\nX=1\r\r\nK=2\n"},
        {"a last line ending in a lone CR keeps it", "[A]\nK=1\n;c\r", "A", "K", "2",
         "[A]\nK=2\n;c\r"},
        {"CR LF file: a line ending in a lone LF keeps it", "[A]\r\nX=1\nK=1\r\n", "A", "K", "2",
         "[A]\r\nX=1\nK=2\r\n"},
        {"key before any section is left alone", "K=1\r\n[A]\r\n", "A", "K", "2",
         "K=1\r\n[A]\r\nK=2\r\n"},
    };
    for (const WriteCase& c : cases) {
        IniFile ini = IniFile::parse(c.before);
        EXPECT_TRUE(ini.write(c.section, c.key, c.value)) << c.what;
        EXPECT_EQ(ini.text(), c.after) << c.what;
        EXPECT_EQ(ini.read(c.section, c.key), c.value) << c.what;
    }
}

// Parsed and written back without a change, any bytes come back as they were, however their
// lines end.
TEST(IniFileWrite, UntouchedTextKeepsEveryByte) {
    for (const std::string& text : std::vector<std::string>{
             "\r\r", "\r", "\n\r\r\n", "[A]\r\r\n\rK=1\r", "[A]\nK=1\r\r\n[B]\r\n\n\r",
             std::string("K=\0\r\n\r", 6), "\xEF\xBB\xBF\r\r"}) {
        EXPECT_EQ(IniFile::parse(text).text(), text) << ::testing::PrintToString(text);
    }
}

TEST(IniFileWrite, NewFileGetsCrLf) {
    IniFile ini;
    ini.write("Version", "KelpVersion", "7.00");
    ini.write("Timers", "HangTime1(1)", "50");
    ini.write("Version", "FirmwareVersion", "700");
    EXPECT_EQ(ini.lineEnd(), IniFile::LineEnd::CrLf);
    EXPECT_EQ(
        ini.text(),
        "[Version]\r\nKelpVersion=7.00\r\nFirmwareVersion=700\r\n[Timers]\r\nHangTime1(1)=50\r\n");
}

TEST(IniFileWrite, KeysAddedMidSectionStayFindable) {
    // Inserting ahead of blank lines shifts the later lines; every key must still be found.
    IniFile ini = IniFile::parse("[A]\r\nK1=1\r\n\r\n; tail\r\nK9=9\r\n");
    ini.write("A", "K2", "2");
    ini.write("A", "K3", "3");
    ini.write("A", "K1", "one");
    EXPECT_EQ(ini.text(), "[A]\r\nK1=one\r\n\r\n; tail\r\nK9=9\r\nK2=2\r\nK3=3\r\n");

    IniFile gap = IniFile::parse("[A]\r\nK1=1\r\n\r\n[B]\r\n");
    gap.write("A", "K2", "2");
    gap.write("A", "K3", "3");
    EXPECT_EQ(gap.read("A", "K1"), "1");
    EXPECT_EQ(gap.read("A", "K2"), "2");
    EXPECT_EQ(gap.read("A", "K3"), "3");
    EXPECT_EQ(gap.text(), "[A]\r\nK1=1\r\nK2=2\r\nK3=3\r\n\r\n[B]\r\n");
}

TEST(IniFileWrite, SameValueChangesNothing) {
    const std::string before = "[A]\r\nK = 1\r\n";
    IniFile ini = IniFile::parse(before);
    EXPECT_FALSE(ini.write("a", "k", "1"));
    EXPECT_FALSE(ini.modified());
    EXPECT_EQ(ini.text(), before);
}

TEST(IniFileWrite, RefusesTextsThatWouldBreakTheFile) {
    struct Bad {
        const char* section;
        const char* key;
        const char* value;
    };
    const std::vector<Bad> cases = {
        {"A", "K", "two\r\nlines"}, {"A", "K", "[Version]\n"}, {"A\r", "K", "1"}, {"A", "K\n", "1"},
        {"A]", "K", "1"},           {"A", "K=J", "1"},         {"", "K", "1"},    {"A", " ", "1"},
        {"A", ";K", "1"},
    };
    for (const Bad& c : cases) {
        IniFile ini = IniFile::parse("[A]\r\nK=0\r\n");
        EXPECT_THROW(ini.write(c.section, c.key, c.value), std::invalid_argument)
            << c.section << "/" << c.key << "/" << c.value;
        EXPECT_EQ(ini.text(), "[A]\r\nK=0\r\n");
    }
}

TEST(IniFileFile, LoadsMissingFileAsEmpty) {
    TempFolder tmp;
    const IniFile ini = IniFile::load(tmp / "absent.dat");
    EXPECT_EQ(ini.text(), "");
    EXPECT_EQ(ini.read("Version", "HasRTC"), "");
    EXPECT_FALSE(std::filesystem::exists(tmp / "absent.dat"));
}

TEST(IniFileFile, RefusesToLoadAFolder) {
    TempFolder tmp;
    EXPECT_THROW(IniFile::load(tmp.path()), std::filesystem::filesystem_error);
}

TEST(IniFileFile, SaveWritesExactBytesAndLeavesNoTemporary) {
    TempFolder tmp;
    const auto file = tmp / "repeater.dat";
    const std::string lf = "[Version]\nKelpVersion=6.00\n; keep me\n";
    writeBytes(file, lf);

    IniFile ini = IniFile::load(file);
    ini.write("Version", "KelpVersion", "7.00");
    ini.write("Timers", "FanTime", "5");
    ini.save(file);

    EXPECT_EQ(readBytes(file), "[Version]\nKelpVersion=7.00\n; keep me\n[Timers]\nFanTime=5\n");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(IniFileFile, SaveKeepsPermissionsAndFollowsLinks) {
    TempFolder tmp;
    const auto real = tmp / "real.dat";
    const auto link = tmp / "link.dat";
    writeBytes(real, "[A]\r\nK=1\r\n");
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_symlink(real, link);

    IniFile ini = IniFile::load(link);
    ini.write("A", "K", "2");
    ini.save(link);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readBytes(real), "[A]\r\nK=2\r\n");
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST(IniFileFile, FailedSaveLeavesTargetIntact) {
    TempFolder tmp;
    IniFile ini;
    ini.write("A", "K", "1");

    // The folder does not exist: nothing can be written and nothing appears.
    const auto nowhere = tmp / "missing" / "x.dat";
    EXPECT_THROW(ini.save(nowhere), std::filesystem::filesystem_error);
    EXPECT_FALSE(std::filesystem::exists(nowhere.parent_path()));

    // The target is a folder with contents: the temporary file is written beside it but the
    // rename fails; the folder keeps its contents and the temporary file is gone.
    const auto occupied = tmp / "occupied.dat";
    std::filesystem::create_directory(occupied);
    writeBytes(occupied / "inside.txt", "keep");
    EXPECT_THROW(ini.save(occupied), std::filesystem::filesystem_error);
    EXPECT_EQ(readBytes(occupied / "inside.txt"), "keep");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(tmp.path())) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"occupied.dat"});
}

}  // namespace
}  // namespace kelp
