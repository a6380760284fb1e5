#include "core/session/file_commands.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/app/program_identity.h"
#include "core/app/runtime_error.h"
#include "core/app/scripted_prompter.h"
#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

using testing::TempFolder;
using testing::writeBytes;

TEST(RecentFilesList, UpdateRules) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::string path;
        std::vector<std::string> after;
    };
    const std::vector<std::string> ten = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
    const std::vector<Case> cases = {
        {"new path goes first", {"a", "b"}, "n", {"n", "a", "b"}},
        {"third moves to front", {"a", "b", "c", "d"}, "c", {"c", "a", "b", "d"}},
        {"first stays", {"a", "b"}, "a", {"a", "b"}},
        {"eleventh drops the oldest", ten, "n", {"n", "a", "b", "c", "d", "e", "f", "g", "h", "i"}},
        {"last of ten moves to front",
         ten,
         "j",
         {"j", "a", "b", "c", "d", "e", "f", "g", "h", "i"}},
        {"blank changes nothing", {"a"}, "   ", {"a"}},
        {"empty changes nothing", {}, "", {}},
        {"comparison is case-sensitive", {"/s/A.dat"}, "/s/a.dat", {"/s/a.dat", "/s/A.dat"}},
    };
    for (const Case& c : cases) {
        RecentFiles recent;
        for (auto it = c.before.rbegin(); it != c.before.rend(); ++it) recent.fUpdateFilesList(*it);
        ASSERT_EQ(recent.items(), c.before) << c.name;
        recent.fUpdateFilesList(c.path);
        EXPECT_EQ(recent.items(), c.after) << c.name;
    }
}

TEST(FileCaption, LongPathsShowOnlyTheFileName) {
    const std::string head = "Zandrel Kelp Programmer  " + programVersion() + "  ";
    const std::string forty = "/home/operator/repeaters/w1xyz/site1.dat";  // 40 characters
    ASSERT_EQ(forty.size(), 40u);
    EXPECT_EQ(fGetCaption(forty), head + forty);
    EXPECT_EQ(fGetCaption(forty + "x"), head + "site1.datx");
    EXPECT_EQ(fGetCaption("C:\\Zandrel\\Kelp\\Repeaters\\Mountain\\site.dat"), head + "site.dat");
    EXPECT_EQ(fGetCaption(""), head);
}

// Stands in for the main window and records what the commands asked of it.
class FakeHost : public FileCommandsHost {
  public:
    explicit FakeHost(ControllerDatabase& database) : db(database) {}
    bool unappliedChangesClear() override {
        calls.push_back("guard");
        return guardClear;
    }
    void fUnloadForms() override {
        calls.push_back("unload");
        db.reset();
    }
    void showLoadedDatabase() override { calls.push_back("show"); }
    bool openUnlockCodes() override {
        calls.push_back("unlock");
        return hasUnlockWindow;
    }
    void focusTimers() override { calls.push_back("focus"); }
    void captionChanged() override { calls.push_back("caption"); }
    void recentFilesChanged() override { calls.push_back("recent"); }

    ControllerDatabase& db;
    bool guardClear = true;
    bool hasUnlockWindow = false;
    std::vector<std::string> calls;
};

class FileCommandsTest : public ::testing::Test {
  protected:
    FileCommandsTest()
        : commands(
              database, recent, host,
              [this](ControllerDatabase& d) {
                  loads.push_back(d.currentFile);
                  if (loadThrows)
                      throw RuntimeError(53, "File not found");
                  d.loaded = loadSucceeds;
                  d.lockConflict = loadedLockConflict;
              },
              [this](ControllerDatabase& d) {
                  writes.push_back(d.currentFile);
                  if (writeSucceeds)
                      writeBytes(d.currentFile, "[Version]\r\n");
                  return writeSucceeds;
              }) {}

    std::string file(const std::string& name) {
        const std::string path = (tmp / name).string();
        writeBytes(path, "[Version]\r\n");
        return path;
    }

