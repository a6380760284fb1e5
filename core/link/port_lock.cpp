#include "core/link/port_lock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <system_error>

#include "core/app/app_folder.h"
#include "core/app/busy_state.h"
#include "core/app/clock.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kelp {

namespace fs = std::filesystem;

namespace {

constexpr int kRetryMs = 100;

#ifndef _WIN32
// "kelp-cli (pid 1234)" from the lock file's "1234 kelp-cli".
std::string holderNamed(int fd) {
    char text[256] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string content(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
        content.pop_back();
    const std::size_t space = content.find(' ');
    if (space == std::string::npos || space == 0 || space + 1 >= content.size())
        return "another program";
    return content.substr(space + 1) + " (pid " + content.substr(0, space) + ")";
}
#endif

}  // namespace

fs::path PortLock::lockFile(const std::string& device) {
    std::string key = device;
    std::error_code ec;
    if (!device.empty() && fs::exists(device, ec)) {
        const fs::path resolved = fs::canonical(device, ec);
        if (!ec)
            key = resolved.string();
    }
    // A readable name for whoever looks into the folder, and a hash of the whole text so
    // that two devices never share a file.
    std::string name;
    for (const char c : key) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_';
        if (name.size() < 40)
            name += plain ? c : '-';
    }
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : key) {
        hash ^= c;
        hash *= 16777619u;
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", static_cast<unsigned>(hash));
    return appFolder() / "locks" / (name + "-" + hex + ".lock");
}

bool PortLock::acquire(const std::string& device, const std::string& program, int waitMs) {
    release();
    holder_.clear();
#ifndef _WIN32
    const fs::path file = lockFile(device);
    createPrivateFolders(file.parent_path());
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // Without a lock folder there is nothing to share a lock through; the port itself
        // still refuses what it must.
        device_ = device;
        return true;
    }
    Clock& clock = currentClock();
    const std::int64_t start = clock.nowMs();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            break;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            device_ = device;
            return true;
        }
        if (clock.nowMs() - start >= waitMs) {
            holder_ = holderNamed(fd);
            ::close(fd);
            return false;
        }
        clock.sleepMs(kRetryMs);
    }
    const std::string content = std::to_string(::getpid()) + " " + program + "\n";
    // Should the name not get written, the lock holds all the same; the one who waits is
    // then told "another program".
    const bool named = ::ftruncate(fd, 0) == 0 && ::pwrite(fd, content.data(), content.size(), 0) ==
                                                      static_cast<ssize_t>(content.size());
    (void)named;
    fd_ = fd;
#else
    // A Windows COM port is opened by one program at a time by the system itself.
    (void)program;
    (void)waitMs;
#endif
    device_ = device;
    return true;
}

void PortLock::release() {
#ifndef _WIN32
    if (fd_ >= 0) {
        // Emptied first, so that nobody is ever named as a holder who has gone.
        const bool emptied = ::ftruncate(fd_, 0) == 0;
        (void)emptied;
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
#endif
    fd_ = -1;
    device_.clear();
}

LockedSerialPort::LockedSerialPort(SerialPort& port, std::string program, int waitMs)
    : port_(port), program_(std::move(program)), waitMs_(waitMs) {
    busyToken_ = busyState().subscribe([this](int depth) {
        if (depth == 0)
            releaseWhenIdle();
    });
}

LockedSerialPort::~LockedSerialPort() {
    busyState().unsubscribe(busyToken_);
}

bool LockedSerialPort::open(const std::string& device) {
    tried_ = device;
    refusal_.clear();
    if (port_.isOpen())
        return port_.open(device);  // refused as a second open always was
    if (!lock_.device().empty() && lock_.device() != device)
        lock_.release();
    if (lock_.device().empty() && !lock_.acquire(device, program_, waitMs_)) {
        refusal_ = "port in use by " + lock_.holder();
        return false;
    }
    const bool opened = port_.open(device);
    if (!opened)
        releaseWhenIdle();
    return opened;
}

void LockedSerialPort::close() {
    port_.close();
    releaseWhenIdle();
}

void LockedSerialPort::releaseWhenIdle() {
    if (!port_.isOpen() && !busyState().busy())
        lock_.release();
}

}  // namespace kelp
