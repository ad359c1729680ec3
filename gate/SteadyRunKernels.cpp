// The two compiled variants of the steady-gain loops and the choice between them.
#include "gate/GainKernels.h"

// 256-bit vectors: x86 targets whose compiler keeps such vectors safely on the stack. GCC
// for 64-bit Windows cannot align its stack to 32 bytes, so a spilled 256-bit register could
// fault there; the DLL keeps the baseline loops.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define STEPVEIL_WIDE_KERNELS 1
#else
#define STEPVEIL_WIDE_KERNELS 0
#endif

namespace {

template <bool accumulate, BufferLayout layout>
vst2::int32 steadyRunsBaseline(const StereoBuffers& buffers, vst2::int32 start, vst2::int32 count,
                               const std::atomic<float>& level, float target) {
    return gainSteadyRuns<accumulate, layout>(buffers, start, count, level, target);
}

#if STEPVEIL_WIDE_KERNELS
// AVX2 without FMA: the compiler may only widen the same multiplies and adds, never fuse them.
template <bool accumulate, BufferLayout layout>
__attribute__((target("avx2"))) vst2::int32
steadyRunsWide(const StereoBuffers& buffers, vst2::int32 start, vst2::int32 count,
               const std::atomic<float>& level, float target) {
    return gainSteadyRuns<accumulate, layout>(buffers, start, count, level, target);
}

KernelWidth detectKernelWidth() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? KernelWidth::wide : KernelWidth::baseline;
}
#else
KernelWidth detectKernelWidth() {
    return KernelWidth::baseline;
}
#endif

// Worked out while the plug-in file is loaded, before any effect exists.
const KernelWidth processorKernelWidth = detectKernelWidth();

} // namespace

KernelWidth widestKernelWidth() {
    return processorKernelWidth;
}

template <bool accumulate, BufferLayout layout>
SteadyRunsKernel steadyRunsKernel(KernelWidth width) {
#if STEPVEIL_WIDE_KERNELS
    if (width == KernelWidth::wide) {
        return steadyRunsWide<accumulate, layout>;
    }
#else
    static_cast<void>(width);
#endif
    return steadyRunsBaseline<accumulate, layout>;
}

template SteadyRunsKernel steadyRunsKernel<false, BufferLayout::separate>(KernelWidth);
template SteadyRunsKernel steadyRunsKernel<false, BufferLayout::inPlace>(KernelWidth);
template SteadyRunsKernel steadyRunsKernel<false, BufferLayout::overlapping>(KernelWidth);
template SteadyRunsKernel steadyRunsKernel<true, BufferLayout::separate>(KernelWidth);
template SteadyRunsKernel steadyRunsKernel<true, BufferLayout::inPlace>(KernelWidth);
template SteadyRunsKernel steadyRunsKernel<true, BufferLayout::overlapping>(KernelWidth);