    TempFolder tmp;
    ControllerDatabase database;
    RecentFiles recent;
    FakeHost host{database};
    ScriptedPrompter prompter;
    ScopedPrompter usePrompter{prompter};
    std::vector<std::string> loads;
    std::vector<std::string> writes;
    bool loadSucceeds = true;
    bool loadThrows = false;
    bool loadedLockConflict = false;
    bool writeSucceeds = true;
    FileCommands commands;

    void SetUp() override { database.loaded = true; }  // a database is open
};

TEST_F(FileCommandsTest, OpenLoadsTheChosenFileAndSetsUpTheWindows) {
    const std::string site = file("site.dat");
    database.downloadIntoFile = true;
    prompter.queueOpenFile(" " + site + " ");
    commands.open();

    const PromptRecord& dialog = prompter.records().front();
    EXPECT_EQ(dialog.kind, PromptRecord::Kind::OpenFileDialog);
    EXPECT_EQ(dialog.title, "Open Controller Database File");
    EXPECT_EQ(dialog.text, "QZ740 Database Files (*.dat)|*.dat|All files (*.*)|*.*");
    EXPECT_EQ(database.currentFile, site);
    EXPECT_EQ(loads, std::vector<std::string>{site});
    EXPECT_FALSE(database.downloadIntoFile);
    EXPECT_EQ(recent.items(), std::vector<std::string>{site});
    EXPECT_EQ(host.calls, (std::vector<std::string>{"guard", "recent", "unload", "show", "focus"}));
    EXPECT_TRUE(prompter.messageBoxes().empty());
}

TEST_F(FileCommandsTest, CancelledOpenDialogBeepsAndChangesNothing) {
    database.currentFile = "/sites/current.dat";
    prompter.queueOpenFile(std::nullopt);
    commands.open();
    EXPECT_EQ(prompter.beepCount(), 1);
    EXPECT_EQ(database.currentFile, "/sites/current.dat");
    EXPECT_TRUE(loads.empty());
    EXPECT_EQ(host.calls, std::vector<std::string>{"guard"});
}

TEST_F(FileCommandsTest, MissingFileIsReported) {
    const std::string gone = (tmp / "gone.dat").string();
    prompter.queueOpenFile(gone);
    commands.open();
    EXPECT_EQ(prompter.beepCount(), 1);
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "File Open Error");
    EXPECT_EQ(box.text, gone + "\r\n\r\nThe file does not exist");
    EXPECT_EQ(box.icon, MessageIcon::Exclamation);
    EXPECT_TRUE(loads.empty());
    EXPECT_TRUE(recent.empty());
}

TEST_F(FileCommandsTest, BlockedGuardStopsEveryCommand) {
    host.guardClear = false;
    database.saved = false;
    database.currentFile = file("site.dat");
    commands.open();
    EXPECT_FALSE(commands.save());
    EXPECT_FALSE(commands.saveAs());
    EXPECT_FALSE(commands.exitQuestions());
    EXPECT_FALSE(commands.closeRequest());
    EXPECT_TRUE(prompter.records().empty());
    EXPECT_TRUE(writes.empty());
}

TEST_F(FileCommandsTest, UnsavedChangesQuestionBeforeOpening) {
    const std::string site = file("site.dat");
    database.saved = false;
    // Yes runs Save As; its dialog is cancelled, and the open still goes on.
    prompter.queueAnswer(Answer::Yes);
    prompter.queueSaveFile(std::nullopt);
    prompter.queueOpenFile(site);
    commands.open();

    const auto boxes = prompter.messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].title, "UNSAVED CHANGES IN YOUR DAT FILE");
    EXPECT_EQ(boxes[0].text,
              "You have not saved your current .DAT file changes.\r\n"
              "All changes will be lost unless you save the file.\r\n\r\n"
              "Do you want to save the current .DAT file before opening a different .DAT file?");
    EXPECT_EQ(boxes[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(boxes[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(boxes[1].title, "Save As Cancelled");
    EXPECT_EQ(boxes[1].text, "A SaveAs file was not selected\r\n\r\nThe data was NOT saved");
    EXPECT_EQ(loads, std::vector<std::string>{site});
}

TEST_F(FileCommandsTest, CancelAtTheUnsavedChangesQuestionStopsTheOpen) {
    database.saved = false;
    prompter.queueAnswer(Answer::Cancel);
    commands.open();
    EXPECT_EQ(prompter.records().size(), 1u);
    EXPECT_TRUE(loads.empty());
}

TEST_F(FileCommandsTest, StoppedLoadLeavesTheOpenDatabaseAsItWas) {
    database.currentFile = "/sites/current.dat";
    database.set("HangTime1", 1, "60");
    loadSucceeds = false;
    prompter.queueOpenFile(file("site.dat"));
    commands.open();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"guard", "recent"}));
    EXPECT_EQ(database.currentFile, "/sites/current.dat");
    EXPECT_EQ(database.get("HangTime1", 1), "60");
    EXPECT_TRUE(database.loaded);
}

