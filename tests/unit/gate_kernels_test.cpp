// The steady-gain loops come in two compiled variants, and the processor running the plug-in
// picks one. Whichever runs, the output must be the same bits as multiplying sample by sample,
// for every run length, every alignment and each buffer layout.
#include "gate/GainKernels.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int longestTried = 3 * longestGainRun + 7;
constexpr int slack = 16;

// One pool of noise that every layout cuts its four buffers from.
struct Pool {
    std::vector<float> samples;
    explicit Pool(unsigned seed) : samples(4 * (longestTried + slack)) {
        std::mt19937 generator(seed);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        for (float& sample : samples) {
            sample = noise(generator);
        }
        // Values where a careless vector path would show: signed zeros, the tiniest numbers.
        samples[3] = -0.0f;
        samples[5] = 1e-40f;
    }
    StereoBuffers cut(BufferLayout layout, int offset) {
        float* base = samples.data() + offset;
        const int apart = longestTried + slack;
        if (layout == BufferLayout::inPlace) {
            return {base, base + apart, base, base + apart};
        }
        if (layout == BufferLayout::overlapping) {
            // The right output is the left input, one sample on.
            return {base, base + apart, base + 2 * apart, base + 1};
        }
        return {base, base + apart, base + 2 * apart, base + 3 * apart};
    }
};

template <bool accumulate, BufferLayout layout>
void expectSameAsSampleBySample(KernelWidth width, const char* layoutName) {
    std::atomic<float> level{0.0f};
    for (const float gain : {0.40625f, -0.0f, 1.0f, 2.0f}) {
        level.store(gain);
        for (int offset = 0; offset < 8; ++offset) {
            for (int count = 0; count <= longestTried; ++count) {
                Pool worked(7u), expected(7u);
                const StereoBuffers buffers = worked.cut(layout, offset);
                const StereoBuffers reference = expected.cut(layout, offset);
                const SteadyRunsKernel kernel = steadyRunsKernel<accumulate, layout>(width);
                ASSERT_EQ(count, kernel(buffers, 2, count, level, gain));
                for (int k = 2; k < 2 + count; ++k) {
                    gainSample<accumulate>(reference, k, steadyGainOf(gain));
                }
                ASSERT_EQ(0, std::memcmp(worked.samples.data(), expected.samples.data(),
                                         worked.samples.size() * sizeof(float)))
                    << layoutName << (accumulate ? ", adding" : ", replacing") << ", gain " << gain
                    << ", offset " << offset << ", " << count << " samples";
            }
        }
    }
}

void expectEveryLayoutExact(KernelWidth width) {
    expectSameAsSampleBySample<false, BufferLayout::separate>(width, "separate");
    expectSameAsSampleBySample<true, BufferLayout::separate>(width, "separate");
    expectSameAsSampleBySample<false, BufferLayout::inPlace>(width, "in place");
    expectSameAsSampleBySample<true, BufferLayout::inPlace>(width, "in place");
    expectSameAsSampleBySample<false, BufferLayout::overlapping>(width, "overlapping");
    expectSameAsSampleBySample<true, BufferLayout::overlapping>(width, "overlapping");
}

} // namespace

TEST(GateKernels, BaselineLoopsGiveTheSampleBySampleBits) {
    expectEveryLayoutExact(KernelWidth::baseline);
}

TEST(GateKernels, WideLoopsGiveTheSampleBySampleBits) {
    if (widestKernelWidth() != KernelWidth::wide) {
        GTEST_SKIP() << "this processor or target has no wide variant";
    }
    expectEveryLayoutExact(KernelWidth::wide);
}

TEST(GateKernels, SteadyRunsStopWhereTheLevelLeavesTheTarget) {
    // A level changed from another thread is noticed before the next run, which is left for
    // the caller's ramp.
    std::atomic<float> level{0.5f};
    Pool worked(3u), untouched(3u);
    const StereoBuffers buffers = worked.cut(BufferLayout::separate, 0);
    EXPECT_EQ(0, (steadyRunsKernel<false, BufferLayout::separate>(widestKernelWidth())(
                     buffers, 0, 100, level, 0.25f)));
    EXPECT_EQ(worked.samples, untouched.samples);
}

TEST(GateKernels, ASteadyGainTurnsANegativeZeroLevelPositive) {
    // The ramp term 0.0 is added to the level, as on every ramp sample.
    EXPECT_FALSE(std::signbit(steadyGainOf(-0.0f)));
    EXPECT_EQ(0.75f, steadyGainOf(0.75f));
}
