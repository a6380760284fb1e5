#include "core/link/serial_trace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

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

// The codes never reach a trace: what the port sends, and what the main image brings in
// (delivered in pieces that split its lines), as the trace writes it.
TEST_F(SerialTraceTest, CodesAreHiddenInEveryLineThatCarriesOne) {
    ControllerDatabase& database = db();
    database.set("CurrentPortUnlock", 1, "16937");
    database.set("NewPortUnlock", 2, "2468");
    database.set("Lock", "#");
    database.set("NewLock", "975");
    database.set("Terminator", "D");
    struct Sent {
        std::string data, trace;
    };
    const std::vector<Sent> sent{
        {"1*900024680\r", "1*9000<code hidden><CR>"},  // a new unlock code
        {"2*90002468\r", "2*9000<code hidden><CR>"},
        {"1*9010975\r", "1*9010<code hidden><CR>"},  // a new lock code
        {"1*9020*\r", "1*9020<code hidden><CR>"},    // a new terminator
        {"#D\r", "<code hidden><CR>"},               // the relock after a download
        {"16937D\r", "<code hidden><CR>"},           // an unlock typed by hand
        {"975\r", "<code hidden><CR>"},
        {"1*10001180\r", "1*10001180<CR>"},  // settings stay as they are
        {"1*9000\r", "1*9000<CR>"},
        {"OK\r", "OK<CR>"},
        {"\r", "<CR>"},
        {"1*2000#D\r1*9010975\r", "1*2000#D<CR>1*9010<code hidden><CR>"},
        // Whatever else an operator types may be a code of another database: hidden whole,
        // but for the setting commands and the program's own words.
        {"16937123\r", "<code hidden><CR>"},
        {"5821397C\r", "<code hidden><CR>"},
        {"9994861C\r", "<code hidden><CR>"},
        {"4*1000\r", "<code hidden><CR>"},
        {"1*100\r", "<code hidden><CR>"},
        {"999*1000150\r", "999*1000150<CR>"},
        {"3*21999\r", "3*21999<CR>"},
        {"1SendRTCEram\r", "1SendRTCEram<CR>"},
        {"G", "G"},
    };
    for (const Sent& s : sent) {
        bool hid = false;
        EXPECT_EQ(SerialTrace::visibleWithoutCodes(s.data, hid), s.trace) << s.data;
        EXPECT_EQ(hid, s.trace.find("<code hidden>") != std::string::npos) << s.data;
    }

    {
        ScopedReceivedLineMask mask([](int record, const std::string& line) {
            return record == 1 ? line.find(',') + 1 : std::string::npos;
        });
        for (const char* piece : {"0,4", "8\r\n1,4", "9\r", "\n2,5\r\n", "3,1"})
            SerialTrace::instance().received(piece);
    }
    SerialTrace::instance().sent("#D\r");
    const std::string text = testing::readBytes(SerialTrace::instance().currentFile());
    EXPECT_NE(text.find(" RX 0,48<CR><LF>\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" RX 1,<code hidden><CR><LF>2,5<CR><LF>\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" RX 3,1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("1,49"), std::string::npos) << text;
    // Said once, before the first line that hides a code.
    const std::string said = " -- the unlock, lock and terminator codes in this trace";
    const std::size_t note = text.find(said);
    EXPECT_LT(note, text.find("<code hidden>"));
    EXPECT_EQ(text.find(said, note + 1), std::string::npos);
}

}  // namespace
}  // namespace kelp
