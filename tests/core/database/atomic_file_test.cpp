#include "core/database/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/database/ini_file.h"

namespace kelp {
namespace {

namespace fs = std::filesystem;

std::string bytesOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every step of a save made to fail in turn: the old file stays byte for byte and the save
// reports the failure, or the save succeeds with the whole new file; never anything else, and
// never a temporary file left behind.
TEST(AtomicFile, EveryFailingStepLeavesTheOldFileOrTheWholeNewOne) {
    const fs::path folder =
        fs::temp_directory_path() / ("kelp-atomic-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path target = folder / "site.dat";
    const std::string before = "[Timers]\r\nHangTime1(1)=50\r\n\r\r\n";  // odd bytes kept
    const struct {
        FileWriteStep step;
        bool saves;
    } cases[] = {
        {FileWriteStep::Create, false}, {FileWriteStep::Write, false},
        {FileWriteStep::Flush, false},  {FileWriteStep::Close, false},
        {FileWriteStep::Rename, false}, {FileWriteStep::FlushFolder, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        { std::ofstream(target, std::ios::binary) << before; }
        IniFile ini = IniFile::load(target);
        ini.write("Timers", "HangTime1(1)", "60");
        setFileWriteFault([&](FileWriteStep s) { return s == c.step; });
        bool threw = false;
        try {
            ini.save(target);
        } catch (const fs::filesystem_error&) {
            threw = true;
        }
        setFileWriteFault({});
        EXPECT_EQ(threw, !c.saves);
        EXPECT_EQ(bytesOf(target), c.saves ? ini.text() : before);
        int files = 0;
        for (const auto& entry : fs::directory_iterator(folder)) {
            ++files;
            EXPECT_EQ(entry.path().filename(), "site.dat");
        }
        EXPECT_EQ(files, 1);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kelp
