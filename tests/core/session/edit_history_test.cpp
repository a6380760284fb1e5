// Undo and Redo over every editor: a step puts back exactly what its Apply changed, and the
// saved state follows the history.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/scripted_prompter.h"
#include "core/database/dat_file.h"
#include "core/database/error_log.h"
#include "core/editors/alarms_model.h"
#include "core/editors/analog_model.h"
#include "core/editors/courtesy_model.h"
#include "core/editors/dtmf_settings_model.h"
#include "core/editors/identification_model.h"
#include "core/editors/macros_model.h"
#include "core/editors/message_macros_model.h"
#include "core/editors/port_switches_model.h"
#include "core/editors/scheduler_model.h"
#include "core/editors/special_codes_model.h"
#include "core/editors/timers_model.h"
#include "core/session/edit_history.h"
#include "tests/core/app/temp_folder.h"
#include "tests/support/virtual_clock.h"

namespace kelp {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<EditorModel> modelOf(Area area) {
    switch (area) {
        case Area::Timers: return std::make_unique<TimersModel>(db());
        case Area::Courtesy: return std::make_unique<CourtesyModel>(db());
        case Area::Macros: return std::make_unique<MacrosModel>(db());
        case Area::Scheduler: return std::make_unique<SchedulerModel>(db());
        case Area::Analog: return std::make_unique<AnalogModel>(db());
        case Area::Identification: return std::make_unique<IdentificationModel>(db());
        case Area::MessageMacros: return std::make_unique<MessageMacrosModel>(db());
        case Area::Dtmf: return std::make_unique<DtmfSettingsModel>(db());
        case Area::AlarmsRemoteBase: return std::make_unique<AlarmsModel>(db());
        case Area::SpecialCodes: return std::make_unique<SpecialCodesModel>(db());
        case Area::PortSwitches: return std::make_unique<PortSwitchesModel>(db());
    }
    return nullptr;
}

struct Edit {
    const char* key;
    int index;
    const char* value;  // a text box's text, or a list's item data
};

class EditHistoryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(tmp / "app");
        setAppFolder(tmp / "app");
        prompter.setDefaultAnswer(Answer::No);
        fs::copy_file(std::string(KELP_TEST_DATA) + "/full_rtc.dat", file);
        load();
    }
    void TearDown() override {
        errorLog().close();
        errorLog().clearFlags();
        setAppFolder({});
    }
    void load() {
        resetProcessDatabase();
        db().currentFile = file.string();
        FileLoad();
        ASSERT_TRUE(db().loaded);
    }
    // Edits and applies as the window does (the two windows with checks of their own
    // through them); the model is kept so that it can be opened again.
    void applyEdits(Area area, int tab, const std::vector<Edit>& edits) {
        model = modelOf(area);
        model->open();
        model->selectTab(tab);
        for (const Edit& e : edits) {
            if (model->field(e.key).kind == FieldKind::Text)
                model->editText(e.key, e.index, e.value);
            else
                model->editChoice(e.key, e.index, std::stoi(e.value));
        }
        bool applied = false;
        if (auto* alarms = dynamic_cast<AlarmsModel*>(model.get()))
            applied = alarms->applyChanges().applied;
        else if (auto* codes = dynamic_cast<SpecialCodesModel*>(model.get()))
            applied = codes->applyChanges().applied;
        else
            applied = model->apply().empty();
        ASSERT_TRUE(applied);
    }

    testing::TempFolder tmp;
    fs::path file = tmp / "site.dat";
    ScriptedPrompter prompter;
    ScopedPrompter installedPrompter{prompter};
    VirtualClock clock;
    ScopedClock installedClock{clock};
    std::unique_ptr<EditorModel> model;
};

