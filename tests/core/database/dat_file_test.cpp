#include "core/database/dat_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/error_reporter.h"
#include "core/app/scripted_prompter.h"
#include "tests/support/virtual_clock.h"
#include "core/database/controller_database.h"
#include "core/database/error_log.h"
#include "core/database/ini_file.h"
#include "core/database/key_rules.h"
#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

namespace fs = std::filesystem;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

const std::string kFullRtc = std::string(KELP_TEST_DATA) + "/full_rtc.dat";
const std::string kRule = "\r\n\r\n******************************************\r\n";

// Every setting of the database in key table order, with the database-wide values the file
// carries.
std::vector<std::string> snapshot(const ControllerDatabase& d) {
    std::vector<std::string> values{d.firmwareVersion, d.hasRtc ? "rtc" : "no rtc"};
    for (const KeyDescriptor& key : keyTable()) {
        if (key.shape == KeyShape::Courtesy) {
            for (int p = 1; p <= kCourtesyPorts; ++p)
                for (int n = 1; n <= key.count; ++n) values.push_back(d.courtesy(key.name, p, n));
        } else if (key.shape == KeyShape::Single) {
            values.push_back(d.get(key.name));
        } else {
            for (int n = 1; n <= key.count; ++n) values.push_back(d.get(key.name, n));
        }
    }
    return values;
}

struct Edit {
    std::string section;
    std::string key;
    std::optional<std::string> value;  // nullopt: the key is taken out of the file
};

class RecordingIndicator : public SaveIndicator {
  public:
    void show() override { ++shown; }
    void hide() override { ++hidden; }
    int shown = 0;
    int hidden = 0;
};

class DatFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetProcessDatabase();
        loadMenuState() = LoadMenuState{};
        fs::create_directories(tmp / "app");
        setAppFolder(tmp / "app");
        setLoadTerminateHook([this] { ++terminations; });
        prompter.setDefaultAnswer(Answer::No);
    }
    void TearDown() override {
        errorLog().close();
        errorLog().clearFlags();
        setLoadTerminateHook({});
        setSaveIndicator(nullptr);
        setAppFolder({});
    }

    // The full RTC database with some keys changed or taken out, as a file in the test folder.
    std::string fileWith(const std::vector<Edit>& edits, const std::string& name = "site.dat") {
        IniFile ini = IniFile::parse(readBytes(kFullRtc));
        std::string text;
        for (const Edit& edit : edits)
            if (edit.value)
                ini.write(edit.section, edit.key, *edit.value);
        text = ini.text();
        for (const Edit& edit : edits) {
            if (edit.value)
                continue;
            const std::string line = "\r\n" + edit.key + "=";
            const auto at = text.find(line);
            EXPECT_NE(at, std::string::npos) << edit.key;
            text.erase(at, text.find("\r\n", at + 2) - at);
        }
        const std::string path = (tmp / name).string();
        writeBytes(path, text);
        return path;
    }

    void load(const std::string& path) {
        db().currentFile = path;
        FileLoad();
    }

    std::string logPath() const { return (tmp / "app" / "error.log").string(); }

    // The entries of error.log, without their separators; warnings keep "WARNING ONLY".
    std::vector<std::string> entries() const {
        const std::string log = readBytes(logPath());
        std::vector<std::string> found;
        std::size_t at = log.find(kRule);
        while (at != std::string::npos) {
            const std::size_t start = at + kRule.size();
            const std::size_t next = log.find(kRule, start);
            std::string entry =
                log.substr(start, (next == std::string::npos ? log.size() : next) - start);
            if (entry.size() >= 2 && entry.compare(entry.size() - 2, 2, "\r\n") == 0)
                entry.resize(entry.size() - 2);
            found.push_back(entry);
            at = next;
        }
        return found;
    }

    TempFolder tmp;
    ScriptedPrompter prompter;
    ScopedPrompter installedPrompter{prompter};
    VirtualClock clock;
    ScopedClock installedClock{clock};
    int terminations = 0;
};

// ---- whole files ----------------------------------------------------------------------

TEST_F(DatFileTest, FullRtcFileLoadsWithoutRepairs) {
    load(fileWith({}));
    const ControllerDatabase& d = db();
    ASSERT_TRUE(d.loaded);
    EXPECT_TRUE(entries().empty());
    EXPECT_TRUE(prompter.messageBoxes().empty());
    EXPECT_EQ(d.firmwareVersion, "700");
    EXPECT_TRUE(d.hasRtc);
    EXPECT_TRUE(d.dvrWrite);
    const LoadMenuState& menu = loadMenuState();
    EXPECT_TRUE(menu.rtcYes && !menu.rtcNo && menu.dvrWrite && !menu.dvrDontWrite);
    EXPECT_TRUE(menu.rtcMenuEnabled && menu.dvrMenuEnabled);
    // Spot checks that catch a shifted index or a lost key.
    EXPECT_EQ(d.get("HangTime2", 3), "23");
    EXPECT_EQ(d.get("P3MessageNum", 2), "32");
    EXPECT_EQ(d.get("Hours", 3), "99");  // "0A" in the file
    EXPECT_EQ(d.get("ClockCorrection"), "A5");
    EXPECT_EQ(d.get("FreqString", 30), "1450301");
    EXPECT_EQ(d.get("FreqString", 31), "NONE");
    EXPECT_EQ(d.get("MessageMacro", 70), "SEVEN B");
    EXPECT_EQ(d.get("DTMF", 50), "NONE STORED");
    EXPECT_EQ(d.courtesy("Tone8", 3, 10), "543");
    EXPECT_EQ(d.get("DVRSeconds", 64), "192");
    EXPECT_FALSE(d.lockConflict);
}