TEST_F(FileCommandsTest, RuntimeErrorDuringOpenIsReportedWithItsStep) {
    loadThrows = true;
    const std::string site = file("site.dat");
    prompter.queueOpenFile(site);
    commands.open();
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "***** Kelp SYSTEM ERROR *****");
    EXPECT_NE(box.text.find("Location = KelpMain: mnuFileOpen_Click: set up for newly opened file"
                            "\r\n\r\n" +
                            site + "\r\n\r\n"),
              std::string::npos)
        << box.text;
    EXPECT_TRUE(database.currentFile.empty());  // the file never became the current one
}

TEST_F(FileCommandsTest, LockConflictOpensTheUnlockWindowWhenThereIsOne) {
    loadedLockConflict = true;
    prompter.queueOpenFile(file("site.dat"));
    commands.open();
    EXPECT_TRUE(database.lockConflict);  // no window yet: the flag waits for it

    host.hasUnlockWindow = true;
    prompter.queueOpenFile(file("site.dat"));
    commands.open();
    EXPECT_FALSE(database.lockConflict);
}

TEST_F(FileCommandsTest, RecentFileOpensAndMovesToTheFront) {
    const std::string a = file("a.dat");
    const std::string b = file("b.dat");
    const std::string c = file("c.dat");
    for (const auto& p : {c, b, a}) recent.fUpdateFilesList(p);
    commands.openRecent(3);
    EXPECT_EQ(loads, std::vector<std::string>{c});
    EXPECT_EQ(recent.items(), (std::vector<std::string>{c, a, b}));
    EXPECT_TRUE(prompter.records().empty());  // no dialog
}

TEST_F(FileCommandsTest, VanishedRecentFileKeepsItsEntry) {
    const std::string gone = (tmp / "gone.dat").string();
    recent.fUpdateFilesList(gone);
    database.currentFile = "/sites/current.dat";
    commands.openRecent(1);
    EXPECT_EQ(prompter.beepCount(), 1);
    EXPECT_EQ(prompter.lastMessageBox().text, "The file does not exist on this computer");
    EXPECT_EQ(prompter.lastMessageBox().title, "File Open Error");
    EXPECT_EQ(recent.items(), std::vector<std::string>{gone});
    EXPECT_EQ(database.currentFile, "/sites/current.dat");
    EXPECT_TRUE(loads.empty());
}

TEST_F(FileCommandsTest, SaveWritesTheCurrentFile) {
    database.currentFile = file("site.dat");
    database.saved = false;
    EXPECT_TRUE(commands.save());
    EXPECT_EQ(writes, std::vector<std::string>{database.currentFile});
    EXPECT_TRUE(database.saved);
    EXPECT_TRUE(prompter.records().empty());
}

TEST_F(FileCommandsTest, SaveWithoutAFileAsksForOne) {
    database.saved = false;
    const std::string target = (tmp / "new.dat").string();
    prompter.queueSaveFile(target);
    EXPECT_TRUE(commands.save());
    EXPECT_EQ(prompter.records().front().kind, PromptRecord::Kind::SaveFileDialog);
    EXPECT_EQ(database.currentFile, target);
    EXPECT_TRUE(database.saved);
}

