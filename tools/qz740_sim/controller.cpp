#include "controller.h"

#include <cstdio>

namespace qz740sim {

namespace {

bool matches(const std::vector<Rule>& rules, const std::string& line) {
    for (const Rule& rule : rules) {
        if (std::regex_match(line, rule.regex))
            return true;
    }
    return false;
}

// Line noise as a flaky cable makes it: no "+", no "-" at the front, no end marker.
const char* const kGarbledLine = "7#\x7f?,~\xe5\r\n";

}  // namespace

std::string answerFor(const std::string& line, const ControllerOptions& options) {
    if (line.empty())
        return std::string();
    // The rules come first so that even the version query can be refused or ignored.
    if (matches(options.silent, line))
        return std::string();
    if (matches(options.nack, line))
        return "-" + options.eol;
    if (matches(options.garbage, line))
        return "?#~" + options.eol;
    if (line == "1GetVersion")
        return options.version + options.eol + "+" + options.eol;
    return "+" + options.eol;
}

Controller::Controller(ControllerOptions options, MemoryImages images)
    : options_(std::move(options)), images_(std::move(images)) {}

const char* Controller::imageName() const {
    switch (image_) {
        case Image::Main:
            return "main image";
        case Image::Autopatch:
            return "autopatch image";
        case Image::Rtc:
            return "RTC image";
        case Image::None:
            break;
    }
    return "";
}

const std::vector<std::string>* Controller::itemsOf(Image image) const {
    const auto& items = image == Image::Main        ? images_.main
                        : image == Image::Autopatch ? images_.autopatch
                                                    : images_.rtc;
    return items ? &*items : nullptr;
}

void Controller::hostGone() {
    image_ = Image::None;
    armedTrack_ = 0;
    recording_ = false;
}

std::optional<std::string> Controller::onRecorderKey(char key,
                                                     std::chrono::steady_clock::time_point at) {
    if (armedTrack_ == 0)
        return std::nullopt;
    const std::string track = "track " + std::to_string(armedTrack_);
    if (key == 'G' && !recording_) {
        recording_ = true;
        recordingSince_ = at;
        return "recording " + track;
    }
    if (key == 'S' && recording_) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(at - recordingSince_).count();
        armedTrack_ = 0;
        recording_ = false;
        return track + " recorded for " + std::to_string(ms) + " ms";
    }
    return std::nullopt;
}

Controller::Reply Controller::startImage(Image image) {
    image_ = Image::None;
    const bool refuse = image == Image::Main        ? options_.refuseMain
                        : image == Image::Autopatch ? options_.refuseAutopatch
                                                    : options_.refuseRtc;
    int& refused = image == Image::Main        ? refusedMain_
                   : image == Image::Autopatch ? refusedAutopatch_
                                               : refusedRtc_;
    if (refuse && (options_.refusals < 0 || refused < options_.refusals)) {
        ++refused;
        return {"-" + options_.eol, "download refused"};
    }
    if (itemsOf(image) == nullptr)
        return {"-" + options_.eol, "no such image to send"};
    image_ = image;
    next_ = 0;
    sent_ = 0;
    sinceGarbage_ = 0;
    stopped_ = false;
    return nextItem();
}

Controller::Reply Controller::nextItem() {
    const std::vector<std::string>& items = *itemsOf(image_);
    if (stopped_)
        return {"", "stopped mid-image"};
    if (options_.garbageEvery > 0 && sinceGarbage_ >= options_.garbageEvery &&
        next_ < items.size()) {
        sinceGarbage_ = 0;
        return {kGarbledLine, "garbled line"};
    }
    if (next_ < items.size()) {
        if (options_.stopAfter >= 0 && sent_ >= options_.stopAfter) {
            stopped_ = true;
            return {"", "stopped mid-image after " + std::to_string(sent_) + " items"};
        }
        ++sent_;
        ++sinceGarbage_;
        return {items[next_++], ""};
    }
    const Image done = image_;
    image_ = Image::None;
    return {done == Image::Autopatch ? "RIComplete" : "Complete",
            "end of image, " + std::to_string(sent_) + " items sent"};
}

Controller::Reply Controller::onLine(const std::string& line, bool stillSending) {
    if (line.empty()) {
        // The lone CR of a new session: whatever image was being sent is given up.
        image_ = Image::None;
        return {};
    }
    // The rules come first, so that a download request can be refused or ignored too.
    if (matches(options_.silent, line))
        return {"", "silent rule"};
    if (matches(options_.nack, line) || matches(options_.garbage, line))
        return {answerFor(line, options_), "rule"};
    if (line == "1SendEram")
        return startImage(Image::Main);
    if (line == "1SendAPEram")
        return startImage(Image::Autopatch);
    if (line == "1SendRTCEram")
        return startImage(Image::Rtc);
    const char* ack = image_ == Image::Main        ? "OK"
                      : image_ == Image::Autopatch ? "o"
                      : image_ == Image::Rtc       ? "r"
                                                   : nullptr;
    if (ack != nullptr && line == ack) {
        if (stillSending)
            return {"", "still sending: acknowledgement ignored"};
        return nextItem();
    }
    // Acknowledgements outside an image (the prime "OK", the version query's "OK", one that
    // comes after the end marker) are not programming lines: nothing to say.
    if (line == "OK" || line == "o" || line == "r")
        return {};
    static const std::regex recordTrack(R"(1\*7001([0-9]{1,2}))");
    std::smatch track;
    if (std::regex_match(line, track, recordTrack)) {
        armedTrack_ = std::stoi(track[1].str());
        recording_ = false;
        return {answerFor(line, options_), "waiting for G"};
    }
    return {answerFor(line, options_), ""};
}

std::string visible(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (byte < 0x20 || byte >= 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace qz740sim
