#include "gate/GainKernels.h"

#include <cstdint>

namespace {

using Address = std::uintptr_t;

bool overlap(const float* a, const float* b, vst2::int32 frames) {
    const auto bytes = static_cast<Address>(frames) * sizeof(float);
    const auto startA = reinterpret_cast<Address>(a);
    const auto startB = reinterpret_cast<Address>(b);
    return startA < startB + bytes && startB < startA + bytes;
}

} // namespace

BufferLayout classifyBuffers(const StereoBuffers& buffers, vst2::int32 frames) {
    if (overlap(buffers.out0, buffers.out1, frames)) {
        return BufferLayout::overlapping;
    }
    if (buffers.in0 == buffers.out0 && buffers.in1 == buffers.out1) {
        return BufferLayout::inPlace;
    }
    const bool outputsApart = !overlap(buffers.out0, buffers.in0, frames) &&
                              !overlap(buffers.out0, buffers.in1, frames) &&
                              !overlap(buffers.out1, buffers.in0, frames) &&
                              !overlap(buffers.out1, buffers.in1, frames);
    return outputsApart ? BufferLayout::separate : BufferLayout::overlapping;
}
