#include "core/link/wav_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kelp {
namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void tag(std::vector<std::uint8_t>& out, const char* name) {
    out.insert(out.end(), name, name + 4);
}
// A 16-bit mono PCM format chunk at the given rate.
void fmt(std::vector<std::uint8_t>& out, std::uint32_t rate) {
    tag(out, "fmt ");
    put32(out, 16);
    const std::uint8_t body[] = {1, 0, 1, 0};
    out.insert(out.end(), body, body + 4);
    put32(out, rate);
    put32(out, rate * 2);
    const std::uint8_t rest[] = {2, 0, 16, 0};
    out.insert(out.end(), rest, rest + 4);
}

// Headers that lie about their sizes: the samples are clipped to what the file holds, or the
// file is refused with a reason; never a read past the end or a length from the lie.
TEST(WavImage, HeadersThatLieAboutTheirSizeAreClippedOrRefused) {
    struct Case {
        const char* what;
        std::uint32_t riffSize;
        std::uint32_t skipChunkSize;  // a "LIST" chunk before the samples; 0: none
        std::uint32_t rate;
        std::uint32_t dataSize;
        std::size_t samples;  // bytes of samples actually in the file
        std::size_t clipped;  // dataSize parsed; 0: refused
    };
    const Case cases[] = {
        {"data size beyond the file", 36, 0, 8000, 0xFFFFFFF0u, 100, 100},
        {"riff size beyond the file", 0xFFFFFFFFu, 0, 8000, 100, 100, 100},
        {"a chunk before the samples claims 4 GB", 36, 0xFFFFFFFFu, 8000, 100, 100, 0},
        {"a chunk before the samples claims one byte past the end", 36, 200, 8000, 100, 100, 0},
        {"a sample rate that is negative as a signed number", 36, 0, 0x80000000u, 100, 100, 0},
        {"data claims nothing, file holds samples", 36, 0, 8000, 0, 100, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> image;
        tag(image, "RIFF");
        put32(image, c.riffSize);
        tag(image, "WAVE");
        fmt(image, c.rate);
        if (c.skipChunkSize != 0) {
            tag(image, "LIST");
            put32(image, c.skipChunkSize);
        }
        tag(image, "data");
        put32(image, c.dataSize);
        image.resize(image.size() + c.samples, 0x10);
        std::string why;
        const auto format = parseWav(image, &why);
        if (c.clipped == 0 && c.dataSize != 0) {
            EXPECT_FALSE(format) << c.what;
            EXPECT_FALSE(why.empty()) << c.what;
            continue;
        }
        ASSERT_TRUE(format) << c.what << ": " << why;
        EXPECT_EQ(format->dataSize, c.clipped) << c.what;
        EXPECT_LE(format->dataOffset + format->dataSize, image.size()) << c.what;
        EXPECT_EQ(format->durationMs(),
                  (static_cast<std::int64_t>(c.clipped / 2) * 1000 + 7999) / 8000)
            << c.what;
    }
}

}  // namespace
}  // namespace kelp
