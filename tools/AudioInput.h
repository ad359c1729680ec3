// An audio file read through libsndfile as a source for the render loop: any format the
// library reads, mono or stereo, delivered as 32-bit float planes.
#pragma once

#include "tools/SignalSource.h"

#include <sndfile.h>

#include <string>
#include <utility>
#include <vector>

namespace stepveil::tool {

// The textual tags a file may carry (title, artist, ...), copied to the output so that
// gating a file does not strip them.
using AudioTags = std::vector<std::pair<int, std::string>>;

class AudioInput : public SignalSource {
public:
    // Throws a failure naming the file if it is missing, unreadable, not audio, or has more
    // than two channels.
    explicit AudioInput(std::string path);
    ~AudioInput() override;
    AudioInput(const AudioInput&) = delete;
    AudioInput& operator=(const AudioInput&) = delete;

    int channelCount() const override { return info_.channels; }
    double sampleRate() const override { return info_.samplerate; }
    std::optional<std::int64_t> totalFrames() const override;
    int read(float* const* channels, int maxFrames) override;

    const AudioTags& tags() const { return tags_; }

private:
    std::string path_;
    SF_INFO info_{};
    SNDFILE* file_ = nullptr;
    std::vector<float> interleaved_;
    AudioTags tags_;
};

} // namespace stepveil::tool
