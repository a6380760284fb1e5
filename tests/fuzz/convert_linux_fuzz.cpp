// convert_Linux over any file: it gives the converted copy (every line ending in CR LF) or
// reports the failure; a copy it names must hold exactly the lines it read.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "core/app/prompter.h"
#include "core/app/scripted_prompter.h"
#include "core/download/image_text.h"
#include "core/download/memory_import.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelp::ScriptedPrompter prompter;
    prompter.setDefaultAnswer(kelp::Answer::No);
    kelp::ScopedPrompter scoped(prompter);
    const std::string file = kelp::fuzz::inputFile("linux.mem", data, size);
    const std::string converted = kelp::convert_Linux(file);
    if (converted.empty())
        return 0;
    std::ifstream in(converted, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string expected;
    for (const std::string& line : kelp::splitImageLines(kelp::readImageFile(file)))
        expected += line + "\r\n";
    if (bytes != expected)
        std::abort();
    return 0;
}
