#include "core/app/busy_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/app/scripted_prompter.h"

namespace kelp {
namespace {

// Listeners hear every depth; the outermost operation names the state; an interrupt asked for lasts until the state ends; a refusal says who is busy.
TEST(BusyStateTest, NestedGuardsMakeOneBusySpell) {
    ScriptedPrompter prompter;
    ScopedPrompter usePrompter(prompter);
    std::vector<int> heard;
    const int token = busyState().subscribe([&](int depth) { heard.push_back(depth); });

    EXPECT_FALSE(busyState().refuseWhileBusy());
    busyState().requestInterrupt();  // nothing runs: nothing to interrupt
    {
        BusyGuard outer("The upload");
        busyState().requestInterrupt();
        {
            BusyGuard inner("The backup of the controller");
            EXPECT_EQ(busyState().operation(), "The upload");
            EXPECT_TRUE(busyState().interruptRequested());
        }
        EXPECT_TRUE(busyState().busy());
        EXPECT_TRUE(busyState().refuseWhileBusy());
    }
    EXPECT_FALSE(busyState().busy());
    EXPECT_FALSE(busyState().interruptRequested());
    EXPECT_EQ(busyState().operation(), "");
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 1, 0}));
    ASSERT_EQ(prompter.messageBoxes().size(), 1u);
    EXPECT_EQ(prompter.lastMessageBox().title, "Kelp is busy");
    EXPECT_EQ(prompter.lastMessageBox().text.rfind("The upload is running.", 0), 0u);

    busyState().unsubscribe(token);
    { BusyGuard again("Set Clock"); }
    EXPECT_EQ(heard.size(), 4u);
}

}  // namespace
}  // namespace kelp
