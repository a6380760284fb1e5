#include "core/link/port_lock.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "tests/core/app/temp_folder.h"
#include "tests/support/fake_serial_port.h"
#include "tests/support/virtual_clock.h"

namespace kelp {
namespace {

// Two users of one device: the second waits its few seconds, then is turned away naming the
// first; the first keeps the port for its whole operation, even while it is closed between
// steps, and lets go once the operation is over.
TEST(PortLockTest, ASecondUserWaitsThenIsTurnedAwayNamingTheFirst) {
    testing::TempFolder folder;
    setAppFolder(folder.path());
    VirtualClock clock;
    ScopedClock useClock(clock);
    FakeSerialPort programPort;
    FakeSerialPort watchPort;
    LockedSerialPort program(programPort, "kelp");
    LockedSerialPort watch(watchPort, "kelp-cli watch");
    const std::string pid = std::to_string(::getpid());
    {
        BusyGuard busy("The upload");
        ASSERT_TRUE(program.open("/dev/ttyS0"));
        program.close();  // a backup done, the upload to come: still the program's port
        const std::int64_t start = clock.nowMs();
        EXPECT_FALSE(watch.open("/dev/ttyS0"));
        EXPECT_GE(clock.nowMs() - start, kPortLockWaitMs);
        EXPECT_EQ(watch.errorText(), "port in use by kelp (pid " + pid + ")");
        EXPECT_FALSE(watchPort.isOpen());
        EXPECT_TRUE(watch.open("/dev/ttyS1"));  // another device, another lock
        watch.close();
    }
    ASSERT_TRUE(watch.open("/dev/ttyS0"));
    EXPECT_FALSE(program.open("/dev/ttyS0"));
    EXPECT_EQ(program.errorText(), "port in use by kelp-cli watch (pid " + pid + ")");
    watch.close();
    EXPECT_TRUE(program.open("/dev/ttyS0"));
    program.close();
    setAppFolder({});
}

}  // namespace
}  // namespace kelp
