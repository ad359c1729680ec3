// The parameter-display texts: exact characters, the limits, and the 9-byte bound.
#include "effect_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr char kCanary = '#';

class EffectValueTextTest : public ::testing::Test {
protected:
    // Runs one conversion into a buffer larger than allowed and checks that it kept to 9 bytes.
    template <typename Conversion> std::string text(Conversion conversion) {
        char buffer[32];
        std::memset(buffer, kCanary, sizeof buffer);
        conversion(buffer);
        for (std::size_t i = 9; i < sizeof buffer; ++i) {
            EXPECT_EQ(buffer[i], kCanary) << "wrote past 9 bytes";
        }
        EXPECT_NE(std::memchr(buffer, '\0', 9), nullptr) << "no terminator within 9 bytes";
        return buffer;
    }
    std::string decibels(float value) {
        return text([&](char* out) { effect.formatDecibels(value, out); });
    }
    std::string decimal(float value) {
        return text([&](char* out) { effect.formatFloat(value, out); });
    }
    std::string integer(vst2::int32 value) {
        return text([&](char* out) { effect.formatInteger(value, out); });
    }
    std::string hertz(float samples) {
        return text([&](char* out) { effect.formatHertz(samples, out); });
    }
    std::string milliseconds(float samples) {
        return text([&](char* out) { effect.formatMilliseconds(samples, out); });
    }

    EffectLog log;
    RecordingEffect effect{log, nullptr};
};

TEST_F(EffectValueTextTest, DecibelsOfLinearGains) {
    EXPECT_EQ(decibels(1.0f), "0.000000");
    EXPECT_EQ(decibels(0.5f), "-6.02059");
    EXPECT_EQ(decibels(0.25f), "-12.0411");
    EXPECT_EQ(decibels(0.75f), "-2.49877");
    EXPECT_EQ(decibels(1.0f / 32.0f), "-30.1029");
    EXPECT_EQ(decibels(2.0f), "6.020599");
    EXPECT_EQ(decibels(0.1f), "-20.0000");
    for (float silent : {0.0f, -0.0f, -1.0f, kNaN, -kInfinity}) {
        EXPECT_EQ(decibels(silent), "-oo") << silent;
    }
    EXPECT_EQ(decibels(kInfinity), "Huge!");
    EXPECT_EQ(decibels(std::numeric_limits<float>::denorm_min()), "-897.069");
}

TEST_F(EffectValueTextTest, DecimalsAreCutToEightPlaces) {
    const std::pair<float, const char*> cases[] = {
        {0.0f, "0.000000"},       {-0.0f, "0.000000"},      {1.0f, "1.000000"},
        {-1.0f, "-1.00000"},      {0.5f, "0.500000"},       {0.7f, "0.699999"},
        {123.25f, "123.2500"},    {44100.0f, "44100.00"},   {1234567.0f, "1234567."},
        {9999999.0f, "9999999."}, {-999999.0f, "-999999."}, {-10000000.0f, "Huge!"},
        {100000000.0f, "Huge!"},  {99999999.0f, "Huge!"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(decimal(value), expected) << value;
    }
}

// Values within the limits whose integer digits do not fit beside the sign and the point.
TEST_F(EffectValueTextTest, DecimalsTooWideForThePlacesReadHuge) {
    for (float wide : {10000000.0f, 12345678.0f, 99999990.0f, -1000000.0f, -9999999.0f}) {
        EXPECT_EQ(decimal(wide), "Huge!") << wide;
    }
    EXPECT_EQ(decimal(-999999.9f), "-999999.");
    EXPECT_EQ(decimal(kInfinity), "Huge!");
    EXPECT_EQ(decimal(-kInfinity), "Huge!");
    EXPECT_EQ(decimal(kNaN), "NaN");
    EXPECT_EQ(decimal(std::numeric_limits<float>::denorm_min()), "0.000000");
}

TEST_F(EffectValueTextTest, IntegersRightAlignedInSevenColumns) {
    EXPECT_EQ(integer(0), "      0");
    EXPECT_EQ(integer(42), "     42");
    EXPECT_EQ(integer(-42), "    -42");
    EXPECT_EQ(integer(12345678), "12345678");
    EXPECT_EQ(integer(99999999), "99999999");
    EXPECT_EQ(integer(-9999999), "-9999999");
    for (vst2::int32 tooWide : {100000000, -10000000, std::numeric_limits<vst2::int32>::min(),
                                std::numeric_limits<vst2::int32>::max()}) {
        EXPECT_EQ(integer(tooWide), "Huge!") << tooWide;
    }
}

TEST_F(EffectValueTextTest, HertzAndMillisecondsUseTheSampleRate) {
    EXPECT_EQ(hertz(0.0f), "0.000000");
    EXPECT_EQ(hertz(kNaN), "0.000000");
    EXPECT_EQ(hertz(441.0f), "100.0000");
    EXPECT_EQ(milliseconds(441.0f), "10.00000");
    EXPECT_EQ(hertz(std::numeric_limits<float>::denorm_min()), "Huge!");
    effect.setSampleRate(0.0f);
    EXPECT_EQ(milliseconds(441.0f), "Huge!");
    EXPECT_EQ(milliseconds(0.0f), "NaN");
}

// Decibels, hertz and milliseconds end in the effect's own decimal writer, if it has one.
class PercentEffect : public RecordingEffect {
public:
    using RecordingEffect::RecordingEffect;
    void formatFloat(float value, char* text) override {
        lastValue = value;
        std::strcpy(text, "custom");
    }
    float lastValue = 0.0f;
};

TEST(EffectValueText, ConversionsWriteThroughTheVirtualDecimalWriter) {
    EffectLog log;
    PercentEffect effect(log, nullptr);
    char text[9];
    effect.formatDecibels(0.5f, text);
    EXPECT_STREQ(text, "custom");
    EXPECT_FLOAT_EQ(effect.lastValue, -6.0206f);
    effect.formatHertz(441.0f, text);
    EXPECT_EQ(effect.lastValue, 100.0f);
    effect.formatMilliseconds(441.0f, text);
    EXPECT_EQ(effect.lastValue, 10.0f);
}

} // namespace