TEST_F(DatFileTest, LoadThenSaveReproducesTheFileByteForByte) {
    const std::string path = fileWith({});
    const std::string before = readBytes(path);
    load(path);
    ASSERT_TRUE(db().loaded);
    db().saved = false;
    ASSERT_TRUE(FileWrite());
    EXPECT_EQ(readBytes(path), before);
    EXPECT_TRUE(db().saved);
}

TEST_F(DatFileTest, SaveToNewFileThenLoadGivesTheSameDatabase) {
    load(fileWith({}));
    const std::vector<std::string> loaded = snapshot(db());

    const std::string fresh = (tmp / "fresh.dat").string();
    db().currentFile = fresh;
    ASSERT_TRUE(FileWrite());
    const std::string text = readBytes(fresh);
    EXPECT_EQ(text.rfind("[Version]\r\nKelpVersion=7.00\r\nFirmwareVersion=700\r\nHasRTC=1\r\n", 0),
              0u);

    resetProcessDatabase();
    load(fresh);
    ASSERT_TRUE(db().loaded);
    EXPECT_EQ(snapshot(db()), loaded);
}

TEST_F(DatFileTest, LfFileLoadsLikeCrLfAndKeepsItsLineEnds) {
    load(fileWith({}));
    const std::vector<std::string> crlf = snapshot(db());

    std::string text = readBytes(kFullRtc);
    std::string lf;
    for (char c : text)
        if (c != '\r')
            lf += c;
    const std::string path = (tmp / "lf.dat").string();
    writeBytes(path, lf);
    resetProcessDatabase();
    load(path);
    ASSERT_TRUE(db().loaded);
    EXPECT_EQ(snapshot(db()), crlf);

    db().set("HangTime1", 1, "99");
    ASSERT_TRUE(FileWrite());
    const std::string saved = readBytes(path);
    EXPECT_EQ(saved.find('\r'), std::string::npos);
    EXPECT_NE(saved.find("\nHangTime1(1)=99\n"), std::string::npos);
}

// ---- writer ---------------------------------------------------------------------------

// Pending codes saved for the next complete upload outlive any save; only sending or
// recording them empties them.
TEST_F(DatFileTest, WriterAdjustsValuesAndKeepsPendingCodes) {
    load(fileWith({}));
    ControllerDatabase& d = db();
    d.set("P2MessageNum", 1, "0");
    d.set("Hours", 5, "99");
    d.set("MessageMacro", 12, "");
    for (int p = 1; p <= 3; ++p) d.set("NewPortUnlock", p, "4321");
    d.set("NewLock", "7");
    d.set("NewTerminator", "C");
    d.saved = false;

    ASSERT_TRUE(FileWrite());
    const IniFile file = IniFile::load(d.currentFile);
    const struct {
        const char* section;
        const char* key;
        const char* file;
        const char* memory;
        const char* name;
        int index;
    } cases[] = {
        {"PortSwitches", "P2MessageNum(1)", "90", "90", "P2MessageNum", 1},
        {"Scheduler", "Hours(5)", "0A", "99", "Hours", 5},
        {"MessageMacros", "MessageMacro(12)", "NONE STORED", "NONE STORED", "MessageMacro", 12},
        {"Unlock", "NewPortUnlock(1)", "4321", "4321", "NewPortUnlock", 1},
        {"Unlock", "NewPortUnlock(3)", "4321", "4321", "NewPortUnlock", 3},
        {"Unlock", "NewLock", "7", "7", "NewLock", 0},
        {"Unlock", "NewTerminator", "C", "C", "NewTerminator", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(file.value(c.section, c.key), std::optional<std::string>(c.file));
        EXPECT_EQ(d.get(c.name, c.index), c.memory);
    }
    EXPECT_TRUE(d.saved);
}

TEST_F(DatFileTest, SavingMergesIntoTheFileAndKeepsForeignKeys) {
    const std::string path = (tmp / "merge.dat").string();
    writeBytes(path,
               "; kept by the site's own tool\n"
               "[Version]\nDVRWrite=0\nFirmwareVersion=528\n\n"
               "[Timers]\nHangTime1(1)=5\nSiteNote=north hill\n\n"
               "[Foreign]\nColour=green\n");
    load(fileWith({}));
    db().currentFile = path;
    ASSERT_TRUE(FileWrite());

    const std::string text = readBytes(path);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.rfind(
                  "; kept by the site's own tool\n[Version]\nDVRWrite=0\nFirmwareVersion=700\n", 0),
              0u);
    const IniFile file = IniFile::parse(text);
    EXPECT_EQ(file.read("Timers", "SiteNote"), "north hill");
    EXPECT_EQ(file.read("Timers", "HangTime1(1)"), "11");
    EXPECT_EQ(file.read("Foreign", "Colour"), "green");
    EXPECT_EQ(file.read("Version", "KelpVersion"), "7.00");
}

