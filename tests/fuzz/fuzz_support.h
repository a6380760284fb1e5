// What the fuzz targets share: a private application folder for the whole run, and the input
// written as a file there (the parsers under test read files).
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/app/app_folder.h"

namespace kelp::fuzz {

inline const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path made =
            std::filesystem::temp_directory_path() / ("kelp-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        setAppFolder(made);
        return made;
    }();
    return folder;
}

// Writes the input as `name` in the work folder and returns its path.
inline std::string inputFile(const char* name, const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = workFolder() / name;
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file.string();
}

}  // namespace kelp::fuzz
