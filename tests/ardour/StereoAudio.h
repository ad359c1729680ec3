// Stereo audio files for the Ardour test's checker: read any file libsndfile opens, write
// 32-bit float WAV. Failures throw std::runtime_error with the file's name and the reason.
#pragma once

#include <string>
#include <vector>

namespace stepveil::ardourcheck {

struct StereoAudio {
    int sampleRate = 0;
    std::vector<float> left;
    std::vector<float> right;

    std::size_t frames() const { return left.size(); }
};

// Reads a two-channel file; any other channel count is an error.
StereoAudio readStereo(const std::string& path);
void writeStereoFloatWav(const std::string& path, const StereoAudio& audio);

} // namespace stepveil::ardourcheck
