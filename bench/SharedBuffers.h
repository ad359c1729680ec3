// One set of buffers for every subject of a benchmark program, so that all of them work on the
// same memory. Each channel starts on a 64-byte boundary, as hosts allocate their audio
// buffers; channels lie a cache line further apart than their length, so that no two start at
// the same offset within a 4 KiB page (which the processor can mistake for overlapping
// addresses). The first two input channels hold a quiet, busy signal: a fixed pseudo-random
// sequence at about -12 dB, the same in every run, so that envelope followers have something
// to follow.
#pragma once

#include <cstddef>
#include <vector>

namespace stepveil::bench {

struct SharedBuffers {
    SharedBuffers(int frames, int channels);

    std::vector<float> storage;
    std::vector<float*> inputPointers;
    std::vector<float*> outputPointers;
};

} // namespace stepveil::bench
