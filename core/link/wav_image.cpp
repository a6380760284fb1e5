#include "core/link/wav_image.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace kelp {

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

bool tagAt(const std::vector<std::uint8_t>& b, std::size_t at, const char* tag) {
    return at + 4 <= b.size() && std::memcmp(&b[at], tag, 4) == 0;
}

std::optional<WavFormat> refuse(std::string* why, const char* reason) {
    if (why != nullptr)
        *why = reason;
    return std::nullopt;
}

}  // namespace

std::int64_t WavFormat::durationMs() const {
    if (sampleRate <= 0)
        return 0;
    return static_cast<std::int64_t>((frames() * 1000 + sampleRate - 1) / sampleRate);
}

std::optional<WavFormat> parseWav(const std::vector<std::uint8_t>& image, std::string* why) {
    if (!tagAt(image, 0, "RIFF") || !tagAt(image, 8, "WAVE"))
        return refuse(why, "not a WAV file");
    WavFormat format;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= image.size()) {
        const std::size_t size = le32(image, at + 4);
        const std::size_t body = at + 8;
        if (tagAt(image, at, "fmt ")) {
            if (size < 16 || body + 16 > image.size())
                return refuse(why, "the WAV format chunk is cut short");
            if (le16(image, body) != 1)
                return refuse(why, "the WAV file is not plain PCM");
            format.channels = le16(image, body + 2);
            format.sampleRate = static_cast<std::int32_t>(le32(image, body + 4));
            format.bitsPerSample = le16(image, body + 14);
            haveFormat = true;
        } else if (tagAt(image, at, "data")) {
            if (!haveFormat)
                return refuse(why, "the WAV file has no format before its samples");
            if ((format.channels != 1 && format.channels != 2) ||
                (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.sampleRate <= 0)
                return refuse(why, "only 8 or 16-bit PCM WAV files with 1 or 2 channels play");
            format.dataOffset = body;
            format.dataSize = std::min(size, image.size() - body);
            return format;
        }
        at = body + size + (size & 1);  // chunks are padded to an even size
    }
    return refuse(why, "the WAV file has no samples");
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

}  // namespace kelp
