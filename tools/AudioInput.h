// An audio file read through libsndfile as a source for the render loop: any format the
// library reads, mono or stereo, delivered as 32-bit float planes.
#pragma once

#include "tools/SignalSource.h"

#include <sndfile.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace stepveil::tool {

// The textual tags a file may carry (title, artist, ...), copied to the output so that
// gating a file does not strip them.
using AudioTags = std::vector<std::pair<int, std::string>>;

// How long libsndfile may take to read a file's header before the file counts as damaged.
constexpr std::chrono::milliseconds headerReadingLimit{10000};

class AudioInput : public SignalSource {
public:
    // Throws a failure naming the file if it is missing, unreadable, not audio, has more than
    // two channels, or is a regular file whose header libsndfile cannot read within
    // `headerLimit` (or crashes on); throws the interruption when the user interrupts that.
    explicit AudioInput(std::string path,
                        std::chrono::milliseconds headerLimit = headerReadingLimit);
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