TEST_F(DatFileTest, WithoutRtcOptionOnlyTheSmallerCountsAreWritten) {
    const std::string path = fileWith({});
    load(path);
    ControllerDatabase& d = db();
    d.hasRtc = false;
    d.set("FreqString", 1, "1111112");
    d.set("FreqString", 11, "NONE");
    d.set("MessageMacro", 41, "ONE");
    d.set("DTMF", 21, "1");
    ASSERT_TRUE(FileWrite());

    const IniFile file = IniFile::load(path);
    EXPECT_EQ(file.read("Version", "HasRTC"), "0");
    EXPECT_EQ(file.read("Remote", "FreqString(1)"), "1111112");
    EXPECT_EQ(file.read("Remote", "FreqString(11)"), "1450113");  // untouched
    EXPECT_EQ(file.read("Remote", "FreqString(40)"), "NONE");
    EXPECT_EQ(file.read("MessageMacros", "MessageMacro(41)"), "J FOUR");
    EXPECT_EQ(file.read("DTMF", "DTMF(21)"), "2 1 A #");

    const std::string fresh = (tmp / "small.dat").string();
    d.currentFile = fresh;
    ASSERT_TRUE(FileWrite());
    const IniFile small = IniFile::load(fresh);
    EXPECT_TRUE(small.value("Remote", "FreqString(10)").has_value());
    EXPECT_FALSE(small.value("Remote", "FreqString(11)").has_value());
    EXPECT_FALSE(small.value("MessageMacros", "MessageMacro(41)").has_value());
    EXPECT_FALSE(small.value("DTMF", "DTMF(21)").has_value());
}

TEST_F(DatFileTest, FailedSaveLeavesTheOldFileIntactAndSaysSo) {
    load(fileWith({}));
    // A name so long that the temporary file beside it cannot be created.
    const std::string path = (tmp / (std::string(240, 'x') + ".dat")).string();
    writeBytes(path, "[Version]\r\nFirmwareVersion=528\r\n");
    RecordingIndicator indicator;
    setSaveIndicator(&indicator);
    prompter.clearRecords();
    db().saved = false;
    db().currentFile = path;

    EXPECT_FALSE(FileWrite());
    EXPECT_EQ(readBytes(path), "[Version]\r\nFirmwareVersion=528\r\n");
    EXPECT_FALSE(db().saved);
    EXPECT_EQ(indicator.shown, 1);
    EXPECT_EQ(indicator.hidden, 1);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(tmp.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 2);  // site.dat and the old file, no temporary left behind

    const std::vector<PromptRecord> boxes = prompter.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, kSystemErrorTitle);
    EXPECT_NE(boxes[0].text.find("\r\nLocation = Declarations: FileWrite\r\n\r\n"),
              std::string::npos)
        << boxes[0].text;
    EXPECT_EQ(boxes[1].title, "***** Kelp SYSTEM ERROR *****");
    EXPECT_EQ(boxes[1].icon, MessageIcon::Critical);
    EXPECT_EQ(boxes[1].text,
              "An error occurred while writing data to dat file:\r\n\r\n" + path +
                  "\r\n\r\nTHE DATA IN THE dat FILE IS INCOMPLETE OR ERRONEOUS.  DO NOT USE "
                  "IT!!!\r\nPlease close the program, check your data, and the run the program "
                  "again.\r\nIf the error continues, please notify Zandrel and make sure you give "
                  "them the information above.");
}

TEST_F(DatFileTest, AnEmptyDatabaseIsNeverWritten) {
    const std::string path = fileWith({});
    const std::string before = readBytes(path);
    db().reset();  // what a declined load leaves
    db().currentFile = path;
    prompter.clearRecords();
    EXPECT_FALSE(FileWrite());
    EXPECT_EQ(readBytes(path), before);
    EXPECT_TRUE(db().saved);  // nothing the operator made was lost
    EXPECT_EQ(prompter.lastMessageBox().title, kNothingToWriteTitle);
}

