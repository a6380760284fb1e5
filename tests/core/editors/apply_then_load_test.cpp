// What Apply writes is what the next load of the file reads: Apply refuses a value the load
// would change, whether by its own rule or by the value it is judged against. And what Apply
// wrote, Undo takes back exactly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
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

std::vector<std::string> snapshot(const ControllerDatabase& d) {
    std::vector<std::string> values;
    for (const KeyDescriptor& key : keyTable()) {
        const bool courtesy = key.shape == KeyShape::Courtesy,
                   single = key.shape == KeyShape::Single;
        for (int p = courtesy ? 1 : 0; p <= (courtesy ? kCourtesyPorts : 0); ++p)
            for (int n = single ? 0 : 1; n <= (single ? 0 : key.count); ++n)
                values.push_back(std::string(key.name) + "=" +
                                 (courtesy ? d.courtesy(key.name, p, n) : d.get(key.name, n)));
    }
    return values;
}

template <class... Model>
std::vector<std::unique_ptr<EditorModel>> models(ControllerDatabase& d) {
    std::vector<std::unique_ptr<EditorModel>> areas;
    (areas.push_back(std::make_unique<Model>(d)), ...);
    return areas;
}
const auto everyArea = models<TimersModel, CourtesyModel, MacrosModel, SchedulerModel, AnalogModel,
                              IdentificationModel, MessageMacrosModel, DtmfSettingsModel,
                              AlarmsModel, SpecialCodesModel, PortSwitchesModel>;

void edit(EditorModel& m, const std::string& key, int index, const std::string& value) {
    if (m.field(key).kind == FieldKind::Text)
        m.editText(key, index, value);
    else
        m.editChoice(key, index, std::atoi(value.c_str()));
}

// Apply as the window runs it: the two windows with checks of their own go through them.
std::vector<Notice> applyArea(EditorModel& model) {
    const auto own = [](const auto& r) { return r.applied ? std::vector<Notice>{} : r.notices; };
    if (auto* alarms = dynamic_cast<AlarmsModel*>(&model))
        return own(alarms->applyChanges());
    if (auto* codes = dynamic_cast<SpecialCodesModel*>(&model))
        return own(codes->applyChanges());
    return model.apply();
}

class ApplyThenLoadTest : public ::testing::Test {
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

    testing::TempFolder tmp;
    fs::path file = tmp / "site.dat";
    ScriptedPrompter prompter;
    ScopedPrompter installedPrompter{prompter};
    VirtualClock clock;
    ScopedClock installedClock{clock};
};

// The loader's rules that judge a value by another, and the file's own reading: a value the
// load would change is refused with the field's words, naming the first edit's entry.
TEST_F(ApplyThenLoadTest, ApplyRefusesWhatTheNextLoadWouldChange) {
    const struct {
        Area area;
        const char* key;  // edited first, then other (same index) where there is one
        int index;
        const char *value, *other, *otherValue;
        const char* title;  // nullptr: Apply takes it
        const char* text;
    } cases[] = {
        {Area::Timers, "IDSpeakTime", 2, "300", "PIDTime", "4", "Port 2: Pending ID Speech Timer",
         "Invalid Pending ID Speech Timer, cannot be more than value of Pending ID Timer"},
        {Area::Timers, "IDSpeakTime", 2, "300", "PIDTime", "5", nullptr, nullptr},
        {Area::Timers, "IDSpeakTime", 3, "15300", "PIDTime", "0", nullptr, nullptr},
        {Area::AlarmsRemoteBase, "YaesuType", 0, "7", "RadioType", "3",
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type",
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type cannot be stored as '7': the file "
         "would read it back as '1'"},
        {Area::AlarmsRemoteBase, "YaesuType", 0, "7", "RadioType", "2",
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type",
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type cannot be stored as '7': the file "
         "would read it back as '0'"},
        {Area::SpecialCodes, "TollRestrict", 100, "Default", nullptr, nullptr,
         "Special Codes/Autopatch: Toll Restrict: Pos 100",
         "Special Codes/Autopatch: Toll Restrict: Pos 100 cannot be stored as 'Default': the "
         "file would read it back as ''"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value + " " + (c.other ? c.otherValue : ""));
        load();
        for (const auto& model : everyArea(db())) {
            if (model->area() != c.area)
                continue;
            model->open();
            edit(*model, c.key, c.index, c.value);
            if (c.other)
                edit(*model, c.other, c.index, c.otherValue);
            const std::vector<std::string> before = snapshot(db());
            const std::vector<Notice> notices = applyArea(*model);
            if (c.title == nullptr) {
                EXPECT_TRUE(notices.empty()) << notices.front().text;
                continue;
            }
            EXPECT_EQ(notices,
                      (std::vector<Notice>{{c.title, c.text}, {kApplyFailTitle, kApplyFailText}}));
            ASSERT_TRUE(model->refusedEntry());
            EXPECT_EQ(model->refusedEntry()->key, c.key);
            EXPECT_EQ(model->refusedEntry()->index, c.index);
            EXPECT_EQ(snapshot(db()), before);
        }
    }
}

