// qz740-sim: answers like a QZ740 on a pseudo-terminal. It prints the device path to open
// (first line of its output), then serves until it is interrupted: "+" to each line ending
// in CR, "-" or nothing or garbage to lines matching the rules given, the configured version
// to "1GetVersion". Every line received is logged with the time it arrived.
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "controller.h"
#include "pseudo_terminal.h"

namespace {

using namespace qz740sim;
using Clock = std::chrono::steady_clock;

// One byte of 8N1 at 9600 baud is ten bits on the wire.
constexpr auto kByteTime = std::chrono::microseconds(10'000'000 / 9600);

volatile sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

const char* kUsage =
    "Usage: qz740-sim [options]\n"
    "Answers like a QZ740 repeater controller on a pseudo-terminal. The first line printed is\n"
    "the device to open as the controller's serial port.\n"
    "\n"
    "  --version TEXT     answer to 1GetVersion (default 7000)\n"
    "  --nack REGEX       answer \"-\" to lines matching REGEX (whole line; repeatable)\n"
    "  --silent REGEX     give no answer to matching lines, to exercise time-outs\n"
    "  --garbage REGEX    answer matching lines with text that is neither \"+\" nor \"-\"\n"
    "  --delay MS         think this long before answering (default 5)\n"
    "  --pace             move bytes at 9600 baud's rate in both directions\n"
    "  --eol crlf|cr|none what ends each answer line (default crlf)\n"
    "  --link PATH        also make PATH a symbolic link to the device\n"
    "  --log FILE         log received lines to FILE instead of standard error\n"
    "  -h, --help         show this help\n";

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm parts{};
    localtime_r(&t, &parts);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  static_cast<int>(ms));
    return text;
}

struct Options {
    ControllerOptions controller;
    int delayMs = 5;
    bool pace = false;
    std::string link;
    std::string log;
};

bool addRule(std::vector<Rule>& rules, const std::string& pattern) {
    try {
        rules.push_back(Rule{pattern, std::regex(pattern)});
        return true;
    } catch (const std::regex_error& e) {
        std::cerr << "qz740-sim: bad pattern '" << pattern << "': " << e.what() << '\n';
        return false;
    }
}

// Returns 0 to run, or the exit status to end with.
int parse(int argc, char* argv[], Options& options, bool& done) {
    done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            done = true;
            return 0;
        }
        if (arg == "--pace") {
            options.pace = true;
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << "qz740-sim: " << arg << " needs a value (or is unknown)\n" << kUsage;
            return 2;
        }
        const std::string value = argv[++i];
        if (arg == "--version") {
            options.controller.version = value;
        } else if (arg == "--nack" || arg == "--silent" || arg == "--garbage") {
            auto& rules = arg == "--nack"     ? options.controller.nack
                          : arg == "--silent" ? options.controller.silent
                                              : options.controller.garbage;
            if (!addRule(rules, value))
                return 2;
        } else if (arg == "--delay") {
            char* end = nullptr;
            const long ms = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || ms < 0 || ms > 600000) {
                std::cerr << "qz740-sim: --delay wants milliseconds, not '" << value << "'\n";
                return 2;
            }
            options.delayMs = static_cast<int>(ms);
        } else if (arg == "--eol") {
            if (value == "crlf")
                options.controller.eol = "\r\n";
            else if (value == "cr")
                options.controller.eol = "\r";
            else if (value == "none")
                options.controller.eol = "";
            else {
                std::cerr << "qz740-sim: --eol is crlf, cr or none\n";
                return 2;
            }
        } else if (arg == "--link") {
            options.link = value;
        } else if (arg == "--log") {
            options.log = value;
        } else {
            std::cerr << "qz740-sim: unknown option " << arg << '\n' << kUsage;
            return 2;
        }
    }
    return 0;
}

bool writeAll(int fd, const std::string& data, bool pace) {
    std::size_t sent = 0;
    while (sent < data.size() && !stopRequested) {
        const std::size_t chunk = pace ? 1 : data.size() - sent;
        const ssize_t n = write(fd, data.data() + sent, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            return false;
        }
        sent += static_cast<std::size_t>(n);
        if (pace)
            std::this_thread::sleep_for(kByteTime);
    }
    return true;
}

int serve(const Options& options) {
    PseudoTerminal pty;
    if (!options.link.empty()) {
        unlink(options.link.c_str());
        if (symlink(pty.devicePath().c_str(), options.link.c_str()) != 0) {
            std::cerr << "qz740-sim: cannot link " << options.link << ": " << std::strerror(errno)
                      << '\n';
            return 1;
        }
    }
    std::ofstream logFile;
    if (!options.log.empty()) {
        logFile.open(options.log, std::ios::app);
        if (!logFile) {
            std::cerr << "qz740-sim: cannot write " << options.log << '\n';
            return 1;
        }
    }
    std::ostream& log = options.log.empty() ? std::cerr : logFile;

    std::cout << pty.devicePath() << std::endl;
    log << timestamp() << " -- listening on " << pty.devicePath() << std::endl;

    std::string line;
    std::string lineArrived;       // time the line's first byte came in
    auto received = Clock::now();  // with --pace: when the last byte has fully arrived
    while (!stopRequested) {
        pollfd pfd{pty.masterFd(), POLLIN, 0};
        const int ready = poll(&pfd, 1, 200);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        char buffer[256];
        const ssize_t n = read(pty.masterFd(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR || errno == EIO) {
                // EIO: no client has the device open; wait for the next one.
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                continue;
            }
            break;
        }
        for (ssize_t i = 0; i < n; ++i) {
            const char c = buffer[i];
            if (options.pace)
                received = std::max(received, Clock::now()) + kByteTime;
            if (line.empty() && lineArrived.empty())
                lineArrived = timestamp();
            if (c == '\n')
                continue;
            if (c != '\r') {
                line += c;
                continue;
            }
            const std::string answer = answerFor(line, options.controller);
            log << lineArrived << " RX " << visible(line) << "<CR>"
                << (line.empty() ? "" : " -> " + (answer.empty() ? "(silence)" : visible(answer)))
                << std::endl;
            line.clear();
            lineArrived.clear();
            if (answer.empty())
                continue;
            if (options.pace)
                std::this_thread::sleep_until(received);
            std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
            if (!writeAll(pty.masterFd(), answer, options.pace)) {
                log << timestamp() << " -- write failed: " << std::strerror(errno) << std::endl;
            }
        }
    }
    log << timestamp() << " -- stopped" << std::endl;
    if (!options.link.empty())
        unlink(options.link.c_str());
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    bool done = false;
    const int status = parse(argc, argv, options, done);
    if (status != 0 || done)
        return status;

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    try {
        return serve(options);
    } catch (const std::exception& e) {
        std::cerr << "qz740-sim: " << e.what() << '\n';
        return 1;
    }
}
