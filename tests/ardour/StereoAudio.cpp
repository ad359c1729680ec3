#include "tests/ardour/StereoAudio.h"

#include <sndfile.h>

#include <memory>
#include <stdexcept>

namespace stepveil::ardourcheck {
namespace {

struct SoundFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, SoundFileCloser>;

std::runtime_error fileError(const std::string& path, const std::string& reason) {
    return std::runtime_error(path + ": " + reason);
}

} // namespace

StereoAudio readStereo(const std::string& path) {
    SF_INFO info{};
    SoundFile file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        throw fileError(path, sf_strerror(nullptr));
    }
    if (info.channels != 2) {
        throw fileError(path, "has " + std::to_string(info.channels) + " channels, not 2");
    }
    const auto frames = static_cast<std::size_t>(info.frames);
    std::vector<float> interleaved(frames * 2);
    if (sf_readf_float(file.get(), interleaved.data(), info.frames) != info.frames) {
        throw fileError(path, "ends before its announced length");
    }
    StereoAudio audio;
    audio.sampleRate = info.samplerate;
    audio.left.resize(frames);
    audio.right.resize(frames);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        audio.left[frame] = interleaved[frame * 2];
        audio.right[frame] = interleaved[frame * 2 + 1];
    }
    return audio;
}

void writeStereoFloatWav(const std::string& path, const StereoAudio& audio) {
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SoundFile file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        throw fileError(path, sf_strerror(nullptr));
    }
    std::vector<float> interleaved(audio.frames() * 2);
    for (std::size_t frame = 0; frame < audio.frames(); ++frame) {
        interleaved[frame * 2] = audio.left[frame];
        interleaved[frame * 2 + 1] = audio.right[frame];
    }
    const auto frames = static_cast<sf_count_t>(audio.frames());
    if (sf_writef_float(file.get(), interleaved.data(), frames) != frames) {
        throw fileError(path, sf_strerror(file.get()));
    }
}

} // namespace stepveil::ardourcheck
