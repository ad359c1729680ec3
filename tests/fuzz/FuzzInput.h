// What the fuzz targets share: the check that ends a run, numbers of every kind from the
// fuzzer's bytes, weighted towards the values that break arithmetic, and the time record a host
// answers with.
#pragma once

#include "vst2/vst2.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

namespace fuzzinput {

// Ends the run with a message unless the condition holds: libFuzzer saves the input.
inline void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Any float or double: a special one (NaN, infinities, zeros of both signs, the extremes, a
// denormal), one in the range a host would plausibly send, or any bit pattern at all.
template <typename Float> Float any(FuzzedDataProvider& input, Float low, Float high) {
    using Limits = std::numeric_limits<Float>;
    const Float specials[] = {
        Limits::quiet_NaN(), Limits::infinity(), -Limits::infinity(),  Float(0), -Float(0),
        Limits::max(),       Limits::lowest(),   Limits::denorm_min(), Float(1)};
    switch (input.ConsumeIntegralInRange<int>(0, 2)) {
    case 0:
        return input.PickValueInArray(specials);
    case 1:
        return input.ConsumeFloatingPointInRange<Float>(low, high);
    default: {
        using Bits = std::conditional_t<sizeof(Float) == 4, std::uint32_t, std::uint64_t>;
        const Bits bits = input.ConsumeIntegral<Bits>();
        Float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    }
}

// A 32-bit number: small ones near the values that matter, or any.
inline vst2::int32 anyInt32(FuzzedDataProvider& input, vst2::int32 low, vst2::int32 high) {
    return input.ConsumeBool() ? input.ConsumeIntegralInRange<vst2::int32>(low, high)
                               : input.ConsumeIntegral<vst2::int32>();
}

// A time record: half of the time a song's (a usual rate, tempo and metre, the play head
// anywhere, the bar start where it belongs or where careless hosts leave it), else every field
// and flag from the input, NaN, infinite, huge, zero or anything.
inline VstTimeInfo anyTimeInfo(FuzzedDataProvider& input, bool song = false) {
    VstTimeInfo info{};
    if (song || input.ConsumeBool()) {
        info.sampleRate = input.ConsumeFloatingPointInRange(8000.0, 192000.0);
        info.tempo = input.ConsumeFloatingPointInRange(20.0, 300.0);
        info.timeSigNumerator = input.ConsumeIntegralInRange<vst2::int32>(1, 16);
        info.timeSigDenominator = 1 << input.ConsumeIntegralInRange<int>(0, 5);
        info.ppqPos = input.ConsumeFloatingPointInRange(-8.0, 4096.0);
        const double bar = info.timeSigNumerator * 4.0 / info.timeSigDenominator;
        const double barStarts[] = {std::floor(info.ppqPos / bar) * bar, 0.0,
                                    info.ppqPos - input.ConsumeFloatingPointInRange(-1.0, 2 * bar)};
        info.barStartPos = input.PickValueInArray(barStarts);
        info.samplePos = info.ppqPos * info.sampleRate * 60.0 / info.tempo;
    } else {
        info.samplePos = any(input, -1.0e7, 1.0e10);
        info.sampleRate = any(input, 1.0, 400000.0);
        info.nanoSeconds = any(input, 0.0, 1.0e15);
        info.ppqPos = any(input, -100.0, 1.0e5);
        info.tempo = any(input, 1.0, 1000.0);
        info.barStartPos = any(input, -100.0, 1.0e5);
        info.cycleStartPos = any(input, 0.0, 1.0e5);
        info.cycleEndPos = any(input, 0.0, 1.0e5);
        info.timeSigNumerator = anyInt32(input, 0, 64);
        info.timeSigDenominator = anyInt32(input, 0, 64);
        info.smpteOffset = input.ConsumeIntegral<vst2::int32>();
        info.smpteFrameRate = input.ConsumeIntegral<vst2::int32>();
        info.samplesToNextClock = input.ConsumeIntegral<vst2::int32>();
    }
    info.flags = input.ConsumeIntegral<vst2::int32>();
    return info;
}

} // namespace fuzzinput
