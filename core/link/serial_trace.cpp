#include "core/link/serial_trace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <vector>

#include "core/app/app_folder.h"
#include "core/app/clock.h"
#include "core/database/atomic_file.h"
#include "core/database/controller_database.h"

namespace kelp {

namespace {

// "yyyymmdd-hhmmss" for file names, or "yyyy-mm-dd hh:mm:ss.mmm" for lines.
std::string stamp(bool forFileName) {
    const auto now = currentClock().wallClock();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::tm t = localTime(now);
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

// The lines the program sends that carry no setting: the download's requests and
// acknowledgements, the version question, the voice recorder's start and stop keys.
bool isProtocolWord(const std::string& line) {
    static const char* const words[] = {
        "OK", "o", "r", "G", "S", "1SendEram", "1SendAPEram", "1SendRTCEram", "1GetVersion"};
    return std::find(std::begin(words), std::end(words), line) != std::end(words);
}

// A setting command: a port digit (or the "999" before a line typed into the manual send),
// "*", the four-digit command number, then the value. A code is any DTMF digits, so a line of
// another shape may be one.
bool isSettingCommand(const std::string& line) {
    const std::size_t star = line.find('*');
    if (star == std::string::npos || star + 5 > line.size())
        return false;
    const std::string port = line.substr(0, star);
    if (port != "1" && port != "2" && port != "3" && port != "999")
        return false;
    return std::all_of(line.begin() + static_cast<std::ptrdiff_t>(star) + 1,
                       line.begin() + static_cast<std::ptrdiff_t>(star) + 5,
                       [](char c) { return c >= '0' && c <= '9'; });
}

// How much of a sent line (without its line end) may be shown before the code it carries, or
// npos when it carries none.
std::size_t shownBeforeCode(const std::string& line) {
    // "1*9000" unlock, "1*9010" lock, "1*9020" terminator: the new code follows the command.
    static const char* const programming[] = {"*9000", "*9010", "*9020"};
    if (line.size() > 6 && line[0] >= '1' && line[0] <= '3')
        for (const char* command : programming)
            if (line.compare(1, 5, command) == 0)
                return 6;
    // A line that is a code of this database, or a code and a terminator: an unlock typed by
    // hand, the relock that ends a download.
    const ControllerDatabase& database = db();
    std::vector<std::string> codes;
    for (int port = 1; port <= 3; ++port) {
        codes.push_back(database.get("CurrentPortUnlock", port));
        codes.push_back(database.get("NewPortUnlock", port));
    }
    codes.push_back(database.get("Lock"));
    codes.push_back(database.get("NewLock"));
    for (const std::string& code : codes) {
        if (code.empty() || line.compare(0, code.size(), code) != 0)
            continue;
        const std::string rest = line.substr(code.size());
        if (rest.empty() || rest == database.get("Terminator") ||
            rest == database.get("NewTerminator"))
            return 0;
    }
    // Anything else the operator may have typed (a kelp-cli send line, the manual send) is
    // hidden whole unless it is a setting command: with no database open, nothing tells an
    // unlock code and its terminator from other digits.
    return isSettingCommand(line) || isProtocolWord(line) ? std::string::npos : 0;
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

std::string SerialTrace::visibleWithoutCodes(const std::string& sent, bool& hid) {
    hid = false;
    std::string text;
    std::size_t at = 0;
    while (at < sent.size()) {
        std::size_t end = sent.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = sent.size();
        const std::string line = sent.substr(at, end - at);
        const std::size_t shown = line.empty() ? std::string::npos : shownBeforeCode(line);
        if (shown == std::string::npos) {
            text += visible(line);
        } else {
            text += visible(line.substr(0, shown)) + kHiddenCode;
            hid = true;
        }
        // The line ends themselves.
        at = sent.find_first_not_of("\r\n", end);
        if (at == std::string::npos)
            at = sent.size();
        text += visible(sent.substr(end, at - end));
    }
    return text;
}

void SerialTrace::sent(const std::string& data) {
    bool hid = false;
    const std::string text = visibleWithoutCodes(data, hid);
    write("TX", text, hid);
}

void SerialTrace::writeFailed(const std::string& data, const std::string& reason) {
    bool hid = false;
    const std::string text = visibleWithoutCodes(data, hid);
    write("--", "write failed: " + text + ": " + reason, hid);
}

void SerialTrace::received(const std::string& data) {
    if (!mask_) {
        write("RX", visible(data));
        return;
    }
    maskPending_ += data;
    writeMaskedLines(false);
}

void SerialTrace::writeMaskedLines(bool all) {
    std::string text;
    bool hid = false;
    for (;;) {
        std::size_t end = maskPending_.find("\r\n");
        if (end == std::string::npos && (!all || maskPending_.empty()))
            break;
        const std::size_t lineEnd = end == std::string::npos ? maskPending_.size() : end + 2;
        const std::string line = maskPending_.substr(0, end == std::string::npos ? lineEnd : end);
        const std::size_t shown = mask_(maskIndex_++, line);
        if (shown == std::string::npos) {
            text += visible(line);
        } else {
            text += visible(line.substr(0, shown)) + kHiddenCode;
            hid = true;
        }
        text += visible(maskPending_.substr(line.size(), lineEnd - line.size()));
        maskPending_.erase(0, lineEnd);
    }
    if (!text.empty())
        write("RX", text, hid);
}

void SerialTrace::setReceivedLineMask(ReceivedLineMask mask) {
    if (mask_)
        writeMaskedLines(true);
    mask_ = std::move(mask);
    maskPending_.clear();
    maskIndex_ = 0;
}

void SerialTrace::setSubfolder(const std::string& name) {
    if (name == subfolder_)
        return;
    finish();
    subfolder_ = name;
}

std::filesystem::path SerialTrace::traceFolder() const {
    return subfolder_.empty() ? appFolder() : appFolder() / subfolder_;
}

void SerialTrace::finish() {
    if (out_.is_open())
        out_.close();
    file_.clear();
    folder_.clear();
    failed_ = false;
    noteWritten_ = false;
}

bool SerialTrace::start() {
    std::error_code error;
    folder_ = traceFolder();
    createPrivateFolders(folder_);
    const std::string base = std::string(kFilePrefix) + stamp(true);
    std::filesystem::path candidate = folder_ / (base + ".log");
    for (int n = 2; std::filesystem::exists(candidate, error); ++n)
        candidate = folder_ / (base + "-" + std::to_string(n) + ".log");
    createPrivateFile(candidate);
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

void SerialTrace::write(const char* direction, const std::string& text, bool hidesCode) {
    // A test or the command line may move the application folder between runs.
    if ((out_.is_open() || failed_) && folder_ != traceFolder())
        finish();
    if (failed_)
        return;
    if (!out_.is_open() && !start())
        return;
    if (hidesCode && !noteWritten_) {
        out_ << stamp(false)
             << " -- the unlock, lock and terminator codes in this trace are "
                "written as "
             << kHiddenCode << '\n';
        noteWritten_ = true;
    }
    out_ << stamp(false) << ' ' << direction << ' ' << text << '\n';
    out_.flush();
    if (!out_)
        failed_ = true;
}

}  // namespace kelp
