// Loading (with repairs) and saving a full database with the RTC option: about 1,900 keys.
// Run with --benchmark_repetitions=10 --benchmark_report_aggregates_only=true for medians.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/app/app_folder.h"
#include "core/app/prompter.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/ini_file.h"

namespace {

namespace fs = std::filesystem;

// A work folder with the full RTC file, and a copy of it with a handful of values the loader
// must repair (so the report is written too).
class BenchFiles {
  public:
    BenchFiles() {
        folder_ = fs::temp_directory_path() / "kelp-bench";
        fs::create_directories(folder_ / "app");
        kelp::setAppFolder(folder_ / "app");
        full_ = (folder_ / "full_rtc.dat").string();
        fs::copy_file(std::string(KELP_TEST_DATA) + "/full_rtc.dat", full_,
                      fs::copy_options::overwrite_existing);
        kelp::IniFile damaged = kelp::IniFile::load(full_);
        damaged.write("DTMF", "DTMFDelay", "300");
        damaged.write("Timers", "HangTime1(2)", "abc");
        damaged.write("Scheduler", "Hours(7)", "7");
        damaged.write("Remote", "FreqString(3)", "14652 2");
        damaged.write("Macros", "Macro(1)", "001 999");
        damaged_ = (folder_ / "damaged.dat").string();
        damaged.save(damaged_);
    }
    ~BenchFiles() {
        kelp::setAppFolder({});
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    const std::string& full() const { return full_; }
    const std::string& damaged() const { return damaged_; }

  private:
    fs::path folder_;
    std::string full_;
    std::string damaged_;
};

void BM_LoadWithRepair(benchmark::State& state) {
    BenchFiles files;
    kelp::ScriptedPrompter prompter;
    prompter.setDefaultAnswer(kelp::Answer::No);
    kelp::ScopedPrompter installed(prompter);
    for (auto _ : state) {
        kelp::db().currentFile = files.damaged();
        kelp::FileLoad();
        prompter.clearRecords();
        if (!kelp::db().loaded)
            state.SkipWithError("the load did not complete");
    }
}
BENCHMARK(BM_LoadWithRepair)->Unit(benchmark::kMillisecond);

void BM_SaveFullRtc(benchmark::State& state) {
    BenchFiles files;
    kelp::ScriptedPrompter prompter;
    prompter.setDefaultAnswer(kelp::Answer::No);
    kelp::ScopedPrompter installed(prompter);
    kelp::db().currentFile = files.full();
    kelp::FileLoad();
    for (auto _ : state) {
        // Every save merges into the file as it is on disk: parse, update ~1,900 keys, write
        // the temporary file and rename it over the old one.
        kelp::db().set("HangTime1", 1, state.iterations() % 2 ? "11" : "12");
        if (!kelp::FileWrite())
            state.SkipWithError("the save failed");
    }
}
BENCHMARK(BM_SaveFullRtc)->Unit(benchmark::kMillisecond);

}  // namespace
