#include "core/download/option_decoders.h"

#include <string_view>

#include "core/app/clock.h"
#include "core/app/error_reporter.h"
#include "core/app/runtime_error.h"
#include "core/catalogues/voice_vocabulary.h"
#include "core/database/controller_database.h"
#include "core/download/download_progress.h"
#include "core/download/eram_decoder.h"
#include "core/download/image_text.h"

namespace kelp {

const char* const kDecodeApCaption = "Decode AP";
const char* const kDecodeRtcCaption = "Decode RTC";

namespace {

bool hasTag(const std::string& line, std::string_view tag) {
    return line.compare(0, tag.size(), tag) == 0;
}

std::string after(const std::string& line, std::size_t from) {
    return from < line.size() ? line.substr(from) : std::string();
}

// The decimal slot number in the line's characters [from, from + width), which must lie in
// [low, high]. Anything else is a runtime error: subscript out of range, or not a number.
int slotNumber(const std::string& line, std::size_t from, std::size_t width, int low, int high) {
    const std::string text = from < line.size() ? line.substr(from, width) : std::string();
    if (text.empty())
        throw RuntimeError(13, "Type mismatch");
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            throw RuntimeError(13, "Type mismatch");
        number = number * 10 + (c - '0');
    }
    if (number < low || number > high)
        throw RuntimeError(9, "Subscript out of range");
    return number;
}

// Runs a decoder with its progress display and failure report.
template <typename Decode>
int runOptionDecoder(const std::string& file, const char* caption, ProgressLabel label,
                     const char* routine, const char* failureText, Decode decode) {
    ProgressShown progress(caption, label, false, 0);
    try {
        currentClock().yield();
        decode(splitImageLines(readImageFile(file)));
        return kDecodeOk;
    } catch (...) {
        reportError("LoadEram", routine, std::string(), failureText);
        return kDecodeFailed;
    }
}

}  // namespace

void decodeAutopatchLines(const std::vector<std::string>& lines, ControllerDatabase& database) {
    for (const char* tag : {"RA", "RT", "RS", "RR", "RI"}) {
        for (const std::string& line : lines) {
            if (!hasTag(line, tag))
                continue;
            const std::string_view t(tag);
            if (t == "RA")
                database.set("AutoDial", slotNumber(line, 2, 3, 1, 200), after(line, 5));
            else if (t == "RT")
                database.set("TollRestrict", slotNumber(line, 2, 3, 1, 100), after(line, 5));
            else if (t == "RS")
                database.set("AnswerCode", after(line, 2));
            else if (t == "RR")
                database.set("RingNumber", after(line, 2));
            // "RI" carries nothing the program keeps.
        }
    }
}

void decodeRtcLines(const std::vector<std::string>& lines, ControllerDatabase& database) {
    constexpr int kSlots = 30;
    // The board sends only the remote base memories that are in use: one it does not send
    // is not in use, which the database says with "NONE" in all four of its values (left
    // empty, they would come back from the next load as repairs).
    for (int n = 11; n <= 10 + kSlots; ++n) {
        for (const char* key : {"FreqString", "CTCSS", "CTCSSMode", "RadioMode"})
            database.set(key, n, "NONE");
    }
    for (const char* tag : {"T1", "T2", "T3"}) {
        for (const std::string& line : lines) {
            if (!hasTag(line, tag))
                continue;
            const int k = slotNumber(line, 2, 2, 1, kSlots);
            const std::string payload = after(line, 4);
            if (tag[1] == '1') {
                const int n = k + 10;
                database.set("FreqString", n, payload.substr(0, 7));
                database.set("CTCSS", n, after(payload, 7).substr(0, 2));
                database.set("CTCSSMode", n, after(payload, 9).substr(0, 1));
                database.set("RadioMode", n, after(payload, 10).substr(0, 1));
            } else if (tag[1] == '2') {
                std::string text;
                for (char c : payload) {
                    const int code = static_cast<unsigned char>(c);
                    text += voiceVocabulary().wordOfCode(std::to_string(code)) + " ";
                }
                database.set("MessageMacro", k + 40, text);
            } else {
                // The last two characters of the line are not part of the memory.
                const std::size_t digits = payload.size() >= 2 ? payload.size() - 2 : 0;
                std::string text;
                for (std::size_t i = 0; i < digits; ++i) text += std::string(1, payload[i]) + " ";
                database.set("DTMF", k + 20, text);
            }
        }
    }
}

int LoadAPEram(const std::string& file) {
    return LoadAPEram(file, db());
}

int LoadAPEram(const std::string& file, ControllerDatabase& database) {
    return runOptionDecoder(
        file, kDecodeApCaption, ProgressLabel::DecodeAutopatch, "LoadAPEram",
        "Error in Autopatch download",
        [&](const std::vector<std::string>& lines) { decodeAutopatchLines(lines, database); });
}

int LoadRTCEram(const std::string& file) {
    return LoadRTCEram(file, db());
}

int LoadRTCEram(const std::string& file, ControllerDatabase& database) {
    return runOptionDecoder(
        file, kDecodeRtcCaption, ProgressLabel::DecodingRtc, "LoadRTCEram", "Error in RTC download",
        [&](const std::vector<std::string>& lines) { decodeRtcLines(lines, database); });
}

}  // namespace kelp
