#include "tools/AudioInput.h"

#include "tools/ToolError.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace stepveil::tool {
namespace {

constexpr int tagKinds[] = {SF_STR_TITLE,       SF_STR_COPYRIGHT, SF_STR_SOFTWARE, SF_STR_ARTIST,
                            SF_STR_COMMENT,     SF_STR_DATE,      SF_STR_ALBUM,    SF_STR_LICENSE,
                            SF_STR_TRACKNUMBER, SF_STR_GENRE};

std::string describe(const std::string& path) {
    return "input \"" + path + "\"";
}

// libsndfile's own message for a missing file is "System error"; say what is wrong in the
// words a user expects, and refuse directories before the library gets confused by them.
void checkReadableFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        throw failure("cannot open " + describe(path) + ": " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw failure("cannot open " + describe(path) + ": it is a directory");
    }
}

} // namespace

AudioInput::AudioInput(std::string path) : path_(std::move(path)) {
    checkReadableFile(path_);
    file_ = sf_open(path_.c_str(), SFM_READ, &info_);
    if (file_ == nullptr) {
        throw failure("cannot read " + describe(path_) + " as audio: " + sf_strerror(nullptr));
    }
    if (info_.channels < 1 || info_.channels > 2) {
        const int channels = info_.channels;
        sf_close(file_);
        file_ = nullptr;
        throw failure(describe(path_) + " has " + std::to_string(channels) +
                      " channels; the gate takes mono or stereo files");
    }
    if (info_.samplerate <= 0) {
        sf_close(file_);
        file_ = nullptr;
        throw failure(describe(path_) + " has no valid sample rate");
    }
    for (const int kind : tagKinds) {
        if (const char* text = sf_get_string(file_, kind)) {
            tags_.emplace_back(kind, text);
        }
    }
}

AudioInput::~AudioInput() {
    if (file_ != nullptr) {
        sf_close(file_);
    }
}

std::optional<std::int64_t> AudioInput::totalFrames() const {
    // Streams whose length libsndfile cannot know report a huge count.
    if (info_.frames < 0 || info_.frames == SF_COUNT_MAX) {
        return std::nullopt;
    }
    return info_.frames;
}

int AudioInput::read(float* const* channels, int maxFrames) {
    const auto channelCount = static_cast<std::size_t>(info_.channels);
    const auto wanted = static_cast<std::size_t>(std::max(maxFrames, 0)) * channelCount;
    if (interleaved_.size() < wanted) {
        interleaved_.resize(wanted);
    }
    const sf_count_t frames = sf_readf_float(file_, interleaved_.data(), maxFrames);
    if (frames <= 0 && sf_error(file_) != SF_ERR_NO_ERROR) {
        throw failure("cannot read " + describe(path_) + ": " + sf_strerror(file_));
    }
    for (std::size_t frame = 0; frame < static_cast<std::size_t>(frames); ++frame) {
        for (std::size_t channel = 0; channel < channelCount; ++channel) {
            channels[channel][frame] = interleaved_[frame * channelCount + channel];
        }
    }
    return static_cast<int>(frames);
}

} // namespace stepveil::tool