TEST_F(DatFileTest, KeyThatCannotBeWrittenIsReportedAndTheRestIsSaved) {
    const std::string path = fileWith({});
    load(path);
    prompter.clearRecords();
    db().set("AutoDial", 3, "555\r\n[Version]");  // would break the file's structure
    db().set("AutoDial", 4, "5550104");

    EXPECT_FALSE(FileWrite());
    EXPECT_FALSE(db().saved);
    const std::vector<PromptRecord> boxes = prompter.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[0].text.find("Location = Declarations: FileWrite\r\n"), std::string::npos);
    EXPECT_EQ(boxes[1].text.rfind("An error occurred while writing data to dat file:", 0), 0u);
    const IniFile file = IniFile::load(path);
    EXPECT_EQ(file.read("Autopatch", "AutoDial(3)"), "");  // as it was
    EXPECT_EQ(file.read("Autopatch", "AutoDial(4)"), "5550104");
}

TEST_F(DatFileTest, WriterShowsTheIndicationAndYieldsBetweenIndexSteps) {
    load(fileWith({}));
    RecordingIndicator indicator;
    setSaveIndicator(&indicator);
    const int before = clock.yieldCount();
    ASSERT_TRUE(FileWrite());
    EXPECT_EQ(indicator.shown, 1);
    EXPECT_EQ(indicator.hidden, 1);
    // At least once per courtesy tone and per auto-dial slot.
    EXPECT_GT(clock.yieldCount() - before, 200);
}

// ---- loader: version, RTC and DVR -----------------------------------------------------

