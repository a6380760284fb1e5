// What Apply writes is what the next load of the file reads: Apply refuses a value the load
// would change, whether by its own rule or by the value it is judged against.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/error_reporter.h"
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
#include "tests/core/app/temp_folder.h"
#include "tests/support/virtual_clock.h"

namespace kelp {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> snapshot(const ControllerDatabase& d) {
    std::vector<std::string> values;
    for (const KeyDescriptor& key : keyTable())
        for (int p = key.shape == KeyShape::Courtesy ? 1 : 0;
             p <= (key.shape == KeyShape::Courtesy ? kCourtesyPorts : 0); ++p)
            for (int n = key.shape == KeyShape::Single ? 0 : 1;
                 n <= (key.shape == KeyShape::Single ? 0 : key.count); ++n)
                values.push_back(std::string(key.name) + "=" +
                                 (p > 0 ? d.courtesy(key.name, p, n) : d.get(key.name, n)));
    return values;
}

// Apply as the window runs it: the two windows with checks of their own go through them.
std::vector<Notice> applyArea(EditorModel& model) {
    if (auto* alarms = dynamic_cast<AlarmsModel*>(&model)) {
        auto result = alarms->applyChanges();
        return result.applied ? std::vector<Notice>{} : result.notices;
    }
    if (auto* codes = dynamic_cast<SpecialCodesModel*>(&model)) {
        auto result = codes->applyChanges();
        return result.applied ? std::vector<Notice>{} : result.notices;
    }
    return model.apply();
}

std::vector<std::unique_ptr<EditorModel>> everyArea(ControllerDatabase& d) {
    std::vector<std::unique_ptr<EditorModel>> areas;
    areas.push_back(std::make_unique<TimersModel>(d));
    areas.push_back(std::make_unique<CourtesyModel>(d));
    areas.push_back(std::make_unique<MacrosModel>(d));
    areas.push_back(std::make_unique<SchedulerModel>(d));
    areas.push_back(std::make_unique<AnalogModel>(d));
    areas.push_back(std::make_unique<IdentificationModel>(d));
    areas.push_back(std::make_unique<MessageMacrosModel>(d));
    areas.push_back(std::make_unique<DtmfSettingsModel>(d));
    areas.push_back(std::make_unique<AlarmsModel>(d));
    areas.push_back(std::make_unique<SpecialCodesModel>(d));
    areas.push_back(std::make_unique<PortSwitchesModel>(d));
    return areas;
}

class ApplyThenLoadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetProcessDatabase();
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

// The loader's rules that judge a value by another one, and the file's own reading, each met
// from the editor that writes the value: an inconsistent pair is refused with the field's
// words and names the entry to correct; a consistent one is taken.
TEST_F(ApplyThenLoadTest, ApplyRefusesWhatTheNextLoadWouldChange) {
    using Edit = std::function<void(EditorModel&)>;
    const auto text = [](const char* key, int index, const char* value) -> Edit {
        return [=](EditorModel& m) { m.editText(key, index, value); };
    };
    const auto choice = [](const char* key, int index, int item) -> Edit {
        return [=](EditorModel& m) { m.editChoice(key, index, item); };
    };
    const struct {
        const char* name;
        Area area;
        std::vector<Edit> edits;
        const char* title;  // nullptr: Apply takes it
        const char* text;
        const char* key;
        int index;
    } cases[] = {
        {"pending ID timer cut below the speech timer",
         Area::Timers,
         {text("IDSpeakTime", 2, "300"), text("PIDTime", 2, "4")},
         "Port 2: Pending ID Speech Timer",
         "Invalid Pending ID Speech Timer, cannot be more than value of Pending ID Timer",
         "IDSpeakTime",
         2},
        {"pending ID timer that still covers the speech timer",
         Area::Timers,
         {text("IDSpeakTime", 2, "300"), text("PIDTime", 2, "5")},
         nullptr, nullptr, nullptr, 0},
        {"pending ID timer 0 sets no limit",
         Area::Timers,
         {text("IDSpeakTime", 3, "15300"), text("PIDTime", 3, "0")},
         nullptr, nullptr, nullptr, 0},
        {"a Yaesu radio with a model the file cannot hold",
         Area::AlarmsRemoteBase,
         {choice("YaesuType", 0, 7), choice("RadioType", 0, 3)},
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type",
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type cannot be stored as '7': the file "
         "would read it back as '1'",
         "YaesuType",
         0},
        {"the same model with another radio, which the upload sends too",
         Area::AlarmsRemoteBase,
         {choice("YaesuType", 0, 7), choice("RadioType", 0, 2)},
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type",
         "Logic Alarms/R Base: Remote Base Setup: Yaesu Type cannot be stored as '7': the file "
         "would read it back as '0'",
         "YaesuType",
         0},
        {"a toll restriction the file reads back as a missing key",
         Area::SpecialCodes,
         {[](EditorModel& m) { m.editText("TollRestrict", 100, "Default"); }},
         "Special Codes/Autopatch: Toll Restrict: Pos 100",
         "Special Codes/Autopatch: Toll Restrict: Pos 100 cannot be stored as 'Default': the file "
         "would read it back as ''",
         "TollRestrict",
         100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        load();
        const auto areas = everyArea(db());
        EditorModel& model = *areas[static_cast<std::size_t>(c.area)];
        ASSERT_EQ(model.area(), c.area);
        model.open();
        for (const Edit& edit : c.edits) edit(model);
        const std::vector<std::string> before = snapshot(db());
        const std::vector<Notice> notices = applyArea(model);
        if (c.title == nullptr) {
            EXPECT_TRUE(notices.empty()) << notices.front().text;
            EXPECT_FALSE(model.refusedEntry());
            continue;
        }
        ASSERT_EQ(notices.size(), 2u);
        EXPECT_EQ(notices[0], (Notice{c.title, c.text}));
        EXPECT_EQ(notices[1], (Notice{kApplyFailTitle, kApplyFailText}));
        ASSERT_TRUE(model.refusedEntry());
        EXPECT_EQ(model.refusedEntry()->key, c.key);
        EXPECT_EQ(model.refusedEntry()->index, c.index);
        EXPECT_EQ(snapshot(db()), before);
        EXPECT_TRUE(model.edited());
    }
}

// Load, apply, save, load: whatever Apply takes comes back from the file as it was applied.
// Every area gets seeded rounds of edits, some in range and some not, some pairs consistent
// and some not; refused rounds are cancelled.
TEST_F(ApplyThenLoadTest, ApplyThenSaveThenLoadIsAFixedPoint) {
    const char* const pool[] = {"0", "1", "3", "4", "7", "10", "25", "90", "255", "300",
                                "3500", "15300", "", "A3", "NONE STORED", "Default"};
    std::mt19937 random(20240611);
    int applied = 0;
    for (int round = 0; round < 12; ++round) {
        for (const auto& model : everyArea(db())) {
            model->open();
            for (int k = 0; k < 3; ++k) {
                const auto& fields = model->fields();
                const FieldSpec& f = fields[random() % fields.size()];
                const int index = f.indexing == FieldIndexing::Single
                                      ? 0
                                      : 1 + static_cast<int>(random() % f.count);
                const std::string value = pool[random() % std::size(pool)];
                if (f.kind == FieldKind::Text)
                    model->editText(f.key, index, value);
                else
                    model->editChoice(f.key, index, std::atoi(value.c_str()));
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

}  // namespace
}  // namespace kelp
