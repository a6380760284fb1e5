#include "core/database/error_log.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/scripted_prompter.h"
#include "tests/support/virtual_clock.h"
#include "core/database/controller_database.h"
#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

using testing::readBytes;
using testing::TempFolder;

std::chrono::system_clock::time_point localMoment(int year, int month, int day, int hour,
                                                  int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = 30;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t));
}

const std::string kRule = "******************************************";

TEST(ErrorLog, LoadReportHasHeaderAndEntriesInOrder) {
    TempFolder tmp;
    ErrorLog log;
    log.create(tmp.path());
    log.writeHeader("/home/op/site.dat", false, localMoment(2024, 3, 7, 9, 5));
    log.writeEntry(
        "Timers: Port 1: Hang Timer 1 not valid -- DAT item: HangTime1(1)\r\n"
        "Value received was '300'\r\nDefaulted to 50",
        LogSeverity::Error);
    log.writeEntry(
        "DTMF: DTMF Parameters: Delay not valid -- DAT item: DTMFDelay\r\n"
        "Value received is '300'\r\nValue has been defaulted to 100",
        LogSeverity::Error);
    EXPECT_TRUE(log.errors());
    EXPECT_FALSE(log.warnings());
    log.writeEntry("Logic Alarms/R Base: Memory Number 3", LogSeverity::Warning);
    log.close();

    EXPECT_EQ(log.path(), tmp.path() / "error.log");
    EXPECT_TRUE(log.warnings());
    EXPECT_EQ(readBytes(log.path()),
              "RESULTS OF dat EDIT/VALIDATION\r\n"
              "Load of file: /home/op/site.dat\r\n"
              "Initiated at: 20240307 0905\r\n"
              "\r\n" +
                  kRule +
                  "\r\n"
                  "Timers: Port 1: Hang Timer 1 not valid -- DAT item: HangTime1(1)\r\n"
                  "Value received was '300'\r\nDefaulted to 50\r\n"
                  "\r\n" +
                  kRule +
                  "\r\n"
                  "DTMF: DTMF Parameters: Delay not valid -- DAT item: DTMFDelay\r\n"
                  "Value received is '300'\r\nValue has been defaulted to 100\r\n"
                  "\r\n" +
                  kRule +
                  "\r\nWARNING ONLY\r\n"
                  "Logic Alarms/R Base: Memory Number 3\r\n");

    log.clearFlags();
    EXPECT_FALSE(log.errors());
    EXPECT_FALSE(log.warnings());
}

TEST(ErrorLog, EachLoadStartsAFreshLog) {
    TempFolder tmp;
    ErrorLog log;
    log.create(tmp.path());
    log.writeEntry("old entry", LogSeverity::Error);
    log.close();

    log.create(tmp.path());
    log.writeHeader("/d/x.dat", true, localMoment(2023, 12, 31, 23, 58));
    log.close();
    EXPECT_EQ(readBytes(tmp / "error.log"),
              "RESULTS OF dat EDIT/VALIDATION\r\n"
              "Download from controller into file: /d/x.dat\r\n"
              "Initiated at: 20231231 2358\r\n");
}

TEST(ErrorLog, HeaderTakesTheDatabaseAndClock) {
    TempFolder tmp;
    resetProcessDatabase();
    db().currentFile = "/srv/qz740/hilltop.dat";
    VirtualClock clock(localMoment(2025, 1, 2, 0, 0));
    clock.sleepMs(61 * 1000);
    ScopedClock installed(clock);

    ErrorLog log;
    log.create(tmp.path());
    log.writeHeader();
    db().downloadIntoFile = true;
    log.writeHeader();
    log.close();
    resetProcessDatabase();

    EXPECT_EQ(readBytes(tmp / "error.log"),
              "RESULTS OF dat EDIT/VALIDATION\r\n"
              "Load of file: /srv/qz740/hilltop.dat\r\n"
              "Initiated at: 20250102 0001\r\n"
              "RESULTS OF dat EDIT/VALIDATION\r\n"
              "Download from controller into file: /srv/qz740/hilltop.dat\r\n"
              "Initiated at: 20250102 0001\r\n");
}

