#include "core/database/setting_flags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/editors/alarms_model.h"
#include "core/editors/analog_model.h"
#include "core/editors/dtmf_settings_model.h"
#include "core/editors/identification_model.h"
#include "core/editors/port_switches_model.h"
#include "core/editors/timers_model.h"
#include "tests/core/editors/editor_test_support.h"

namespace kelp {
namespace {

using U = UploadFlag;

// A group of one flag answers to index 0 and 1 alike.
FlagRef slotOf(FlagRef f) {
    if (uploadFlagDescriptor(f.group).count == 1)
        f.index = 0;
    return f;
}

// Every field an editor applies finds its flag in the table, and a field that still names
// its flag itself names the same one, so Apply and `upload --since` cannot disagree.
TEST(SettingFlags, EveryEditorFieldAgreesWithTheTable) {
    const std::vector<std::vector<FieldSpec>> areas = {
        timersFields(),         portSwitchesFields(), identificationFields(),
        dtmfSettingsFields(50), alarmsFields(),       analogFields()};
    for (const auto& fields : areas) {
        for (const FieldSpec& f : fields) {
            SCOPED_TRACE(f.key);
            if (findKey(f.key) == nullptr)
                continue;  // a selector of the window, not a setting
            const int first = f.indexing == FieldIndexing::Single ? 0 : 1;
            const int last = f.indexing == FieldIndexing::Single ? 0 : f.count;
            for (int i = first; i <= last; ++i) {
                const std::optional<FlagRef> fromTable = settingFlag(f.key, i);
                ASSERT_TRUE(fromTable.has_value()) << "index " << i;
                if (f.flag != U::Count_) {
                    EXPECT_EQ(slotOf(*fromTable),
                              slotOf(FlagRef{f.flag, f.flagIndex > 0 ? f.flagIndex : i}))
                        << "index " << i;
                }
            }
        }
    }
}

TEST(SettingFlags, DifferencesRaiseExactlyTheirFlags) {
    struct Case {
        const char* what;
        const char* keyText;  // as the file writes it
        std::vector<std::pair<UploadFlag, int>> raised;
    };
    const std::vector<Case> cases = {
        {"hang timer 2 of port 3 shares the port's flag", "HangTime2(3)", {{U::HangTimers, 3}}},
        {"single key", "FanTime", {{U::FanTimer, 0}}},
        {"second message of port 2's tail", "P2MessageNum(1)", {{U::TailMessageMacros, 2}}},
        {"general timer macro", "GeneralTimerMacro(4)", {{U::GeneralTimer, 4}}},
        {"reference voltage", "Vref", {{U::MeterSetup, kVrefFlagIndex}}},
        {"tone 6 is segment 3", "P2Tone6(4)", {{U::CourtesySegment3, courtesyFlagIndex(2, 4)}}},
        {"delay 1 of port 3 tone 10",
         "P3Delay1(10)",
         {{U::CourtesySegment1, courtesyFlagIndex(3, 10)}}},
        {"remote base memory", "CTCSS(7)", {{U::RemoteBaseMemories, 0}}},
        {"Yaesu type goes with the radio type", "YaesuType", {{U::RadioType, 0}}},
        {"regeneration port", "DTMFPort", {{U::DtmfRegenerate, 0}}},
        {"scheduler week", "Week(20)", {{U::SchedulerSetpoint, 20}}},
        {"lock code: its own window", "Lock", {}},
        {"pending unlock code: its own window", "NewPortUnlock(1)", {}},
        {"DVR table: its own option", "DVRTracks(3)", {}},
        {"DTMF memory 30 without the RTC board", "DTMF(30)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ControllerDatabase previous;
        ControllerDatabase now;
        now.hasRtc = false;
        now.setByKey(c.keyText, "7");
        const int differing = flagDifferences(now, previous);
        EXPECT_EQ(testing::raisedFlags(now), c.raised);
        EXPECT_EQ(differing, static_cast<int>(c.raised.size()));
    }
}

}  // namespace
}  // namespace kelp
