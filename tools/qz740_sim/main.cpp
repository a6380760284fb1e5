// qz740-sim: answers like a QZ740 on a pseudo-terminal. It prints the device path to open
// (first line of its output), then serves until it is interrupted: "+" to each line ending
// in CR, "-" or nothing or garbage to lines matching the rules given, the configured version
// to "1GetVersion", and the memory images it was given to the download requests; after
// "1*7001" and a recorder track, a lone "G" starts the track's recording and a lone "S" ends
// it. Every line received is logged with the time it arrived.
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "controller.h"
#include "memory_images.h"
#include "pseudo_terminal.h"

namespace {

using namespace qz740sim;
using Clock = std::chrono::steady_clock;

// One byte of 8N1 at 9600 baud is ten bits on the wire: 960 bytes a second.
constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000 / 960);
// A pause in the middle of an item this long (the program waits 60 ms for the rest of a line)
// is one the program may take for the end of the item.
constexpr std::int64_t kStallMs = 40;

volatile sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
}

const char* kUsage =
    "Usage: qz740-sim [options]\n"
    "Answers like a QZ740 repeater controller on a pseudo-terminal. The first line printed is\n"
    "the device to open as the controller's serial port.\n"
    "\n"
    "  --version TEXT      answer to 1GetVersion (default 7000)\n"
    "  --nack REGEX        answer \"-\" to lines matching REGEX (whole line; repeatable)\n"
    "  --silent REGEX      give no answer to matching lines, to exercise time-outs\n"
    "  --garbage REGEX     answer matching lines with text that is neither \"+\" nor \"-\"\n"
    "  --delay MS          think this long before answering (default 5)\n"
    "  --pace              move bytes at 9600 baud's rate in both directions\n"
    "  --eol crlf|cr|none  what ends each answer line (default crlf)\n"
    "  --late-eol          hold back each answer's line end and send it just before the\n"
    "                      next answer, as a busy USB adapter delivers them\n"
    "  --link PATH         also make PATH a symbolic link to the device\n"
    "  --log FILE          log received lines to FILE instead of standard error\n"
    "  --hang-up-after N   close the device after the Nth line received and end: the\n"
    "                      controller gone (its answer to that line is never sent)\n"
    "  --unplug-after N    the same, and remove the --link path too: the adapter gone\n"
    "\n"
    "Memory images (sent on 1SendEram, 1SendAPEram, 1SendRTCEram; without one, \"-\"):\n"
    "  --dat FILE.dat      build all three images from a database file\n"
    "  --main FILE.mem     the main image, one line per address (as download.mem)\n"
    "  --ap FILE.mem       the autopatch image (as apdownload.mem)\n"
    "  --rtc FILE.mem      the RTC image (as rtcdownload.mem)\n"
    "  --stop-after N      fall silent after N lines or chunks of an image\n"
    "  --garbage-lines N   send a garbled line after every N lines or chunks\n"
    "  --refuse-download main|ap|rtc|all\n"
    "                      answer \"-\" to that download request (repeatable)\n"
    "  --refusals N        refuse each of them only N times, then send the image\n"
    "  -h, --help          show this help\n";

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
    bool lateEol = false;  // an answer's line end goes out with the next answer
    std::string link;
    std::string log;
    int hangUpAfter = -1;  // lines received before the device goes away (-1: never)
    bool unplug = false;   // --link goes with it
    std::string dat;
    std::string mainFile;
    std::string apFile;
    std::string rtcFile;
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

