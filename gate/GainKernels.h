// The inner loops of the gate's audio path: multiplying both channels of a run of samples by
// one gain. Runs of constant gain become vector code; the per-sample form keeps the exact
// arithmetic for ramps and for buffers that overlap in unusual ways.
#pragma once

#include "vst2/vst2.h"

#include <atomic>

struct StereoBuffers {
    const float* in0;
    const float* in1;
    float* out0;
    float* out1;
};

// How the host laid out the buffers of one block. Vector code serves the two layouts hosts
// use, separate buffers and processing in place; anything else (outputs sharing memory with
// each other or with the other channel's input) goes sample by sample, which gives exactly
// the result of processing one sample of both channels after the other.
enum class BufferLayout { separate, inPlace, overlapping };

BufferLayout classifyBuffers(const StereoBuffers& buffers, vst2::int32 frames);

// Longest run the vector code takes at once; the steady runs re-read their level this often.
constexpr vst2::int32 longestGainRun = 64;
// The vector step for what is left of a run under longestGainRun.
constexpr int shortGainRun = 8;

// Sample k of both channels times gain, written over the output or added to it.
template <bool accumulate>
inline void gainSample(const StereoBuffers& buffers, vst2::int32 k, float gain) {
    if (accumulate) {
        buffers.out0[k] = buffers.out0[k] + gain * buffers.in0[k];
        buffers.out1[k] = buffers.out1[k] + gain * buffers.in1[k];
    } else {
        buffers.out0[k] = gain * buffers.in0[k];
        buffers.out1[k] = gain * buffers.in1[k];
    }
}

namespace gainKernelDetail {

// The gains of a run: one for every sample, or one per sample from an array. Either is read
// as gains[k], so one loop serves both.
struct OneGain {
    float value;
    float operator[](int) const { return value; }
};
struct GainPerSample {
    const float* values;
    float operator[](int k) const { return values[k]; }
};

// A fixed count lets the compiler vectorise without a scalar remainder loop; restrict is
// sound here because classifyBuffers has shown that no output shares memory with anything
// else the loop touches (two inputs may be the same buffer: they are only read).
template <bool accumulate, int count, typename Gains>
inline void gainSeparate(const float* __restrict in0, const float* __restrict in1,
                         float* __restrict out0, float* __restrict out1, Gains gains) {
    for (int k = 0; k < count; ++k) {
        out0[k] = accumulate ? out0[k] + gains[k] * in0[k] : gains[k] * in0[k];
    }
    for (int k = 0; k < count; ++k) {
        out1[k] = accumulate ? out1[k] + gains[k] * in1[k] : gains[k] * in1[k];
    }
}

template <bool accumulate, int count, typename Gains>
inline void gainInPlace(float* __restrict channel0, float* __restrict channel1, Gains gains) {
    for (int k = 0; k < count; ++k) {
        if (accumulate) {
            channel0[k] = channel0[k] + gains[k] * channel0[k];
            channel1[k] = channel1[k] + gains[k] * channel1[k];
        } else {
            channel0[k] = gains[k] * channel0[k];
            channel1[k] = gains[k] * channel1[k];
        }
    }
}

template <bool accumulate, BufferLayout layout, int count, typename Gains>
inline void gainsOverRun(const StereoBuffers& buffers, vst2::int32 start, Gains gains) {
    if constexpr (layout == BufferLayout::separate) {
        gainSeparate<accumulate, count>(buffers.in0 + start, buffers.in1 + start,
                                        buffers.out0 + start, buffers.out1 + start, gains);
    } else if constexpr (layout == BufferLayout::inPlace) {
        gainInPlace<accumulate, count>(buffers.out0 + start, buffers.out1 + start, gains);
    } else {
        for (int k = 0; k < count; ++k) {
            gainSample<accumulate>(buffers, start + k, gains[k]);
        }
    }
}

template <bool accumulate, BufferLayout layout, int count>
inline void gainFixedRun(const StereoBuffers& buffers, vst2::int32 start, float gain) {
    gainsOverRun<accumulate, layout, count>(buffers, start, OneGain{gain});
}

} // namespace gainKernelDetail

