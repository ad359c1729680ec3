// What the fuzz targets share: numbers of every kind from the fuzzer's bytes, weighted
// towards the values that break arithmetic, and the time record a host answers with.
#pragma once

#include "vst2/vst2.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace fuzzinput {

// Stops the run with a message: libFuzzer saves the input that got here.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

template <typename Float, typename Bits> Float fromBits(Bits bits) {
    static_assert(sizeof(Float) == sizeof(Bits));
    Float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Any value of the type: a special one (NaN, infinities, zeros of both signs, the extremes,
// a denormal), one in the range a host would plausibly send, or any bit pattern at all.
template <typename Float, typename Bits>
Float anyFloating(FuzzedDataProvider& input, Float plausibleLow, Float plausibleHigh) {
    using Limits = std::numeric_limits<Float>;
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: {
        const Float specials[] = {
            Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(),  Float(0), -Float(0),
            Limits::max(),       Limits::lowest(),   Limits::denorm_min(), Float(1), Float(-1)};
        return specials[input.ConsumeIntegralInRange<std::size_t>(0, std::size(specials) - 1)];
    }
    case 1:
        return input.ConsumeFloatingPointInRange<Float>(plausibleLow, plausibleHigh);
    case 2:
        return input.ConsumeFloatingPoint<Float>();
    default:
        return fromBits<Float>(input.ConsumeIntegral<Bits>());
    }
}

inline float anyFloat(FuzzedDataProvider& input, float low = -2.0f, float high = 2.0f) {
    return anyFloating<float, std::uint32_t>(input, low, high);
}

inline double anyDouble(FuzzedDataProvider& input, double low, double high) {
    return anyFloating<double, std::uint64_t>(input, low, high);
}

// A 32-bit number: small ones near the values that matter, or any.
inline vst2::int32 anyInt32(FuzzedDataProvider& input, vst2::int32 low, vst2::int32 high) {
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<vst2::int32>(low, high)
                               : input.ConsumeIntegral<vst2::int32>();
}

// The time record of a host playing a song: a usual rate, tempo and metre, the play head
// anywhere, the bar start where it belongs or where careless hosts leave it.
inline VstTimeInfo songTimeInfo(FuzzedDataProvider& input) {
    VstTimeInfo info{};
    info.sampleRate = input.ConsumeFloatingPointInRange(8000.0, 192000.0);
    info.tempo = input.ConsumeFloatingPointInRange(20.0, 300.0);
    info.timeSigNumerator = input.ConsumeIntegralInRange<vst2::int32>(1, 16);
    info.timeSigDenominator = 1 << input.ConsumeIntegralInRange<int>(0, 5);
    info.ppqPos = input.ConsumeFloatingPointInRange(-8.0, 4096.0);
    const double barQuarters = info.timeSigNumerator * 4.0 / info.timeSigDenominator;
    switch (input.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        info.barStartPos =
            static_cast<double>(static_cast<long long>(info.ppqPos / barQuarters)) * barQuarters;
        break;
    case 1:
        info.barStartPos = 0.0;
        break;
    default:
        info.barStartPos = info.ppqPos - input.ConsumeFloatingPointInRange(-1.0, 2 * barQuarters);
        break;
    }
    info.samplePos = info.ppqPos * info.sampleRate * 60.0 / info.tempo;
    info.flags = input.ConsumeIntegral<vst2::int32>();
    return info;
}

// A time record with every field and flag from the input: half of the time a song's, else
// any field NaN, infinite, huge, zero or anything.
inline VstTimeInfo anyTimeInfo(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return songTimeInfo(input);
    }
    VstTimeInfo info{};
    info.samplePos = anyDouble(input, -1.0e7, 1.0e10);
    info.sampleRate = anyDouble(input, 1.0, 400000.0);
    info.nanoSeconds = anyDouble(input, 0.0, 1.0e15);
    info.ppqPos = anyDouble(input, -100.0, 1.0e5);
    info.tempo = anyDouble(input, 1.0, 1000.0);
    info.barStartPos = anyDouble(input, -100.0, 1.0e5);
    info.cycleStartPos = anyDouble(input, 0.0, 1.0e5);
    info.cycleEndPos = anyDouble(input, 0.0, 1.0e5);
    info.timeSigNumerator = anyInt32(input, 0, 64);
    info.timeSigDenominator = anyInt32(input, 0, 64);
    info.smpteOffset = input.ConsumeIntegral<vst2::int32>();
    info.smpteFrameRate = input.ConsumeIntegral<vst2::int32>();
    info.samplesToNextClock = input.ConsumeIntegral<vst2::int32>();
    info.flags = input.ConsumeIntegral<vst2::int32>();
    return info;
}

} // namespace fuzzinput
