// The audio path must never allocate: a host's audio thread cannot wait for the heap. This
// file replaces the global allocation functions of the test program with counting ones that
// forward to malloc and free, so every new and delete of the program still pairs up.
#include "gate_test_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

// The replacements below pair operator new with free by design; GCC, seeing both inlined,
// would take that for a mismatch.
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 11
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<long> allocations{0};

void* countedAllocation(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size != 0 ? size : 1);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* memory = countedAllocation(size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

TEST(GateAllocation, ProcessingAllocatesNothing) {
    GateRig rig;
    std::vector<float> left(4096, 0.5f);
    std::vector<float> right(4096, -0.5f);
    std::vector<float> outLeft(4096);
    std::vector<float> outRight(4096);
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};

    const long before = allocations.load();
    double position = 0.0;
    for (vst2::int32 frames : {4096, 1, 0, 17, 4096, 512}) {
        rig.host.timeInfo.ppqPos = position;
        rig.effect.processReplacing(inputs, outputs, frames);
        rig.effect.process(inputs, outputs, frames);
        position += frames / 22050.0;
    }
    rig.host.answersTime = false;
    rig.effect.processReplacing(inputs, outputs, 512);
    rig.effect.process(inputs, outputs, 512);
    EXPECT_EQ(allocations.load() - before, 0);

    // The counter does see allocations, so the zero above means something.
    void* probe = ::operator new(64);
    EXPECT_GT(allocations.load() - before, 0);
    ::operator delete(probe);
}
