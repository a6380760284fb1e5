#include "cli/cli_support.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/database/atomic_file.h"
#include "core/database/dat_file.h"

namespace kelp::cli {

namespace fs = std::filesystem;

WorkFolder::WorkFolder(const std::string& prefix) {
    std::mt19937_64 random{std::random_device{}()};
    for (;;) {
        std::ostringstream name;
        name << prefix << std::hex << random();
        path_ = fs::temp_directory_path() / name.str();
        // It holds working copies of databases, codes and all: the owner's alone.
        if (fs::create_directory(path_)) {
            fs::permissions(path_, fs::perms::owner_all, fs::perm_options::replace);
            break;
        }
    }
}

WorkFolder::~WorkFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ScopedAppFolder::ScopedAppFolder(const fs::path& folder) {
    setAppFolder(folder);
}
ScopedAppFolder::~ScopedAppFolder() {
    setAppFolder({});
}

ScopedLoadTerminateHook::ScopedLoadTerminateHook(bool& terminated) {
    setLoadTerminateHook([&terminated] { terminated = true; });
}
ScopedLoadTerminateHook::~ScopedLoadTerminateHook() {
    setLoadTerminateHook({});
}

StagedOutput::StagedOutput(fs::path target)
    : target_(std::move(target)),
      staging_(target_.string() + ".kelp-new"),
      failedWritesBefore_(failedFileWriteCount()) {
    std::error_code ignored;
    fs::remove(staging_, ignored);  // a leftover of an interrupted run is not a database
}

StagedOutput::~StagedOutput() {
    if (committed_)
        return;
    std::error_code ignored;
    fs::remove(staging_, ignored);
}

bool StagedOutput::commit(std::string& error) {
    // The staged file goes into place through the one careful writer: flushed to the disk,
    // renamed over the target, the folder flushed. The old target stays on any failure.
    if (failedFileWriteCount() != failedWritesBefore_) {
        error = "'" + target_.string() + "' is not written: a write failed while it was being made";
        return false;
    }
    try {
        std::ifstream in(staging_, std::ios::binary);
        if (!in)
            throw fs::filesystem_error("cannot read the new file", staging_,
                                       std::make_error_code(std::errc::io_error));
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        if (in.bad())
            throw fs::filesystem_error("cannot read the new file", staging_,
                                       std::make_error_code(std::errc::io_error));
        writeFileAtomically(target_, bytes);
    } catch (const std::exception& e) {
        error = "cannot put '" + target_.string() + "' in place: " + e.what();
        return false;
    }
    std::error_code ignored;
    fs::remove(staging_, ignored);
    committed_ = true;
    return true;
}

}  // namespace kelp::cli