TEST_F(DatFileTest, FirmwareQuestionBranches) {
    const struct {
        const char* name;
        std::optional<std::string> firmware;  // nullopt: no key
        std::vector<Answer> answers;
        std::optional<std::string> typed;
        bool loaded;
        std::string version;
        std::vector<std::string> titles;
    } cases[] = {
        {"typed in", std::nullopt, {Answer::Yes}, "7.01", true, "701", {"VERSION DIFFERENCE"}},
        {"typed, other family, accepted",
         std::nullopt,
         {Answer::Yes, Answer::Yes},
         "5.28",
         true,
         "528",
         {"VERSION DIFFERENCE", "VERSION DIFFERENCE"}},
        {"not typed",
         std::nullopt,
         {Answer::No},
         std::nullopt,
         true,
         "",
         {"VERSION DIFFERENCE", "VERSION DIFFERENCE"}},
        {"other family, accepted",
         "528",
         {Answer::Yes},
         std::nullopt,
         true,
         "528",
         {"VERSION DIFFERENCE"}},
        {"other family, refused",
         "528",
         {Answer::No},
         std::nullopt,
         false,
         "",
         {"VERSION DIFFERENCE"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProcessDatabase();
        prompter.clearRecords();
        std::error_code ignored;
        fs::remove(logPath(), ignored);
        const std::string path = fileWith({{"Version", "FirmwareVersion", c.firmware}},
                                          std::string("fw-") + c.name + ".dat");
        for (Answer a : c.answers) prompter.queueAnswer(a);
        if (c.typed)
            prompter.queueInput(*c.typed);

        load(path);
        EXPECT_EQ(db().loaded, c.loaded);
        EXPECT_EQ(loadStoppedAtFirmware(), !c.loaded);
        EXPECT_EQ(db().firmwareVersion, c.version);
        std::vector<std::string> titles;
        for (const PromptRecord& box : prompter.messageBoxes()) titles.push_back(box.title);
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(prompter.unusedAnswers(), 0u);
        if (c.typed) {
            EXPECT_EQ(IniFile::load(path).read("Version", "FirmwareVersion"), c.version);
        }
        if (!c.loaded) {
            // Stopped before anything was read or logged.
            EXPECT_EQ(db().get("HangTime1", 1), "");
            EXPECT_FALSE(fs::exists(logPath()));
        }
    }
}

TEST_F(DatFileTest, FirmwareBoxesReadExactly) {
    prompter.queueAnswer(Answer::No);
    load(fileWith({{"Version", "FirmwareVersion", "528"}}));
    PromptRecord box = prompter.lastMessageBox();
    EXPECT_EQ(box.icon, MessageIcon::Critical);
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_EQ(box.defaultButton, DefaultButton::Second);
    EXPECT_EQ(box.text,
              "This version of Kelp is for use with Firmware version 70xx\r\n"
              "This DAT file is for Firmware version 528\r\n\r\n"
              "This version of the Kelp is NOT consistent with the Firmware version of the DAT "
              "file\r\n"
              "Editing the DAT file with this version of the Kelp could create errors in your "
              "data\r\n\r\nDo you wish to continue editing this DAT file?");

    prompter.clearRecords();
    prompter.queueAnswer(Answer::No);
    load(fileWith({{"Version", "FirmwareVersion", std::nullopt}}));
    const std::vector<PromptRecord> boxes = prompter.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Question);
    EXPECT_EQ(boxes[0].text,
              "This DAT file does not have a Firmware version\r\n\r\n"
              "Would you like to enter the version manually now?");
    EXPECT_EQ(boxes[1].icon, MessageIcon::Critical);
    EXPECT_EQ(boxes[1].text,
              "Editing a DAT file for one version of the firmware with Kelp for a different "
              "version can create errors in your data\r\n\r\n"
              "This Kelp is for Firmware version: 70xx");
}

TEST_F(DatFileTest, UnclearRtcIsAskedAndTheAnswerWrittenAtOnce) {
    for (const bool yes : {true, false}) {
        SCOPED_TRACE(yes);
        resetProcessDatabase();
        prompter.clearRecords();
        const std::string path = fileWith({{"Version", "HasRTC", "yes"}});
        prompter.queueAnswer(yes ? Answer::Yes : Answer::No);
        load(path);
        ASSERT_TRUE(db().loaded);
        EXPECT_EQ(prompter.beepCount(), 1);
        const PromptRecord box = prompter.messageBoxes().front();
        EXPECT_EQ(box.title, "RTC Installed?");
        EXPECT_EQ(box.text, "Is this file for a controller with an RTC installed?");
        EXPECT_EQ(box.icon, MessageIcon::Question);
        EXPECT_EQ(IniFile::load(path).read("Version", "HasRTC"), yes ? "1" : "0");
        EXPECT_EQ(db().hasRtc, yes);
        EXPECT_EQ(loadMenuState().rtcYes, yes);
        EXPECT_EQ(loadMenuState().rtcNo, !yes);
        // Memories 11-40 are read only with the option board.
        EXPECT_EQ(db().get("FreqString", 11), yes ? "1450113" : "");
        EXPECT_EQ(db().get("MessageMacro", 41), yes ? "J FOUR" : "");
        EXPECT_EQ(db().get("DTMF", 21), yes ? "2 1 A #" : "");
    }
}

TEST_F(DatFileTest, DvrWriteMarks) {
    const struct {
        std::optional<std::string> value;
        bool write;
        bool dontWrite;
    } cases[] = {
        {"1", true, false}, {"0", false, true}, {"2", false, false}, {std::nullopt, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.value_or("(none)"));
        load(fileWith({{"Version", "DVRWrite", c.value}}));
        EXPECT_EQ(loadMenuState().dvrWrite, c.write);
        EXPECT_EQ(loadMenuState().dvrDontWrite, c.dontWrite);
        EXPECT_EQ(db().dvrWrite, c.write);
        EXPECT_TRUE(loadMenuState().dvrMenuEnabled);
    }
}

// ---- loader: checks, defaults and special rules ---------------------------------------

TEST_F(DatFileTest, RepairsAndTheirReportEntries) {
    const std::string timersWas = "Value received was '";
    const struct {
        const char* name;
        std::vector<Edit> edits;
        const char* key;
        int index;
        const char* expected;
        std::vector<std::string> entries;
    } cases[] = {
        {"timers style",
         {{"Timers", "HangTime1(2)", "abc"}},
         "HangTime1",
         2,
         "50",
         {"Timers: Port 2: Hang Timer 1 not valid -- DAT item: HangTime1(2)\r\n"
          "Value received was 'abc'\r\nDefaulted to 50"}},
        {"standard style",
         {{"DTMF", "DTMFDelay", "300"}},
         "DTMFDelay",
         0,
         "100",
         {"DTMF: DTMF Parameters: Delay not valid -- DAT item: DTMFDelay\r\n"
          "Value received is '300'\r\nValue has been defaulted to 100"}},
        {"silent default", {{"DTMF", "DTMFDelay", std::nullopt}}, "DTMFDelay", 0, "1", {}},
        {"missing key without silent default",
         {{"PortSwitches", "TxEnable(2)", std::nullopt}},
         "TxEnable",
         2,
         "1",
         {"Port Switches: Port 2: Transmitter Enable not valid -- DAT item: TxEnable(2)\r\n"
          "Value received is ''\r\nValue has been defaulted to 1"}},
        {"silent port switch",
         {{"PortSwitches", "RxEnable(2)", std::nullopt}},
         "RxEnable",
         2,
         "1",
         {}},
        {"tail message macro 0",
         {{"PortSwitches", "P1MessageNum(1)", "0"}},
         "P1MessageNum",
         1,
         "90",
         {}},  // entry checked by text below
        {"speech timer longer than the ID timer",
         {{"Timers", "IDSpeakTime(1)", "700"}},
         "IDSpeakTime",
         1,
         "540",
         {}},
        {"every hour", {{"Scheduler", "Hours(5)", "0A"}}, "Hours", 5, "99", {}},
        {"every hour, older form", {{"Scheduler", "Hours(6)", "254"}}, "Hours", 6, "99", {}},
        {"one-digit hour", {{"Scheduler", "Hours(7)", "7"}}, "Hours", 7, "07", {}},
        {"bad hour", {{"Scheduler", "Hours(8)", "30"}}, "Hours", 8, "25", {}},
        {"clock correction a",
         {{"Scheduler", "ClockCorrection", "a7"}},
         "ClockCorrection",
         0,
         "A7",
         {}},
        {"clock correction bad",
         {{"Scheduler", "ClockCorrection", "75"}},
         "ClockCorrection",
         0,
         "0",
         {}},
        {"subset 0", {{"MacroSubset", "MacroSubset", "0"}}, "MacroSubset", 0, "0190", {}},
        {"subset short", {{"MacroSubset", "MacroSubset", "145"}}, "MacroSubset", 0, "0145", {}},
        {"subset reversed", {{"MacroSubset", "MacroSubset", "4510"}}, "MacroSubset", 0, "0190", {}},
        {"yaesu of another radio, sent anyway: none silently",
         {{"Remote", "RadioType", "2"}, {"Remote", "YaesuType", "9"}},
         "YaesuType",
         0,
         "0",
         {}},
        {"yaesu of another radio kept", {{"Remote", "RadioType", "2"}, {"Remote", "YaesuType", "4"}},
         "YaesuType", 0, "4", {}},
        {"yaesu checked", {{"Remote", "YaesuType", "9"}}, "YaesuType", 0, "1", {}},
        {"regenerate prefix from the older key",
         {{"Unlock", "DTMFRegenPrefix", std::nullopt}, {"Unlock", "CommandPrefix", "ab1"}},
         "DTMFRegenPrefix",
         0,
         "AB1",
         {}},
        {"dvr table empty", {{"DVR", "DVRSeconds(5)", ""}}, "DVRSeconds", 5, "0", {}},
        {"pending lock upper-cased", {{"Unlock", "NewLock", "ab"}}, "NewLock", 0, "AB", {}},
        {"empty message macro",
         {{"MessageMacros", "MessageMacro(12)", ""}},
         "MessageMacro",
         12,
         "NONE STORED",
         {}},
        {"bad DTMF memory",
         {{"DTMF", "DTMF(3)", "XYZ"}},
         "DTMF",
         3,
         "NONE STORED",
         {"DTMF: DTMF Memory 3 not valid -- DAT item: DTMF(3)\r\n"
          "Value received is 'XYZ'\r\nValue has been defaulted to NONE STORED"}},
        {"macro upper-cased",
         {{"Macros", "Macro(2)", "none stored"}},
         "Macro",
         2,
         "NONE STORED",
         {}},
        {"unknown macro function",
         {{"Macros", "Macro(1)", "001 999"}},
         "Macro",
         1,
         "NONE STORED",
         {"Macros: Macro 1: Contains invalid macro functions -- DAT item: Macro(1)\r\n"
          "Value received is '001 999'\r\nValue has been defaulted to NONE STORED"}},
        {"short macro too long",
         {{"Macros", "ShortMacro(2)", "001 002 003 004 005"}},
         "ShortMacro",
         2,
         "NONE STORED",
         {"Macros: Macro 42: Exceeds allowed number of macro functions -- DAT item: "
          "ShortMacro(2)\r\n"
          "Value received is '001 002 003 004 005'\r\nValue has been defaulted to NONE STORED"}},
        {"frequency padded",
         {{"Remote", "FreqString(3)", "14652 2"}},
         "FreqString",
         3,
         "0146522",
         {"WARNING ONLY\r\nLogic Alarms/R Base: Remote Base Memories: Memory Number 3: Frequency"
          " less than required number of digits -- DAT item: FreqString(3)\r\n"
          "Value received is '146522'\r\nValue has been padded to 0146522"}},
        {"frequency offset",
         {{"Remote", "FreqString(4)", "1465209"}},
         "FreqString",
         4,
         "1465202",
         {"Logic Alarms/R Base: Remote Base Memories: Memory Number 4: Offset not valid -- DAT "
          "item: FreqString(4)\r\nValue received is '9'\r\nValue has been defaulted to 2"}},
        {"frequency not digits",
         {{"Remote", "FreqString(5)", "146X5202"}},
         "FreqString",
         5,
         "1465202",
         {"Logic Alarms/R Base: Remote Base Memories: Memory Number 5: Frequency not valid -- "
          "DAT item: FreqString(5)\r\nValue received is '146X5202'\r\n"
          "Value has been defaulted to 1465202"}},
        {"missing frequency",
         {{"Remote", "FreqString(2)", std::nullopt}},
         "FreqString",
         2,
         "1465202",
         {"Logic Alarms/R Base: Remote Base Memories: Memory Number 2: Frequency not valid -- "
          "DAT item: FreqString(2)\r\nValue received is ''\r\n"
          "Value has been defaulted to 1465202"}},
        {"unused memory",
         {{"Remote", "FreqString(12)", ""}},
         "FreqString",
         12,
         "NONE",
         {"WARNING ONLY\r\nLogic Alarms/R Base: Memory Number 12\r\n"
          "Some of the parameters for the Remote Base Memory have been entered and some have "
          "not been entered (value of 'NONE')\r\n"
          "  FreqString = 'NONE'\r\n  CTCSS = '12'\r\n  CTCSS Mode = '0'\r\n"
          "  Radio Mode = '3'\r\n"
          "This Remote Base Memory will not be uploaded to the controller as is"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        resetProcessDatabase();
        load(fileWith(c.edits));
        ASSERT_TRUE(db().loaded);
        EXPECT_EQ(db().get(c.key, c.index), c.expected);
        const std::vector<std::string> found = entries();
        if (!c.entries.empty() || found.empty()) {
            EXPECT_EQ(found, c.entries);
        } else {
            // The cases whose entry is checked piecewise below report exactly one value.
            ASSERT_EQ(found.size(), 1u);
            const std::string& entry = found.front();
            EXPECT_NE(entry.find(std::string(" not valid -- DAT item: ") + c.key),
                      std::string::npos)
                << entry;
            const bool timers = keyRule(c.key).style == ReportStyle::Timers;
            EXPECT_NE(entry.find(timers ? timersWas : "Value received is '"), std::string::npos)
                << entry;
            const std::string last = entry.substr(entry.rfind("\r\n") + 2);
            if (std::string(c.key) == "IDSpeakTime") {
                EXPECT_EQ(last, "Defaulted to value of Pending ID Timer (in SECONDS) = 540");
            } else {
                EXPECT_EQ(last, (timers ? "Defaulted to " : "Value has been defaulted to ") +
                                    std::string(c.expected));
            }
        }
    }
}

TEST_F(DatFileTest, InvalidCodesGetFactoryValuesWithABox) {
    load(fileWith({{"Unlock", "CurrentPortUnlock(2)", "xyz"},
                   {"Unlock", "Lock", "12345"},
                   {"Unlock", "Terminator", "dd"}}));
    ASSERT_TRUE(db().loaded);
    EXPECT_EQ(db().get("CurrentPortUnlock", 2), "26937");
    EXPECT_EQ(db().get("Lock"), kFactoryLockCode);
    EXPECT_EQ(db().get("Terminator"), "D");
    const std::vector<std::string> found = entries();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].substr(found[0].find("\r\n")),
              "\r\nValue received is 'xyz'\r\nValue has been defaulted to 26937");
    EXPECT_EQ(found[1].substr(found[1].find("\r\n")),
              "\r\nValue received is '12345'\r\nValue has been defaulted to " +
                  std::string(kFactoryLockCode));

    const std::vector<PromptRecord> boxes = prompter.messageBoxes();
    ASSERT_GE(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].title, "INVALID UNLOCK CODE");
    EXPECT_EQ(boxes[0].icon, MessageIcon::Critical);
    EXPECT_EQ(boxes[0].text,
              "The DAT file does not have a valid Unlock Code for Port 2 and will use the factory "
              "default unlock code as specified in the QZ740 Operations Manual\r\n\r\n"
              "If that is not the Unlock Code, you must correct the Unlock Code data before you "
              "can upload any other changes to the controller");
    EXPECT_EQ(boxes[1].title, "INVALID LOCK CODE");
    EXPECT_EQ(boxes[1].text,
              "The DAT file does not have a valid Lock Code and will use the factory default lock "
              "code as specified in the QZ740 Operations Manual\r\n\r\n"
              "If that is not the Lock Code, you must correct the Lock Code data before you can "
              "upload any other changes to the controller");
    EXPECT_EQ(boxes[2].title, "INVALID TERMINATOR CODE");
    EXPECT_EQ(boxes[2].text,
              "The DAT file does not have a valid Terminator Code and will use the factory "
              "default lock code as specified in the QZ740 Operations Manual\r\n\r\n"
              "If that is not the Terminator Code, you must correct the Terminator Code data "
              "before you can upload any other changes to the controller");
}

