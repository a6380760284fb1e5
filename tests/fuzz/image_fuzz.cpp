// The memory image decoders over any file: the main image, then (built with
// KELP_FUZZ_OPTION=1 or 2) the autopatch or RTC image on top of a decoded main image.
#include <cstdint>

#include "core/app/prompter.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/download/eram_decoder.h"
#include "core/download/option_decoders.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelp::ScriptedPrompter prompter;
    prompter.setDefaultAnswer(kelp::Answer::No);
    kelp::ScopedPrompter scoped(prompter);
    kelp::resetProcessDatabase();
    kelp::ControllerDatabase& database = kelp::db();
    const std::string file = kelp::fuzz::inputFile("fuzz.mem", data, size);
#if KELP_FUZZ_OPTION == 1
    kelp::LoadAPEram(file, database);
#elif KELP_FUZZ_OPTION == 2
    kelp::LoadRTCEram(file, database);
#else
    kelp::LoadEram(file, database);
#endif
    return 0;
}