// Load, apply, save, load: whatever Apply takes comes back from the file as it was applied.
// Seeded rounds of edits over every area, in range or not, pairs consistent or not; a refused
// round is cancelled.
TEST_F(ApplyThenLoadTest, ApplyThenSaveThenLoadIsAFixedPoint) {
    const char* const pool[] = {"0",   "1",   "3",    "4",     "7", "10", "25",          "90",
                                "255", "300", "3500", "15300", "",  "A3", "NONE STORED", "Default"};
    std::mt19937 random(20240611);
    int applied = 0;
    for (int round = 0; round < 12; ++round) {
        for (const auto& model : everyArea(db())) {
            model->open();
            for (int k = 0; k < 3; ++k) {
                const FieldSpec& f = model->fields()[random() % model->fields().size()];
                const int n = f.indexing == FieldIndexing::Single ? 0 : 1 + int(random() % f.count);
                edit(*model, f.key, n, pool[random() % std::size(pool)]);
            }
            if (applyArea(*model).empty())
                ++applied;
            else
                model->cancelChanges();
        }
        ASSERT_TRUE(FileWrite());
        const std::vector<std::string> written = snapshot(db());
        load();
        ASSERT_EQ(snapshot(db()), written) << "round " << round;
    }
    EXPECT_GT(applied, 20);
}

// A row may save after another step first (undo then stops at the saved point, not at the
// file's first contents), or mark an upload after its step (undo asks; No leaves it).
TEST_F(ApplyThenLoadTest, UndoAndRedoPutBackEveryEditorsApplyExactly) {
    struct Edit {
        const char* key;
        int index;
        const char* value;
    };
    std::unique_ptr<EditorModel> model;
    const auto applyEdits = [&](Area area, int tab, const std::vector<Edit>& edits) {
        for (auto& m : everyArea(db()))
            if (m->area() == area)
                model = std::move(m);
        model->open();
        model->selectTab(tab);
        for (const Edit& e : edits) edit(*model, e.key, e.index, e.value);
        ASSERT_TRUE(applyArea(*model).empty());
    };
    const struct {
        Area area;
        int tab;
        std::vector<Edit> edits;
        const char* undoText;  // nullptr: the area's caption opens it
        bool saveFirst = false, upload = false;
    } cases[] = {
        {Area::Timers, 1, {{"HangTime1", 2, "25"}}, "Undo Timers: Port 2: Hang Timer 1"},
        {Area::Courtesy, 0, {{"Delay1", 3, "200"}, {"Dur2", 3, "50"}, {"Tone1", 3, "800"}},
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
        {Area::Timers, 0, {{"HangTime1", 1, "30"}}, nullptr, true},
        {Area::Dtmf, 0, {{"DTMF", 20, "9"}}, nullptr, false, true},
    };
    EditHistory& history = editHistory();
    for (const auto& c : cases) {
        SCOPED_TRACE(areaCaption(c.area) + (c.saveFirst ? " after a save" : ""));
        load();
        if (c.saveFirst) {
            applyEdits(Area::Dtmf, 0, {{"DTMF", 19, "8"}});
            db().saved = true;  // as File, Save leaves it
            history.databaseSaved();
        }
        const DatabaseContents before = contentsOf(db());
        applyEdits(c.area, c.tab, c.edits);
        const DatabaseContents after = contentsOf(db());
        ASSERT_NE(after.flags, before.flags) << "Apply raises the upload flags";
        ASSERT_FALSE(db().saved);
        const std::string text = history.undoText();
        const std::string opening = c.undoText ? c.undoText : "Undo " + areaCaption(c.area) + ": ";
        EXPECT_EQ(text.rfind(opening, 0), 0u) << text;
        if (c.upload) {
            markControllerReached(db(), "The upload");
            prompter.queueAnswer(Answer::No);
            EXPECT_FALSE(history.undo());
            EXPECT_EQ(contentsOf(db()), after);
            EXPECT_EQ(prompter.lastMessageBox().text.rfind("The upload at ", 0), 0u);
            prompter.queueAnswer(Answer::Yes);
        }
        const std::optional<ShownStep> undone = history.undo();
        ASSERT_TRUE(undone);
        EXPECT_EQ(undone->area, c.area);
        EXPECT_EQ(undone->tab, c.tab);
        EXPECT_EQ(contentsOf(db()), before);
        EXPECT_TRUE(db().saved) << "back at what the file holds";
        EXPECT_EQ(history.redoText(), "Redo" + text.substr(4));
        if (c.saveFirst) {
            ASSERT_TRUE(history.undo());
            EXPECT_FALSE(db().saved) << "before the save";
            ASSERT_TRUE(history.redo());
        }
        ASSERT_TRUE(history.redo());
        EXPECT_EQ(contentsOf(db()), after);
        EXPECT_FALSE(db().saved);
        EXPECT_EQ(prompter.unusedAnswers(), 0u);
    }

    // Refused while an edit waits for Apply; Open starts afresh.
    model->editText("DTMF", 20, "31");
    EXPECT_FALSE(history.undo());
    EXPECT_EQ(prompter.lastMessageBox().title, "Unapplied DTMF Changes");
    load();
    EXPECT_FALSE(history.canUndo() || history.canRedo());
}

}  // namespace
}  // namespace kelp
