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

// ownFolder: the per-user default, which Kelp alone uses.
std::filesystem::path chooseFolder(bool& ownFolder) {
    ownFolder = false;
    if (!overrideFolder().empty())
        return overrideFolder();
    std::filesystem::path folder = fromEnvironment("KELP_HOME");
    if (!folder.empty())
        return folder;
    ownFolder = true;
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

bool createPrivateFolders(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return true;
    const fs::path parent = folder.parent_path();
    if (!parent.empty() && parent != folder && !createPrivateFolders(parent))
        return false;
    if (fs::create_directory(folder, ec))
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    return fs::is_directory(folder, ec);
}

std::filesystem::path appFolder() {
    namespace fs = std::filesystem;
    bool ownFolder = false;
    fs::path folder = chooseFolder(ownFolder);
    createPrivateFolders(folder);
    // Checked once per folder and run, not at every file.
    static fs::path checked;
    if (ownFolder && folder != checked) {
        checked = folder;
        std::error_code ec;
        const fs::perms open = fs::perms::group_all | fs::perms::others_all;
        if ((fs::status(folder, ec).permissions() & open) != fs::perms::none)
            fs::permissions(folder, open, fs::perm_options::remove, ec);
    }
    return folder;
}

void setAppFolder(const std::filesystem::path& folder) {
    overrideFolder() = folder;
}

}  // namespace kelp
