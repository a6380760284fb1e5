// The ini layer: any bytes parsed and written back unchanged come back byte for byte; a key
// added in a new section leaves every byte before it as it was and reads back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/database/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kelp::IniFile ini = kelp::IniFile::parse(text);
    if (ini.text() != text)
        std::abort();
    if (!ini.hasSection("KelpFuzz")) {
        ini.write("KelpFuzz", "Key", "v");
        const std::string written = ini.text();
        if (written.compare(0, text.size(), text) != 0)
            std::abort();
        const kelp::IniFile again = kelp::IniFile::parse(written);
        if (again.read("KelpFuzz", "Key") != "v" || again.text() != written)
            std::abort();
    }
    return 0;
}
