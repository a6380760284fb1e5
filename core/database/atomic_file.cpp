#include "core/database/atomic_file.h"

#include <cerrno>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#else
#include <cstdio>
#endif

namespace kelp {
namespace {

namespace fs = std::filesystem;

std::function<bool(FileWriteStep)>& fault() {
    static std::function<bool(FileWriteStep)> f;
    return f;
}

std::size_t failedWrites = 0;

bool faulty(FileWriteStep step) {
    return fault() && fault()(step);
}

std::error_code systemError(int fallback = EIO) {
    return std::error_code(errno != 0 ? errno : fallback, std::generic_category());
}

fs::path temporaryBeside(const fs::path& target) {
    static std::mt19937_64 random{std::random_device{}()};
    std::error_code ignored;
    for (;;) {
        std::ostringstream name;
        name << target.filename().string() << ".kelp-" << std::hex << random() << ".tmp";
        fs::path candidate = target.parent_path() / name.str();
        if (!fs::exists(candidate, ignored))
            return candidate;
    }
}

#ifndef _WIN32
// Closes a descriptor once, however the write ends.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

void flushFolder(const fs::path& folder) {
    Descriptor dir;
    dir.fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir.fd < 0 || faulty(FileWriteStep::FlushFolder) || ::fsync(dir.fd) != 0)
        throw std::system_error(systemError(), "cannot flush the folder");
}
#endif

}  // namespace

void createPrivateFile(const fs::path& file) {
#ifndef _WIN32
    Descriptor created;
    created.fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
#else
    (void)file;  // a Windows profile folder is the user's own already
#endif
}

std::size_t failedFileWriteCount() {
    return failedWrites;
}

void setFileWriteFault(std::function<bool(FileWriteStep)> f) {
    fault() = std::move(f);
}

void writeFileAtomically(const fs::path& file, std::string_view contents, fs::perms newFileMode) {
    std::error_code ec;
    fs::path target = file;
    if (fs::is_symlink(file, ec)) {
        const fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec)
            target = resolved;
    }
    const fs::path temporary = temporaryBeside(target);
    bool created = false;
    const auto fail = [&](std::error_code why, const char* what) {
        std::error_code ignored;
        if (created)
            fs::remove(temporary, ignored);
        ++failedWrites;
        throw fs::filesystem_error(std::string("cannot save: ") + what, file, why);
    };
    errno = 0;
#ifndef _WIN32
    {
        Descriptor out;
        if (!faulty(FileWriteStep::Create))
            out.fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (out.fd < 0)
            fail(systemError(), "cannot create the temporary file");
        created = true;
        std::size_t done = 0;
        while (done < contents.size()) {
            if (faulty(FileWriteStep::Write)) {
                errno = ENOSPC;
                fail(systemError(), "cannot write");
            }
            const ssize_t n = ::write(out.fd, contents.data() + done, contents.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(systemError(ENOSPC), "cannot write");
            done += static_cast<std::size_t>(n);
        }
        if (faulty(FileWriteStep::Flush) || ::fsync(out.fd) != 0)
            fail(systemError(), "cannot flush to the disk");
        const int fd = out.fd;
        out.fd = -1;
        if (faulty(FileWriteStep::Close)) {
            ::close(fd);
            fail(systemError(), "cannot close");
        }
        if (::close(fd) != 0)
            fail(systemError(), "cannot close");
    }
#else
    {
        std::FILE* out =
            faulty(FileWriteStep::Create) ? nullptr : std::fopen(temporary.string().c_str(), "wb");
        if (out == nullptr)
            fail(systemError(), "cannot create the temporary file");
        created = true;
        const bool written =
            !faulty(FileWriteStep::Write) &&
            std::fwrite(contents.data(), 1, contents.size(), out) == contents.size();
        const bool flushed = written && !faulty(FileWriteStep::Flush) && std::fflush(out) == 0;
        const bool closed = std::fclose(out) == 0 && !faulty(FileWriteStep::Close);
        if (!written || !flushed || !closed)
            fail(systemError(), "cannot write");
    }
#endif
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old))
        fs::permissions(temporary, old.permissions(), fs::perm_options::replace, ec);
    else if (newFileMode != (fs::perms::owner_read | fs::perms::owner_write))
        fs::permissions(temporary, newFileMode, fs::perm_options::replace, ec);
    if (faulty(FileWriteStep::Rename))
        fail(std::make_error_code(std::errc::io_error), "cannot rename into place");
    fs::rename(temporary, target, ec);
    if (ec)
        fail(ec, "cannot rename into place");
#ifndef _WIN32
    // The new file is whole and in place; flushing its folder makes the rename itself survive
    // a power cut. When that cannot be done the old file is gone all the same, so the save
    // stands: failing it now would report a failure for a file that is written.
    try {
        flushFolder(target.parent_path());
    } catch (const std::system_error&) {
    }
#endif
}

}  // namespace kelp