// A value that holds a control character is damage, whatever its key: a CR inside an
// autodial number would otherwise reach the controller as a second command.
TEST_F(DatFileTest, ControlCharactersInsideAValueAreRepairedAndReported) {
    const struct {
        const char* keyText;
        std::string damaged;
        const char* loaded;  // "" where the value is dropped
        const char* shown;   // the value as the entry shows it
    } cases[] = {
        {"AutoDial(1)", "5551212\r1*9000999", "", "5551212<CR>1*9000999"},
        {"TollRestrict(2)", "1900\x1B", "", "1900<1B>"},
        {"NewPortUnlock(2)", "1234\r", "", "1234<CR>"},
        {"NewLock", std::string("7\0", 2), "", "7<NUL>"},
        {"NewTerminator", "\x7F", "", "<7F>"},
        {"CurrentPortUnlock(1)", "112\t34", "16937", "112<TAB>34"},
        {"VoiceID1(1)", "Q Z\rSEVEN", "Q Z SEVEN FOURTY", "Q Z<CR>SEVEN"},
        {"Macro(1)", "002\r003", "NONE STORED", "002<CR>003"},
        {"FreqString(2)", "14500\r23", "1465202", "14500<CR>23"},
        {"HangTime1(1)", "1\r1", "50", "1<CR>1"},
        {"DVRSeconds(1)", "3\r", "0", "3<CR>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyText);
        std::string text = readBytes(kFullRtc);  // an ini write refuses a line break
        const std::size_t from = text.find(std::string("\r\n") + c.keyText + "=") + 3 +
                                 std::strlen(c.keyText);
        text.replace(from, text.find("\r\n", from) - from, c.damaged);
        writeBytes((tmp / "damaged.dat").string(), text);
        resetProcessDatabase();
        load((tmp / "damaged.dat").string());
        const std::string key(c.keyText);
        const std::size_t paren = key.find('(');
        EXPECT_EQ(db().get(key.substr(0, paren),
                           paren == std::string::npos ? 0 : std::stoi(key.substr(paren + 1))),
                  c.loaded);
        const std::vector<std::string> found = entries();
        ASSERT_EQ(found.size(), 1u);
        EXPECT_NE(found[0].find("-- DAT item: " + key + "\r\n"), std::string::npos) << found[0];
        EXPECT_NE(found[0].find(std::string("'") + c.shown + "'"), std::string::npos) << found[0];
    }
}

TEST_F(DatFileTest, LockEqualToTerminatorIsFlagged) {
    load(fileWith({{"Unlock", "Lock", "d"}}));
    ASSERT_TRUE(db().loaded);
    EXPECT_TRUE(db().lockConflict);
    const PromptRecord box = prompter.messageBoxes().front();
    EXPECT_EQ(box.title, "Error!");
    EXPECT_EQ(box.icon, MessageIcon::None);
    EXPECT_EQ(box.text,
              "ERROR! Your Current Lock Code and Current Terminator Digit are the same. This is "
              "not allowed! You must change one or the other before you proceed further");
    EXPECT_TRUE(entries().empty());
}

// ---- loader: the end of the load, and failures ----------------------------------------

TEST_F(DatFileTest, RepairsEndWithTheOfferToViewTheLog) {
    prompter.queueAnswer(Answer::Yes);
    load(fileWith({{"DTMF", "DTMFDur", "0"}}));
    ASSERT_TRUE(db().loaded);
    const PromptRecord box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "DAT File Errors");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_EQ(box.text,
              "There were errors and/or warnings in your dat file and default values have been "
              "assigned.\r\n\r\nThe error log is located at \r\n" +
                  logPath() +
                  "\r\n\r\nDo you want to view the error log now?\r\n"
                  "  YES to view error log\r\n  NO to bypass viewing for now\r\n"
                  "  (you can always view it later by clicking File|View Error Log\r\n"
                  "   or by opening it with Notepad or some other text editor)");
    EXPECT_EQ(prompter.openedTextFiles(), std::vector<fs::path>{fs::path(logPath())});
    EXPECT_FALSE(errorLog().errors());
    EXPECT_FALSE(errorLog().warnings());

    const std::string log = readBytes(logPath());
    EXPECT_EQ(log.rfind("RESULTS OF dat EDIT/VALIDATION\r\nLoad of file: " + db().currentFile +
                            "\r\nInitiated at: ",
                        0),
              0u);
}

