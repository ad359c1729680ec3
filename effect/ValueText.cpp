// Numbers as the short texts of a host's parameter display: at most 8 characters and a
// terminator. The decimal writer cuts rather than rounds, so a 32-bit float shows exactly how
// it falls short of the decimal value (0.7 reads 0.699999).
#include "effect/EffectBase.h"

#include "effect/ArgumentConversions.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

using argumentConversions::roundToFloat;

namespace {

constexpr int kDisplayPlaces = 8;
constexpr double kPositiveLimit = 99999999.0;
constexpr double kNegativeLimit = 9999999.0;
// The integer digits that fit beside the point (and the minus sign): 7 for positive values,
// 6 for negative ones. Values with more integer digits than that read "Huge!".
constexpr double kFirstPositiveTooWide = 10000000.0;
constexpr double kFirstNegativeTooWide = 1000000.0;
constexpr int kLargestInteger = 99999999;
constexpr int kSmallestInteger = -9999999;

void writeText(char* text, const char* content) {
    std::memcpy(text, content, std::strlen(content) + 1);
}

// Writes the integer digits of v, least significant first, into the end of digits; returns
// the index of the leftmost one. `used` counts the places taken so far.
int writeIntegerDigits(double v, char (&digits)[kDisplayPlaces + 1], int& used) {
    int position = kDisplayPlaces;
    digits[position] = '\0';
    double ip = std::floor(v);
    digits[--position] = static_cast<char>('0' + static_cast<int>(std::fmod(ip, 10.0)));
    used += 2; // the digit and the point
    ip *= 0.1;
    // The remainder's truncation does the flooring that is left out after each * 0.1.
    while (ip >= 1.0 && used < kDisplayPlaces) {
        digits[--position] = static_cast<char>('0' + static_cast<int>(std::fmod(ip, 10.0)));
        ++used;
        ip *= 0.1;
    }
    return position;
}

// Appends count decimals of v's fraction, cut (not rounded) after the last one.
void writeDecimals(double v, int count, char* out) {
    double f = std::fmod(v, 1.0) * std::pow(10.0, count);
    for (int i = count - 1; i >= 0; --i) {
        if (f <= 0.0) {
            out[i] = '0';
            continue;
        }
        out[i] = static_cast<char>('0' + static_cast<int>(std::fmod(f, 10.0)));
        f *= 0.1;
    }
    out[count] = '\0';
}

// What IEEE division by zero gives, without dividing: infinity of the dividend's sign, or NaN.
double quotientByZero(double dividend) {
    if (dividend == 0.0 || std::isnan(dividend)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return std::copysign(std::numeric_limits<double>::infinity(), dividend);
}

} // namespace

void EffectBase::formatDecibels(float value, char* text) {
    if (!text) {
        return;
    }
    if (!(value > 0.0f)) {
        writeText(text, "-oo");
        return;
    }
    const double decibels = std::log10(2.0) * std::log2(static_cast<double>(value)) * 20.0;
    formatFloat(roundToFloat(decibels), text);
}

void EffectBase::formatHertz(float samples, char* text) {
    if (!text) {
        return;
    }
    if (samples == 0.0f || std::isnan(samples)) {
        formatFloat(0.0f, text);
        return;
    }
    const double hertz = static_cast<double>(getSampleRate()) / static_cast<double>(samples);
    formatFloat(roundToFloat(hertz), text);
}

// A sample rate of 0 gives an infinite quotient, which reads "Huge!" (or "NaN" for 0 samples).
void EffectBase::formatMilliseconds(float samples, char* text) {
    if (!text) {
        return;
    }
    const double scaled = static_cast<double>(samples) * 1000.0;
    const double rate = static_cast<double>(getSampleRate());
    formatFloat(roundToFloat(rate != 0.0 ? scaled / rate : quotientByZero(scaled)), text);
}

void EffectBase::formatFloat(float value, char* text) {
    if (!text) {
        return;
    }
    const double wide = static_cast<double>(value);
    if (std::isnan(wide)) {
        writeText(text, "NaN");
        return;
    }
    const bool negative = wide < 0.0; // -0.0 reads as 0.000000
    const double v = negative ? -wide : wide;
    const double limit = negative ? kNegativeLimit : kPositiveLimit;
    const double firstTooWide = negative ? kFirstNegativeTooWide : kFirstPositiveTooWide;
    if (v > limit || v >= firstTooWide) {
        writeText(text, "Huge!");
        return;
    }
    int used = negative ? 1 : 0;
    char digits[kDisplayPlaces + 1];
    const int leftmost = writeIntegerDigits(v, digits, used);
    char* out = text;
    if (negative) {
        *out++ = '-';
    }
    const int digitCount = kDisplayPlaces - leftmost;
    std::memcpy(out, digits + leftmost, static_cast<std::size_t>(digitCount));
    out += digitCount;
    *out++ = '.';
    if (used >= kDisplayPlaces) {
        *out = '\0';
        return;
    }
    writeDecimals(v, kDisplayPlaces - used, out);
}

void EffectBase::formatInteger(int32 value, char* text) {
    if (!text) {
        return;
    }
    if (value > kLargestInteger || value < kSmallestInteger) {
        writeText(text, "Huge!");
        return;
    }
    std::snprintf(text, kDisplayPlaces + 1, "%7d", static_cast<int>(value));
}
