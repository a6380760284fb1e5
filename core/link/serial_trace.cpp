#include "core/link/serial_trace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/clock.h"

namespace kelp {

namespace {

std::tm localTime(std::time_t t) {
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &t);
#else
    localtime_r(&t, &parts);
#endif
    return parts;
}

// "yyyymmdd-hhmmss" for file names, or "yyyy-mm-dd hh:mm:ss.mmm" for lines.
std::string stamp(bool forFileName) {
    const auto now = currentClock().wallClock();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::tm t = localTime(std::chrono::system_clock::to_time_t(now));
    char text[80];
    if (forFileName) {
        std::snprintf(text, sizeof text, "%04d%02d%02d-%02d%02d%02d", t.tm_year + 1900,
                      t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.tm_year + 1900,
                      t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                      static_cast<int>(((ms.count() % 1000) + 1000) % 1000));
    }
    return text;
}

bool isTraceFile(const std::filesystem::path& p) {
    const std::string name = p.filename().string();
    const std::string prefix = SerialTrace::kFilePrefix;
    return name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
           name.compare(name.size() - 4, 4, ".log") == 0;
}

}  // namespace

SerialTrace& SerialTrace::instance() {
    static SerialTrace trace;
    return trace;
}

std::string SerialTrace::visible(const std::string& data) {
    std::string text;
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            text += "<CR>";
        } else if (c == '\n') {
            text += "<LF>";
        } else if (byte < 0x20 || byte >= 0x7f || c == '<') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            text += hex;
        } else {
            text += c;
        }
    }
    return text;
}

void SerialTrace::finish() {
    if (out_.is_open())
        out_.close();
    file_.clear();
    folder_.clear();
    failed_ = false;
}

bool SerialTrace::start() {
    std::error_code error;
    folder_ = appFolder();
    const std::string base = std::string(kFilePrefix) + stamp(true);
    std::filesystem::path candidate = folder_ / (base + ".log");
    for (int n = 2; std::filesystem::exists(candidate, error); ++n)
        candidate = folder_ / (base + "-" + std::to_string(n) + ".log");
    out_.open(candidate, std::ios::out | std::ios::trunc);
    if (!out_) {
        failed_ = true;
        return false;
    }
    file_ = candidate;

    // Keep this run's file and the newest of the others, ten in all. The names sort by time.
    std::vector<std::filesystem::path> traces;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, error)) {
        if (entry.path() != file_ && isTraceFile(entry.path()))
            traces.push_back(entry.path());
    }
    std::sort(traces.begin(), traces.end());
    const std::size_t keepOthers = kKeptFiles - 1;
    for (std::size_t i = 0; i + keepOthers < traces.size(); ++i)
        std::filesystem::remove(traces[i], error);
    return true;
}

void SerialTrace::write(const char* direction, const std::string& text) {
    // A test or the command line may move the application folder between runs.
    if ((out_.is_open() || failed_) && folder_ != appFolder())
        finish();
    if (failed_)
        return;
    if (!out_.is_open() && !start())
        return;
    out_ << stamp(false) << ' ' << direction << ' ' << text << '\n';
    out_.flush();
    if (!out_)
        failed_ = true;
}

}  // namespace kelp
