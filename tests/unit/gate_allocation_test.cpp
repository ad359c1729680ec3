// The audio path must never allocate: a host's audio thread cannot wait for the heap. The test
// program's allocations are counted (tests/CountedAllocations.cpp).
#include "gate_test_host.h"
#include "tests/CountedAllocations.h"

#include <gtest/gtest.h>

#include <new>
#include <vector>

using stepveil::testing::allocationsSoFar;

TEST(GateAllocation, ProcessingAllocatesNothing) {
    GateRig rig;
    std::vector<float> left(4096, 0.5f);
    std::vector<float> right(4096, -0.5f);
    std::vector<float> outLeft(4096);
    std::vector<float> outRight(4096);
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};

    const long before = allocationsSoFar();
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
    EXPECT_EQ(allocationsSoFar() - before, 0);

    // The counter does see allocations, so the zero above means something.
    void* probe = ::operator new(64);
    EXPECT_GT(allocationsSoFar() - before, 0);
    ::operator delete(probe);
}
