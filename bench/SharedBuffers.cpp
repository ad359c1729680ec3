#include "bench/SharedBuffers.h"

#include <cstdint>

namespace stepveil::bench {

namespace {

constexpr std::size_t cacheLine = 64;

} // namespace

SharedBuffers::SharedBuffers(int frames, int channels)
    : inputPointers(static_cast<std::size_t>(channels)),
      outputPointers(static_cast<std::size_t>(channels)) {
    const std::size_t channelStride = static_cast<std::size_t>(frames) + cacheLine / sizeof(float);
    const auto count = static_cast<std::size_t>(channels);
    storage.resize(2 * count * channelStride + cacheLine / sizeof(float));
    const auto address = reinterpret_cast<std::uintptr_t>(storage.data());
    float* first = storage.data() + ((cacheLine - address % cacheLine) % cacheLine) / sizeof(float);
    for (std::size_t channel = 0; channel < count; ++channel) {
        inputPointers[channel] = first + channel * channelStride;
        outputPointers[channel] = first + (count + channel) * channelStride;
    }
    unsigned state = 12345u;
    for (std::size_t channel = 0; channel < 2 && channel < count; ++channel) {
        for (int k = 0; k < frames; ++k) {
            state = state * 1664525u + 1013904223u;
            inputPointers[channel][k] = static_cast<float>(state >> 8) / 16777216.0f * 0.5f - 0.25f;
        }
    }
}

} // namespace stepveil::bench
