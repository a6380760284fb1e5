#include "core/database/field_checks.h"

#include <gtest/gtest.h>

#include "core/database/area_checks.h"

namespace kelp {
namespace {

struct NumericCase {
    const char* text;
    int low, high;
    bool passes;
};

TEST(FieldChecks, NumericAcceptsOnlyDigitsWithinBounds) {
    const NumericCase cases[] = {
        {"12", 0, 255, true},
        {"007", 0, 255, true},
        {"0", 0, 255, true},
        {"255", 0, 255, true},
        {"256", 0, 255, false},
        {"", 0, 255, false},
        {"1e2", 0, 255, false},
        {"-1", -5, 255, false},
        {"3.5", 0, 255, false},
        {" 12", 0, 255, false},
        {"12 ", 0, 255, false},
        {"+1", 0, 255, false},
        {"0", 1, 90, false},
        {"90", 1, 90, true},
        {"91", 1, 90, false},
        {"32767", 0, 32767, true},
        {"32768", 0, 32767, false},
        {"99999999999999999999", 0, 32767, false},  // must not wrap around into range
        {"00000000000000000007", 0, 255, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(numericFieldCheck(c.text, static_cast<std::int16_t>(c.low),
                                    static_cast<std::int16_t>(c.high)),
                  c.passes)
            << '"' << c.text << "\" in " << c.low << ".." << c.high;
}

TEST(FieldChecks, WideNumericReachesBeyondSixteenBits) {
    EXPECT_TRUE(wideNumericFieldCheck("1465202", 0, 9999999));
    EXPECT_TRUE(wideNumericFieldCheck("2147483647", 0, 2147483647));
    EXPECT_FALSE(wideNumericFieldCheck("2147483648", 0, 2147483647));
    EXPECT_FALSE(wideNumericFieldCheck("4294967296", 0, 2147483647));  // 2^32 must not wrap to 0
    EXPECT_FALSE(wideNumericFieldCheck("", 0, 10));
}

TEST(FieldChecks, BooleanIsExactlyZeroOrOne) {
    for (const char* ok : {"0", "1"}) EXPECT_TRUE(booleanFieldCheck(ok)) << ok;
    for (const char* bad : {"", "2", "01", " 1", "yes", "true"})
        EXPECT_FALSE(booleanFieldCheck(bad)) << bad;
}

TEST(FieldChecks, DtmfStringsUseTheSixteenDigitsWithinLengths) {
    struct Case {
        const char* text;
        int shortest, longest;
        bool passes;
    } cases[] = {
        {"0123456789*#ABCD", 1, 16, true},
        {"A7", 1, 5, true},
        {"", 1, 5, false},
        {"", 0, 5, true},
        {"123456", 1, 5, false},
        {"a7", 1, 5, false},
        {"E", 1, 1, false},
        {"1 2", 1, 5, false},
        {"D", 1, 1, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dtmfDigitStringCheck(c.text, c.shortest, c.longest), c.passes) << c.text;
}

TEST(AreaChecks, PendingIdSpeechIsBoundByThePendingIdTimer) {
    struct Case {
        const char* speech;
        const char* pid;
        bool passes;
    } cases[] = {
        {"300", "5", true},      {"301", "5", false}, {"15300", "0", true}, {"15301", "0", false},
        {"15301", "255", false}, {"0", "5", true},    {"10", "", false},    {"10", "abc", false},
        {"", "0", false},        {"90", "1.5", true}, {"91", "1.5", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pendingIdSpeechCheck(c.speech, c.pid), c.passes)
            << c.speech << " with PID " << c.pid;
}

}  // namespace
}  // namespace kelp