bool count(const std::string& option, const std::string& value, long most, int& out) {
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || n < 0 || n > most) {
        std::cerr << "qz740-sim: " << option << " wants a number from 0 to " << most << ", not '"
                  << value << "'\n";
        return false;
    }
    out = static_cast<int>(n);
    return true;
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
        if (arg == "--late-eol") {
            options.lateEol = true;
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
            if (!count(arg, value, 600000, options.delayMs))
                return 2;
        } else if (arg == "--stop-after") {
            if (!count(arg, value, 1000000, options.controller.stopAfter))
                return 2;
        } else if (arg == "--garbage-lines") {
            if (!count(arg, value, 1000000, options.controller.garbageEvery))
                return 2;
        } else if (arg == "--refusals") {
            if (!count(arg, value, 1000000, options.controller.refusals))
                return 2;
        } else if (arg == "--refuse-download") {
            ControllerOptions& c = options.controller;
            if (value != "main" && value != "ap" && value != "rtc" && value != "all") {
                std::cerr << "qz740-sim: --refuse-download is main, ap, rtc or all\n";
                return 2;
            }
            c.refuseMain = c.refuseMain || value == "main" || value == "all";
            c.refuseAutopatch = c.refuseAutopatch || value == "ap" || value == "all";
            c.refuseRtc = c.refuseRtc || value == "rtc" || value == "all";
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
        } else if (arg == "--hang-up-after" || arg == "--unplug-after") {
            if (!count(arg, value, 1000000, options.hangUpAfter))
                return 2;
            options.unplug = arg == "--unplug-after";
        } else if (arg == "--link") {
            options.link = value;
        } else if (arg == "--log") {
            options.log = value;
        } else if (arg == "--dat") {
            options.dat = value;
        } else if (arg == "--main") {
            options.mainFile = value;
        } else if (arg == "--ap") {
            options.apFile = value;
        } else if (arg == "--rtc") {
            options.rtcFile = value;
        } else {
            std::cerr << "qz740-sim: unknown option " << arg << '\n' << kUsage;
            return 2;
        }
    }
    return 0;
}

// The images to serve: those built from the database first, any image file given replacing
// its image. Throws std::runtime_error when a file cannot be used.
MemoryImages loadImages(const Options& options, std::vector<std::string>& problems) {
    MemoryImages images;
    if (!options.dat.empty())
        images = imagesFromDatabase(options.dat, problems);
    if (!options.mainFile.empty())
        images.main = mainImageItems(readFile(options.mainFile));
    if (!options.apFile.empty())
        images.autopatch = optionImageItems(readFile(options.apFile));
    if (!options.rtcFile.empty())
        images.rtc = optionImageItems(readFile(options.rtcFile));
    return images;
}

// The controller's side of the wire: what it sends goes out on a schedule (with --pace each
// byte is handed over when its last bit would be through at 9600 baud, at once without),
// and what it receives is taken to have arrived when its last bit would have.
class Wire {
  public:
    Wire(int fd, bool pace) : fd_(fd), pace_(pace) {}

    // Queues text to go out no earlier than notBefore, after whatever is queued already. An
    // answer never leaves before the line it answers has arrived, even while the end of the
    // previous answer is still going out.
    void send(const std::string& text, Clock::time_point notBefore) {
        const Clock::time_point start = std::max(notBefore, busyUntil_);
        out_.push_back(Chunk{text, 0, start});
        busyUntil_ = pace_ ? start + kByteTime * static_cast<std::int64_t>(text.size()) : start;
        worstLateness_ = Clock::duration::zero();
    }