// Samples start to start + longestGainRun - 1 of both channels times one gain.
template <bool accumulate, BufferLayout layout>
inline void gainLongestRun(const StereoBuffers& buffers, vst2::int32 start, float gain) {
    gainKernelDetail::gainFixedRun<accumulate, layout, longestGainRun>(buffers, start, gain);
}

// Samples start to start + count - 1 of both channels, each times its own gain from `gains`;
// the same results as gainSample over each sample in turn.
template <bool accumulate, BufferLayout layout, int count>
inline void gainEnvelope(const StereoBuffers& buffers, vst2::int32 start, const float* gains) {
    gainKernelDetail::gainsOverRun<accumulate, layout, count>(
        buffers, start, gainKernelDetail::GainPerSample{gains});
}

// The gain of a step once its ramp has ended: the ramp term is 0.0, added as on every other
// sample (which also turns a level of -0.0 into +0.0).
inline float steadyGainOf(float level) {
    return static_cast<float>(0.0 + static_cast<double>(level));
}

// Samples from start on of both channels at the steady gain of `target`, the level the gate
// has arrived at, for up to count samples. The live level is read before every run of at
// most longestGainRun samples: where it no longer equals the target (it was changed from
// another thread) the runs stop, so that the caller can ramp to the new level. Answers the
// samples played. Always inlined, so that each instruction-set variant below holds its own copy.
template <bool accumulate, BufferLayout layout>
inline __attribute__((always_inline)) vst2::int32
gainSteadyRuns(const StereoBuffers& channels, vst2::int32 start, vst2::int32 count,
               const std::atomic<float>& level, float target) {
    // A copy of the channel pointers the compiler knows no output store can change, so that
    // it keeps them in registers from run to run.
    const StereoBuffers buffers = channels;
    // Over separate buffers written over, the last samples of a run of at least eight go as
    // one vector ending at the run's end, which may cover samples the run has just written:
    // as no output is an input, they get the same value again.
    constexpr bool rewritable = layout == BufferLayout::separate && !accumulate;
    const bool endsWithVector = rewritable && count >= shortGainRun;
    const vst2::int32 first = start;
    const vst2::int32 end = start + count;
    const float gain = steadyGainOf(target);
    for (; count >= longestGainRun; count -= longestGainRun, start += longestGainRun) {
        if (level.load(std::memory_order_relaxed) != target) {
            return start - first;
        }
        gainLongestRun<accumulate, layout>(buffers, start, gain);
    }
    if (count > 0) {
        if (level.load(std::memory_order_relaxed) != target) {
            return start - first;
        }
        // The part under longestGainRun: eight samples at a time, then what is left. Its
        // length is where a step boundary fell, so it varies from block to block; two short
        // loops cost the processor fewer wrong guesses than a ladder of size tests.
        for (; count >= shortGainRun; count -= shortGainRun, start += shortGainRun) {
            gainKernelDetail::gainFixedRun<accumulate, layout, shortGainRun>(buffers, start, gain);
        }
        if (endsWithVector) {
            gainKernelDetail::gainFixedRun<accumulate, layout, shortGainRun>(
                buffers, end - shortGainRun, gain);
        } else {
            for (vst2::int32 k = start; k < end; ++k) {
                gainSample<accumulate>(buffers, k, gain);
            }
        }
    }
    return end - first;
}

// The steady runs come compiled twice: for the instruction set every processor of the target
// has, and, where the compiler can build it safely, for 256-bit vectors, taken when the
// processor running the plug-in has them. Each multiply is the same single rounding either
// way, so both give the same bits.
enum class KernelWidth { baseline, wide };

// The widest variant this processor runs, decided once when the plug-in is loaded.
KernelWidth widestKernelWidth();

using SteadyRunsKernel = vst2::int32 (*)(const StereoBuffers& buffers, vst2::int32 start,
                                         vst2::int32 count, const std::atomic<float>& level,
                                         float target);

// The variant of the given width; baseline when the wide one is not built for this target.
template <bool accumulate, BufferLayout layout>
SteadyRunsKernel steadyRunsKernel(KernelWidth width);
