// The database loader over any file: every question answered (No, or the default button),
// the terminate hook installed so a runtime error ends the load instead of the process.
#include <cstdint>

#include "core/app/prompter.h"
#include "core/app/scripted_prompter.h"
#include "core/database/controller_database.h"
#include "core/database/dat_file.h"
#include "core/database/error_log.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = kelp::fuzz::inputFile("fuzz.dat", data, size);
    kelp::ScriptedPrompter prompter;
    prompter.setDefaultAnswer(kelp::Answer::No);
    kelp::ScopedPrompter scoped(prompter);
    kelp::setLoadTerminateHook([] {});
    kelp::resetProcessDatabase();
    kelp::db().currentFile = file;
    kelp::FileLoad();
    kelp::errorLog().close();
    return 0;
}
