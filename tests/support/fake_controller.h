// A controller behind the FakeSerialPort that answers the download exchange: the main image
// one line per "OK", the autopatch image one chunk per "o", the RTC image one chunk per "r",
// and the firmware version; with the faults a real link shows (silence mid-image, bunched
// lines, a refusal, slow answers). Each answer arrives delayMs after the line that asked
// for it, on the current (virtual) clock. With acceptCommands it also takes every programming
// line with "+" (the reset restarts it instead), so whole uploads can run against it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/fake_serial_port.h"

namespace kelp::testing {

class FakeController {
  public:
    explicit FakeController(FakeSerialPort& port) : port_(port) {
        port_.setResponder([this](const std::string& line) {
            answer(line);
            return std::string();
        });
    }

    std::vector<std::string> mainLines;  // without line ends
    std::string mainEnd = "Complete";    // sent after the last line ("" sends nothing)
    int mainSilentAfter = -1;            // lines sent before the controller goes quiet
    int mainFirstBurst = 1;              // lines sent at once in answer to "1SendEram"
    std::vector<std::string> apChunks;   // each with its own line ends
    std::string apAck;                   // sent alone before the first chunk ("" none)
    std::vector<std::string> rtcChunks;
    int rtcRefusals = 0;          // "-" answers to the first "1SendRTCEram" requests
    std::string version = "700";  // "" stays silent
    std::int64_t delayMs = 0;
    std::int64_t byteMs = 0;  // > 0: every answer comes a byte at a time, this far apart
    bool acceptCommands = false;

    // Lines the program wrote, in order (without their CR).
    const std::vector<std::string>& heard() const { return heard_; }
    int heardCount(const std::string& line) const {
        int n = 0;
        for (const std::string& h : heard_) n += h == line;
        return n;
    }

  private:
    void say(const std::string& text) {
        if (text.empty())
            return;
        if (byteMs <= 0) {
            port_.receive(text, delayMs);
            return;
        }
        for (std::size_t i = 0; i < text.size(); ++i)
            port_.receive(text.substr(i, 1), delayMs + byteMs * static_cast<std::int64_t>(i));
    }

    void nextMainLine() {
        if (mainSilentAfter >= 0 && mainNext_ >= static_cast<std::size_t>(mainSilentAfter))
            return;
        if (mainNext_ < mainLines.size()) {
            say(mainLines[mainNext_++] + "\r\n");
        } else if (!mainEndSent_) {
            mainEndSent_ = true;
            say(mainEnd);
        }
    }

    void answer(const std::string& line) {
        heard_.push_back(line);
        if (line == "1SendEram") {
            mode_ = Mode::Main;
            std::string burst;
            for (int i = 0; i < mainFirstBurst && mainNext_ < mainLines.size(); ++i)
                burst += mainLines[mainNext_++] + "\r\n";
            say(burst);
        } else if (line == "OK" && mode_ == Mode::Main) {
            nextMainLine();
        } else if (line == "1SendAPEram") {
            mode_ = Mode::Autopatch;
            chunkNext_ = 0;
            if (!apAck.empty()) {
                say(apAck);
                // The first chunk follows the acknowledgement a moment later, unasked.
                const std::int64_t delay = delayMs;
                delayMs += 50;
                nextChunk(apChunks, "RIComplete");
                delayMs = delay;
            } else {
                nextChunk(apChunks, "RIComplete");
            }
        } else if (line == "o" && mode_ == Mode::Autopatch) {
            nextChunk(apChunks, "RIComplete");
        } else if (line == "1SendRTCEram") {
            mode_ = Mode::Rtc;
            chunkNext_ = 0;
            if (rtcRefusals > 0) {
                --rtcRefusals;
                say("-");
            } else {
                nextChunk(rtcChunks, "Complete");
            }
        } else if (line == "r" && mode_ == Mode::Rtc) {
            nextChunk(rtcChunks, "Complete");
        } else if (line == "1GetVersion") {
            mode_ = Mode::Version;
            if (!version.empty())
                say(version + "\r\n+");
        } else if (acceptCommands && !line.empty() && line != "1*21999" && line != "OK" &&
                   line != "o" && line != "r") {
            mode_ = Mode::None;
            say("+\r\n");
        }
    }

    void nextChunk(const std::vector<std::string>& chunks, const char* end) {
        if (chunkNext_ < chunks.size())
            say(chunks[chunkNext_++]);
        else if (chunkNext_++ == chunks.size())
            say(end);
    }

    enum class Mode { None, Main, Autopatch, Rtc, Version };
    FakeSerialPort& port_;
    Mode mode_ = Mode::None;
    std::size_t mainNext_ = 0;
    bool mainEndSent_ = false;
    std::size_t chunkNext_ = 0;
    std::vector<std::string> heard_;
};

}  // namespace kelp::testing
