// Writing test inputs and reading results back with libsndfile, independently of the tool's
// own file code.
#pragma once

#include <string>
#include <vector>

struct AudioData {
    int channels = 0;
    int sampleRate = 0;
    int format = 0;             // libsndfile's format code
    std::vector<float> samples; // interleaved
    std::string title;

    long frames() const { return channels == 0 ? 0 : static_cast<long>(samples.size()) / channels; }
};

// Writes interleaved samples; format is a libsndfile format code (default 32-bit float WAV).
void writeAudio(const std::string& path, const AudioData& data);
AudioData readAudio(const std::string& path);

// A reproducible signal that is different in every sample and every channel, within ±0.9.
AudioData makeTestSignal(int channels, int sampleRate, long frames);