TEST_F(FileCommandsTest, FailedWriteIsNotSaved) {
    database.currentFile = file("site.dat");
    database.saved = false;
    writeSucceeds = false;
    EXPECT_FALSE(commands.save());
    EXPECT_FALSE(database.saved);

    prompter.queueSaveFile((tmp / "other.dat").string());
    EXPECT_FALSE(commands.saveAs());
    EXPECT_EQ(database.currentFile, (tmp / "site.dat").string());
    EXPECT_TRUE(recent.empty());
}

TEST_F(FileCommandsTest, SaveAsOverwriteQuestion) {
    database.currentFile = (tmp / "current.dat").string();
    const std::string existing = file("existing.dat");
    prompter.queueSaveFile(existing);
    prompter.queueAnswer(Answer::No);
    EXPECT_FALSE(commands.saveAs());
    const PromptRecord& dialog = prompter.records().front();
    EXPECT_EQ(dialog.title, "Save Controller Database File");
    EXPECT_EQ(dialog.text, "QZ740 Database Files (*.dat) | *.dat");
    EXPECT_EQ(dialog.path, database.currentFile);
    const PromptRecord& box = prompter.lastMessageBox();
    EXPECT_EQ(box.title, "Save Database");
    EXPECT_EQ(box.text, "File Already Exists! Are you sure you want to overwrite?");
    EXPECT_EQ(box.buttons, MessageButtons::YesNo);
    EXPECT_TRUE(writes.empty());
    EXPECT_EQ(database.currentFile, (tmp / "current.dat").string());

    prompter.queueSaveFile(existing);
    prompter.queueAnswer(Answer::Yes);
    database.saved = false;
    EXPECT_TRUE(commands.saveAs());
    EXPECT_EQ(writes, std::vector<std::string>{existing});
    EXPECT_EQ(database.currentFile, existing);
    EXPECT_TRUE(database.saved);
    EXPECT_EQ(recent.items(), std::vector<std::string>{existing});
    EXPECT_EQ(host.calls.back(), "caption");
}

TEST_F(FileCommandsTest, ExitQuestions) {
    EXPECT_TRUE(commands.exitQuestions());
    EXPECT_TRUE(prompter.records().empty());

    struct Case {
        Answer answer;
        bool goesOn;
        bool saveDialog;
    };
    for (const Case& c : {Case{Answer::Cancel, false, false}, Case{Answer::No, true, false},
                          Case{Answer::Yes, true, true}}) {
        prompter.clearRecords();
        database.saved = false;
        prompter.queueAnswer(c.answer);
        // Save As cancelled: the exit goes on all the same.
        if (c.saveDialog)
            prompter.queueSaveFile(std::nullopt);
        EXPECT_EQ(commands.exitQuestions(), c.goesOn) << answerName(c.answer);
        const PromptRecord box = prompter.messageBoxes().front();
        EXPECT_EQ(box.title, "Save Database");
        EXPECT_EQ(box.text,
                  "You have not saved your new settings. All changes will be lost unless you do. "
                  "Do you want to save the database file before exiting?");
        EXPECT_EQ(box.icon, MessageIcon::None);
        EXPECT_EQ(box.buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(prompter.records().size() > 1 &&
                      prompter.records()[1].kind == PromptRecord::Kind::SaveFileDialog,
                  c.saveDialog);
    }
}

TEST_F(FileCommandsTest, CloseRequestYesSavesAndKeepsRunning) {
    database.saved = false;
    const std::string target = (tmp / "closing.dat").string();
    prompter.queueAnswer(Answer::Yes);
    prompter.queueSaveFile(target);
    EXPECT_FALSE(commands.closeRequest());
    EXPECT_EQ(writes, std::vector<std::string>{target});
    EXPECT_TRUE(database.saved);

    database.saved = false;
    prompter.queueAnswer(Answer::No);
    EXPECT_TRUE(commands.closeRequest());
    prompter.queueAnswer(Answer::Cancel);
    EXPECT_FALSE(commands.closeRequest());
}

}  // namespace
}  // namespace kelp