    // Writes every byte that is due. False when the write failed.
    bool pump(Clock::time_point now) {
        while (!out_.empty()) {
            Chunk& chunk = out_.front();
            if (now < chunk.start)
                return true;
            // A byte reaches the program when its stop bit is through: at the end of its time.
            std::size_t due = chunk.text.size();
            if (pace_)
                due = std::min<std::size_t>(
                    chunk.text.size(), static_cast<std::size_t>((now - chunk.start) / kByteTime));
            if (pace_ && chunk.written < due) {
                // On a busy computer the simulator itself can fall behind its schedule; the
                // program then sees the line stop for a moment, as it would on a stalled wire.
                const Clock::time_point firstDue =
                    chunk.start + kByteTime * static_cast<std::int64_t>(chunk.written + 1);
                worstLateness_ = std::max(worstLateness_, now - firstDue);
            }
            while (chunk.written < due) {
                const ssize_t n =
                    write(fd_, chunk.text.data() + chunk.written, due - chunk.written);
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    // The program is not reading and its buffer is full: try again shortly.
                    return errno == EAGAIN || errno == EIO;
                }
                chunk.written += static_cast<std::size_t>(n);
                bytesOut_ += static_cast<std::uint64_t>(n);
            }
            if (chunk.written < chunk.text.size())
                return true;
            out_.pop_front();
        }
        return true;
    }

    // When the next byte is due, or nothing when all is out.
    bool nextDue(Clock::time_point& when) const {
        if (out_.empty())
            return false;
        const Chunk& chunk = out_.front();
        when = pace_ ? chunk.start + kByteTime * static_cast<std::int64_t>(chunk.written + 1)
                     : chunk.start;
        return true;
    }

    // One received byte: returns the time it is taken to have arrived.
    Clock::time_point received(Clock::time_point now) {
        ++bytesIn_;
        rxClock_ = pace_ ? std::max(rxClock_, now) + kByteTime : now;
        return rxClock_;
    }

    // The program closed the port: what was still to go is lost, and whatever the program
    // had sent has arrived (its closing waits for that).
    void drop() {
        out_.clear();
        rxClock_ = Clock::time_point{};
        busyUntil_ = Clock::time_point{};
    }

    // When the last byte queued will have left.
    Clock::time_point busyUntil() const { return busyUntil_; }
    // How far behind its schedule the simulator wrote the answer queued last.
    Clock::duration worstLateness() const { return worstLateness_; }
    // Bytes received, and sent or queued.
    std::uint64_t bytesIn() const { return bytesIn_; }
    std::uint64_t bytesOut() const {
        std::uint64_t queued = 0;
        for (const Chunk& c : out_) queued += c.text.size() - c.written;
        return bytesOut_ + queued;
    }

  private:
    struct Chunk {
        std::string text;
        std::size_t written;
        Clock::time_point start;  // when text[0] goes
    };
    int fd_;
    bool pace_;
    std::deque<Chunk> out_;
    Clock::time_point busyUntil_{};
    Clock::duration worstLateness_{};
    Clock::time_point rxClock_{};
    std::uint64_t bytesIn_ = 0;
    std::uint64_t bytesOut_ = 0;
};

// The figures of one image sent, from the request's first byte to the end marker's last.
struct ImageRun {
    bool running = false;
    std::string name;
    Clock::time_point began;
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
};

// Logs the figures of an image whose end marker has just been queued: its last byte leaves
// at busyUntil.
void logImageRun(std::ostream& log, const ImageRun& run, const Wire& wire) {
    const double ms =
        std::chrono::duration<double, std::milli>(wire.busyUntil() - run.began).count();
    char figures[200];
    std::snprintf(figures, sizeof figures, " -- %s sent: %.1f ms, %llu bytes in, %llu bytes out",
                  run.name.c_str(), ms,
                  static_cast<unsigned long long>(wire.bytesIn() - run.bytesIn),
                  static_cast<unsigned long long>(wire.bytesOut() - run.bytesOut));
    log << timestamp() << figures << std::endl;
}

