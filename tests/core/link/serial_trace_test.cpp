#include "core/link/serial_trace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "tests/core/link/link_fixture.h"

namespace kelp {
namespace {

class SerialTraceTest : public testing::LinkTest {
  protected:
    std::set<std::string> traceFiles() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("serial-trace-", 0) == 0)
                names.insert(name);
        }
        return names;
    }
};

TEST_F(SerialTraceTest, EveryExchangeIsWrittenWithControlBytesVisible) {
    EXPECT_EQ(SerialTrace::visible("1*10001180\r\n+\x1b<"), "1*10001180<CR><LF>+<1B><3C>");

    linkPreferences().ComPort = 1;
    port.setResponder([](const std::string& line) { return line.empty() ? "" : "+\r\n"; });
    OpenPort();
    SendStr("1*10001180\r");
    CheckInput("1*10001180");
    currentSerialPort().close();
    SerialTrace::instance().finish();

    const std::set<std::string> files = traceFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string text = testing::readBytes(folder / *files.begin());
    const auto has = [&text](const std::string& part) {
        return text.find(part) != std::string::npos;
    };
    EXPECT_TRUE(has(" -- open /dev/ttyS0\n"));
    EXPECT_TRUE(has(" TX <CR>\n"));
    EXPECT_TRUE(has(" TX 1*10001180<CR>\n"));
    EXPECT_TRUE(has(" RX +<CR><LF>\n"));
    EXPECT_TRUE(has(" -- close /dev/ttyS0\n"));
    EXPECT_LT(text.find("TX 1*10001180"), text.find("RX +"));
}

TEST_F(SerialTraceTest, OnlyTheNewestTenFilesAreKept) {
    for (int day = 10; day < 22; ++day)
        testing::writeBytes(folder / ("serial-trace-202401" + std::to_string(day) + "-120000.log"),
                            "old\n");
    testing::writeBytes(folder / "kelp.ini", "[Main]\n");
    clock.setWallStart(std::chrono::system_clock::now());
    SerialTrace::instance().event("start");

    const std::set<std::string> files = traceFiles();
    EXPECT_EQ(files.size(), 10u);
    EXPECT_EQ(files.count("serial-trace-20240112-120000.log"), 0u);
    EXPECT_EQ(files.count("serial-trace-20240113-120000.log"), 1u);
    EXPECT_EQ(files.count(SerialTrace::instance().currentFile().filename().string()), 1u);
    EXPECT_TRUE(std::filesystem::exists(folder / "kelp.ini"));
}

}  // namespace
}  // namespace kelp
