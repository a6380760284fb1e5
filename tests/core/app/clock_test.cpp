#include "core/app/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/system_clock.h"
#include "tests/support/virtual_clock.h"
#include "tests/core/app/temp_folder.h"

namespace kelp {
namespace {

TEST(VirtualClock, SleepsPassAtOnceAndTimersTick) {
    VirtualClock clock;
    int ticks = 0;
    clock.addTimer(1000, [&ticks] { ++ticks; });

    // A nine-second answer wait polling every 10 ms, as the serial link does.
    const std::int64_t start = clock.nowMs();
    while (ticks <= 8) clock.sleepMs(10);
    EXPECT_EQ(clock.nowMs() - start, 9000);
    EXPECT_EQ(clock.sleepCount(), 900);
    EXPECT_EQ(clock.sleptMs(), 9000);

    clock.sleepMs(2500);
    EXPECT_EQ(ticks, 11);
    EXPECT_EQ(clock.wallClock() - std::chrono::system_clock::time_point{},
              std::chrono::milliseconds(11500));
}

TEST(VirtualClock, TimersFireInTimeOrder) {
    VirtualClock clock;
    std::vector<std::string> order;
    clock.addTimer(300, [&order] { order.push_back("300"); });
    clock.addTimer(500, [&order] { order.push_back("500"); });
    clock.sleepMs(1000);
    EXPECT_EQ(order, (std::vector<std::string>{"300", "500", "300", "300", "500"}));
}

TEST(VirtualClock, YieldRunsTheHookAndCanTakeTime) {
    VirtualClock clock;
    bool interrupted = false;
    int turns = 0;
    clock.setYieldHook([&] {
        if (++turns == 3)
            interrupted = true;  // the operator clicks "Interrupt"
    });
    while (!interrupted) clock.yield();
    EXPECT_EQ(clock.yieldCount(), 3);
    EXPECT_EQ(clock.nowMs(), 0);

    // A loop that only yields still reaches its time-out when yields take virtual time.
    clock.setYieldStepMs(5);
    int ticks = 0;
    clock.addTimer(1000, [&ticks] { ++ticks; });
    while (ticks <= 3) clock.yield();
    EXPECT_EQ(clock.nowMs(), 4000);
}

TEST(Clock, SystemClockUntilOneIsInstalled) {
    setCurrentClock(nullptr);
    EXPECT_NE(dynamic_cast<SystemClock*>(&currentClock()), nullptr);
    const std::int64_t before = currentClock().nowMs();
    currentClock().sleepMs(2);
    EXPECT_GE(currentClock().nowMs() - before, 2);

    VirtualClock clock;
    {
        ScopedClock installed(clock);
        EXPECT_EQ(&currentClock(), &clock);
    }
    EXPECT_NE(&currentClock(), &clock);
}

#ifndef _WIN32
// Sets or clears an environment variable for one test and restores it afterwards.
class EnvVar {
  public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = std::string(old);
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~EnvVar() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(AppFolder, ChoosesAndCreatesTheFolder) {
    testing::TempFolder tmp;
    const std::string kelpHome = (tmp / "kelp-home").string();
    const std::string xdg = (tmp / "xdg").string();
    const std::string home = (tmp / "home").string();
    struct Case {
        const char* kelpHome;
        const char* xdgDataHome;
        std::filesystem::path expected;
    };
    const std::vector<Case> cases = {
        {kelpHome.c_str(), xdg.c_str(), kelpHome},
        {"", xdg.c_str(), tmp / "xdg" / "Kelp"},
        {nullptr, nullptr, tmp / "home" / ".local" / "share" / "Kelp"},
    };
    EnvVar homeVar("HOME", home.c_str());
    for (const Case& c : cases) {
        EnvVar a("KELP_HOME", c.kelpHome);
        EnvVar b("XDG_DATA_HOME", c.xdgDataHome);
        EXPECT_EQ(appFolder(), c.expected);
        EXPECT_TRUE(std::filesystem::is_directory(c.expected)) << c.expected;
    }

    EnvVar a("KELP_HOME", kelpHome.c_str());
    setAppFolder(tmp / "chosen");
    EXPECT_EQ(appFolder(), tmp / "chosen");
    setAppFolder({});
    EXPECT_EQ(appFolder(), kelpHome);
}
#endif

}  // namespace
}  // namespace kelp