int serve(const Options& options, Controller& controller) {
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

    Wire wire(pty.masterFd(), options.pace);
    const auto delay = std::chrono::milliseconds(options.delayMs);
    bool attached = false;
    std::string line;
    std::string lineArrived;  // time the line's first byte came in, for the log
    Clock::time_point lineBegan{};
    std::uint64_t lineBytesIn = 0;
    std::string heldEol;  // --late-eol: the last answer's line end, not sent yet
    ImageRun run;
    int linesReceived = 0;
    bool hungUp = false;
    while (!stopRequested && !hungUp) {
        auto now = Clock::now();
        if (!wire.pump(now))
            log << timestamp() << " -- write failed: " << std::strerror(errno) << std::endl;
        Clock::time_point due;
        timespec wait{0, 200'000'000};
        if (wire.nextDue(due)) {
            const auto ns = std::max<std::int64_t>(
                0, std::chrono::duration_cast<std::chrono::nanoseconds>(due - now).count());
            wait.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            wait.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        pollfd pfd{pty.masterFd(), POLLIN, 0};
        const int ready = ppoll(&pfd, 1, &wait, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0) {
            attached = attached || ready == 0;
            continue;
        }
        char buffer[256];
        ssize_t n = 0;
        // A hang-up can come with the program's last bytes still unread: read them first.
        if (pfd.revents & (POLLIN | POLLHUP))
            n = read(pty.masterFd(), buffer, sizeof buffer);
        // What the program wrote just before closing its port still counts.
        if (n > 0) {
            attached = true;
            now = Clock::now();
            for (ssize_t i = 0; i < n; ++i) {
                const char c = buffer[i];
                const std::uint64_t inBefore = wire.bytesIn();
                const Clock::time_point arrived = wire.received(now);
                if (line.empty() && lineArrived.empty()) {
                    lineArrived = timestamp();
                    lineBegan = arrived - (options.pace ? kByteTime : Clock::duration::zero());
                    lineBytesIn = inBefore;
                }
                if (c == '\n')
                    continue;
                if (line.empty() && (c == 'G' || c == 'S')) {
                    if (const auto note = controller.onRecorderKey(c, arrived)) {
                        log << lineArrived << " KEY " << c << " [" << *note << "]" << std::endl;
                        lineArrived.clear();
                        continue;
                    }
                }
                if (c != '\r') {
                    line += c;
                    continue;
                }
                if (++linesReceived == options.hangUpAfter) {
                    log << lineArrived << " RX " << visible(line) << "<CR> -- "
                        << (options.unplug ? "unplugged" : "hung up") << std::endl;
                    hungUp = true;
                    break;
                }
                const bool stillSending = arrived < wire.busyUntil();
                Controller::Reply reply = controller.onLine(line, stillSending);
                // An early acknowledgement after the simulator itself stalled mid-item is the
                // computer's doing, not the program's: it is logged in other words.
                const auto lateMs =
                    std::chrono::duration_cast<std::chrono::milliseconds>(wire.worstLateness())
                        .count();
                if (stillSending && lateMs >= kStallMs &&
                    reply.note == "still sending: acknowledgement ignored")
                    reply.note = "acknowledgement ignored after the simulator fell " +
                                 std::to_string(lateMs) + " ms behind";
                log << lineArrived << " RX " << visible(line) << "<CR>";
                if (!line.empty())
                    log << " -> " << (reply.text.empty() ? "(silence)" : visible(reply.text));
                if (!reply.note.empty())
                    log << " [" << reply.note << "]";
                log << std::endl;
                const std::string image = controller.imageName();
                if (!reply.text.empty()) {
                    std::string text = heldEol + reply.text;
                    heldEol.clear();
                    // Only programming answers are held back; an image goes out as it is.
                    const std::string& eol = options.controller.eol;
                    if (options.lateEol && image.empty() && !eol.empty() &&
                        text.size() > eol.size() &&
                        text.compare(text.size() - eol.size(), eol.size(), eol) == 0) {
                        heldEol = eol;
                        text.resize(text.size() - eol.size());
                    }
                    wire.send(text, arrived + delay);
                }
                if (!image.empty() && !run.running) {
                    run = ImageRun{true, image, lineBegan, lineBytesIn,
                                   wire.bytesOut() - reply.text.size()};
                } else if (run.running && image.empty()) {
                    logImageRun(log, run, wire);
                    run.running = false;
                }
                line.clear();
                lineArrived.clear();
            }
        }
        if (((pfd.revents & POLLHUP) && n <= 0) || (n < 0 && errno == EIO)) {
            // No one has the device open: the program closed its port (or has not opened it).
            if (attached) {
                attached = false;
                wire.drop();
                pty.discardUnread();
                controller.hostGone();
                heldEol.clear();
                line.clear();
                lineArrived.clear();
                run.running = false;
                log << timestamp() << " -- port closed" << std::endl;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        if (n >= 0)
            attached = true;
    }
    log << timestamp() << " -- stopped" << std::endl;
    // A hung-up controller leaves its adapter's path behind, pointing at nothing.
    if (!options.link.empty() && (!hungUp || options.unplug))
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
        std::vector<std::string> problems;
        MemoryImages images = loadImages(options, problems);
        for (const std::string& problem : problems)
            std::cerr << "qz740-sim: warning: " << problem << '\n';
        Controller controller(options.controller, std::move(images));
        return serve(options, controller);
    } catch (const std::exception& e) {
        std::cerr << "qz740-sim: " << e.what() << '\n';
        return 1;
    }
}
