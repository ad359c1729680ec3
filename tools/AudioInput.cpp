#include "tools/AudioInput.h"

#include "tools/HeaderProbe.h"
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
// Answers whether it is a regular file (rather than a pipe or a device).
bool checkReadableFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        throw failure("cannot open " + describe(path) + ": " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) {
        throw failure("cannot open " + describe(path) + ": it is a directory");
    }
    return S_ISREG(status.st_mode);
}

// A header that makes libsndfile crash or loop is reported rather than met. Only regular
// files are probed: a pipe's bytes would be gone once the probe had read them.
void checkHeaderReadable(const std::string& path, std::chrono::milliseconds limit) {
    switch (probeHeader(path, limit)) {
    case HeaderProbeResult::crashed:
        throw failure("cannot read " + describe(path) +
                      " as audio: libsndfile crashes on its header (the file is damaged)");
    case HeaderProbeResult::tooSlow:
        throw failure(
            "cannot read " + describe(path) + " as audio: libsndfile did not finish " +
            "reading its header within " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
            " s (the file is damaged)");
    case HeaderProbeResult::interrupted:
        throw ToolError(exitInterrupted, "interrupted; nothing was written");
    case HeaderProbeResult::opens:
    case HeaderProbeResult::refused:
        break;
    }
}

} // namespace

AudioInput::AudioInput(std::string path, std::chrono::milliseconds headerLimit)
    : path_(std::move(path)) {
    if (checkReadableFile(path_)) {
        checkHeaderReadable(path_, headerLimit);
    }
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
