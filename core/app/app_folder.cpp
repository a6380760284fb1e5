#include "core/app/app_folder.h"

#include <cstdlib>
#include <system_error>

namespace kelp {

namespace {

std::filesystem::path& overrideFolder() {
    static std::filesystem::path folder;
    return folder;
}

std::filesystem::path fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && *value != '\0') ? std::filesystem::path(value)
                                                : std::filesystem::path();
}

std::filesystem::path chooseFolder() {
    if (!overrideFolder().empty())
        return overrideFolder();
    std::filesystem::path folder = fromEnvironment("KELP_HOME");
    if (!folder.empty())
        return folder;
#ifdef _WIN32
    folder = fromEnvironment("APPDATA");
    if (!folder.empty())
        return folder / "Kelp";
#else
    folder = fromEnvironment("XDG_DATA_HOME");
    if (!folder.empty())
        return folder / "Kelp";
    folder = fromEnvironment("HOME");
    if (!folder.empty())
        return folder / ".local" / "share" / "Kelp";
#endif
    // No home at all (a stripped-down service account): the working folder serves.
    std::error_code ignored;
    return std::filesystem::current_path(ignored) / "Kelp";
}

}  // namespace

std::filesystem::path appFolder() {
    std::filesystem::path folder = chooseFolder();
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

void setAppFolder(const std::filesystem::path& folder) {
    overrideFolder() = folder;
}

}  // namespace kelp