TEST_F(EditHistoryTest, UndoAndRedoPutBackEveryEditorsApplyExactly) {
    const struct {
        Area area;
        int tab;
        std::vector<Edit> edits;
        const char* undoText;  // nullptr: the area's caption opens it
    } cases[] = {
        {Area::Timers, 1, {{"HangTime1", 2, "25"}}, "Undo Timers: Port 2: Hang Timer 1"},
        {Area::Courtesy,
         0,
         {{"Delay1", CourtesyModel::entry(1, 3), "200"},
          {"Dur2", CourtesyModel::entry(1, 3), "50"},
          {"Tone1", CourtesyModel::entry(1, 3), "800"}},
         "Undo Courtesy Tones: 3 settings"},
        {Area::Macros, 0, {{"RcvMacroInactive", 2, "7"}}, nullptr},
        {Area::Scheduler, 0, {{"Hours", 2, "13"}}, nullptr},
        {Area::Analog, 0, {{"MeterMacro", 3, "7"}}, nullptr},
        {Area::Identification, 2, {{"ConstantID", 3, "1"}}, nullptr},
        {Area::MessageMacros, 0, {{"MessageMacro", 3, "two three"}}, nullptr},
        {Area::Dtmf, 0, {{"DTMF", 20, "9"}}, nullptr},
        {Area::AlarmsRemoteBase, 0, {{"AlarmLowMacroNum", 4, "7"}}, nullptr},
        {Area::SpecialCodes, 0, {{"AutoDial", 7, "5551234"}}, nullptr},
        {Area::PortSwitches, 2, {{"PLAccess", 3, "0"}, {"RxEnable", 3, "1"}}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(areaCaption(c.area));
        load();
        EditHistory& history = editHistory();
        const DatabaseContents before = contentsOf(db());
        applyEdits(c.area, c.tab, c.edits);
        const DatabaseContents after = contentsOf(db());
        ASSERT_NE(after, before);
        ASSERT_NE(after.flags, before.flags) << "Apply raises the upload flags";
        ASSERT_FALSE(db().saved);
        ASSERT_TRUE(history.canUndo());
        const std::string text = history.undoText();
        if (c.undoText)
            EXPECT_EQ(text, c.undoText);
        else
            EXPECT_EQ(text.rfind("Undo " + areaCaption(c.area) + ": ", 0), 0u) << text;

        const std::optional<ShownStep> undone = history.undo();
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->area, c.area);
        EXPECT_EQ(undone->tab, c.tab);
        EXPECT_EQ(contentsOf(db()), before);
        EXPECT_TRUE(db().saved) << "back at what the file holds";
        EXPECT_FALSE(history.canUndo());
        EXPECT_EQ(history.redoText(), "Redo" + text.substr(4));
        model->open();
        for (const Edit& e : c.edits) EXPECT_FALSE(model->differs(e.key, e.index)) << e.key;

        ASSERT_TRUE(history.redo());
        EXPECT_EQ(contentsOf(db()), after);
        EXPECT_FALSE(db().saved);
        EXPECT_EQ(db().changeMarker(c.area), -1);
        EXPECT_FALSE(history.canRedo());
    }
    EXPECT_TRUE(prompter.messageBoxes().empty());
}

// The saved point moves with Save and survives it; an operation that reached the controller
// is asked about; busy and unapplied edits refuse; a new database starts a new history.
TEST_F(EditHistoryTest, SavePointMarksAndRefusals) {
    EditHistory& history = editHistory();
    applyEdits(Area::Timers, 0, {{"HangTime1", 1, "30"}});
    // Save, as File, Save does.
    db().saved = true;
    history.databaseSaved();
    applyEdits(Area::Dtmf, 0, {{"DTMF", 20, "9"}});
    EXPECT_FALSE(db().saved);
    ASSERT_TRUE(history.undo());
    EXPECT_TRUE(db().saved);
    ASSERT_TRUE(history.undo());
    EXPECT_FALSE(db().saved);
    EXPECT_FALSE(history.canUndo());
    ASSERT_TRUE(history.redo());
    EXPECT_TRUE(db().saved);

    markControllerReached(db(), "The upload");
    EXPECT_TRUE(history.canUndo()) << "the mark is no step";
    prompter.queueAnswer(Answer::No);
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(db().get("HangTime1", 1), "30");
    const PromptRecord& asked = prompter.lastMessageBox();
    EXPECT_EQ(asked.title, "Undo");
    EXPECT_EQ(asked.text.find("The upload at "), 0u) << asked.text;
    EXPECT_NE(asked.text.find("reached the QZ740. Undoing this change does not change the "
                              "controller back."),
              std::string::npos);
    EXPECT_EQ(asked.defaultButton, DefaultButton::Second);
    prompter.queueAnswer(Answer::Yes);
    ASSERT_TRUE(history.undo());
    EXPECT_NE(db().get("HangTime1", 1), "30");
    const std::size_t boxes = prompter.messageBoxes().size();
    ASSERT_TRUE(history.redo()) << "the values the upload sent come back without a question";
    EXPECT_EQ(prompter.messageBoxes().size(), boxes);

    // Refused while an operation runs and while an edit waits for Apply.
    {
        BusyGuard busy("The download");
        EXPECT_FALSE(history.undo());
        EXPECT_EQ(prompter.lastMessageBox().title, kBusyTitle);
    }
    model = modelOf(Area::Timers);
    model->open();
    model->editText("HangTime1", 1, "31");
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(prompter.lastMessageBox().title, "Unapplied Timer Changes");
    model->cancelChanges();
    EXPECT_TRUE(history.undo());

    load();
    EXPECT_FALSE(history.canUndo());
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoText(), "Undo");
}

}  // namespace
}  // namespace kelp
