// kelp.ini reading at start-up over any file: the link preferences, the window placement,
// the recent files list and the last memory image. A value of the wrong type is the
// program's own runtime error, reported where the program reads it; nothing else may escape.
#include <cstdint>

#include "core/session/preferences.h"
#include "core/app/runtime_error.h"
#include "core/link/link_preferences.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelp::fuzz::inputFile("kelp.ini", data, size);
    kelp::loadLinkPreferences();
    const kelp::Preferences preferences(kelp::fuzz::workFolder() / "kelp.ini");
    try {
        preferences.readWindowPlacement();
    } catch (const kelp::RuntimeError&) {
    }
    preferences.readRecentFiles([](const std::string& path) { return path.size() % 2 == 0; });
    preferences.memFile();
    return 0;
}