TEST(ErrorLog, EntryRecreatesALogThatWasRemoved) {
    TempFolder tmp;
    ErrorLog log;
    log.create(tmp.path());
    log.writeHeader("/d/x.dat", false, localMoment(2024, 1, 1, 12, 0));
    log.writeEntry("first", LogSeverity::Error);
    std::filesystem::remove(tmp / "error.log");
    log.writeEntry("second", LogSeverity::Warning);
    log.close();
    EXPECT_EQ(readBytes(tmp / "error.log"), "\r\n" + kRule + "\r\nWARNING ONLY\r\nsecond\r\n");
}

TEST(ErrorLog, EntryWithoutALoadGoesToTheApplicationFolder) {
    TempFolder tmp;
    setAppFolder(tmp.path());
    ErrorLog log;
    log.writeEntry("stray", LogSeverity::Error);
    log.close();
    setAppFolder({});
    EXPECT_EQ(log.path(), tmp.path() / "error.log");
    EXPECT_EQ(readBytes(tmp / "error.log"), "\r\n" + kRule + "\r\nstray\r\n");
}

TEST(ErrorLog, EntriesReachTheDiskAtOnce) {
    TempFolder tmp;
    ErrorLog log;
    log.create(tmp.path());
    log.writeEntry("one", LogSeverity::Error);
    // Still open: what a crash now would leave behind is complete up to the last entry.
    EXPECT_EQ(readBytes(tmp / "error.log"), "\r\n" + kRule + "\r\none\r\n");
}

TEST(ErrorLog, CreateInAMissingFolderThrows) {
    TempFolder tmp;
    ErrorLog log;
    EXPECT_THROW(log.create(tmp / "no" / "such"), std::system_error);
}

TEST(ErrorLog, FormatsLocalTime) {
    struct Case {
        int year, month, day, hour, minute;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {2024, 1, 5, 9, 7, "20240105 0907"},
        {1999, 12, 31, 23, 59, "19991231 2359"},
        {2030, 10, 10, 0, 0, "20301010 0000"},
    };
    for (const Case& c : cases) {
        std::tm t{};
        t.tm_year = c.year - 1900;
        t.tm_mon = c.month - 1;
        t.tm_mday = c.day;
        t.tm_hour = c.hour;
        t.tm_min = c.minute;
        EXPECT_EQ(formatLogTime(t), c.expected);
    }
}

TEST(ViewErrorLog, OpensTheLogOrSaysThereIsNone) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    ErrorLog log;

    viewErrorLog(prompter, log);  // nothing loaded since the program started
    EXPECT_TRUE(prompter.openedTextFiles().empty());
    ASSERT_EQ(prompter.messageBoxes().size(), 1u);
    EXPECT_EQ(prompter.lastMessageBox().title, "View Error Log");
    EXPECT_NE(prompter.lastMessageBox().text.find("no error log"), std::string::npos);

    log.create(tmp.path());
    log.close();
    viewErrorLog(prompter, log);
    EXPECT_EQ(prompter.openedTextFiles(), std::vector<std::filesystem::path>{tmp / "error.log"});
    EXPECT_EQ(prompter.messageBoxes().size(), 1u);

    prompter.setViewerAvailable(false);
    viewErrorLog(prompter, log);
    EXPECT_EQ(prompter.messageBoxes().size(), 2u);
    EXPECT_NE(prompter.lastMessageBox().text.find((tmp / "error.log").string()), std::string::npos);

    std::filesystem::remove(tmp / "error.log");
    prompter.setViewerAvailable(true);
    viewErrorLog(prompter, log);
    EXPECT_EQ(prompter.openedTextFiles().size(), 2u);  // not opened again
    EXPECT_EQ(prompter.messageBoxes().size(), 3u);
}

}  // namespace
}  // namespace kelp
