// Where the audio to be gated comes from: an input file or the built-in source. The render
// loop pulls planar blocks from it without knowing which.
#pragma once

#include <cstdint>
#include <optional>

namespace stepveil::tool {

class SignalSource {
public:
    virtual ~SignalSource() = default;

    virtual int channelCount() const = 0; // 1 or 2
    virtual double sampleRate() const = 0;
    // The number of frames, when the source knows it ahead (for the progress bar).
    virtual std::optional<std::int64_t> totalFrames() const = 0;
    // Fills up to maxFrames frames into one buffer per channel; returns how many it filled,
    // 0 at the end.
    virtual int read(float* const* channels, int maxFrames) = 0;
};

} // namespace stepveil::tool