TEST_F(DatFileTest, RuntimeErrorIsReportedAndEndsTheProgram) {
    const std::string folderAsFile = (tmp / "plain").string();
    writeBytes(folderAsFile, "x");
    const struct {
        const char* step;
        std::string file;
        fs::path appFolder;
    } cases[] = {
        {"Firmware Version", tmp.path().string(), tmp / "app"},
        {"Open Error File", fileWith({}), fs::path(folderAsFile) / "app"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        terminations = 0;
        prompter.clearRecords();
        setAppFolder(c.appFolder);
        load(c.file);
        EXPECT_EQ(terminations, 1);
        EXPECT_FALSE(db().loaded);
        const PromptRecord box = prompter.lastMessageBox();
        EXPECT_EQ(box.title, kSystemErrorTitle);
        const std::string tail =
            std::string("\r\nLocation = Declarations: FileLoad: ") + c.step +
            "\r\n\r\nAn error occurred while loading from dat file:\r\n\r\n" + c.file +
            "\r\n\r\nTHE DATA FROM THE dat FILE IS INCOMPLETE OR ERRONEOUS.  DO NOT USE IT!!!\r\n"
            "The program will now terminate.  Please check the dat file for errors, and the run "
            "the program again.\r\nIf the error continues, please notify Zandrel and make sure "
            "you give them the information above.\r\n\r\n"
            "Please save this information for support assistance";
        EXPECT_NE(box.text.find(tail), std::string::npos) << box.text;
    }
}

}  // namespace
}  // namespace kelp
