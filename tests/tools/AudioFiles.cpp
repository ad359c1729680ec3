#include "AudioFiles.h"

#include <sndfile.h>

#include <cmath>
#include <stdexcept>

void writeAudio(const std::string& path, const AudioData& data) {
    SF_INFO info{};
    info.channels = data.channels;
    info.samplerate = data.sampleRate;
    info.format = data.format != 0 ? data.format : (SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot write test file " + path + ": " + sf_strerror(nullptr));
    }
    if (!data.title.empty()) {
        sf_set_string(file, SF_STR_TITLE, data.title.c_str());
    }
    sf_writef_float(file, data.samples.data(), data.frames());
    sf_close(file);
}

AudioData readAudio(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    }
    AudioData data;
    data.channels = info.channels;
    data.sampleRate = info.samplerate;
    data.format = info.format;
    data.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, data.samples.data(), info.frames);
    if (const char* title = sf_get_string(file, SF_STR_TITLE)) {
        data.title = title;
    }
    sf_close(file);
    return data;
}

AudioData makeTestSignal(int channels, int sampleRate, long frames) {
    AudioData data;
    data.channels = channels;
    data.sampleRate = sampleRate;
    data.samples.resize(static_cast<std::size_t>(frames * channels));
    for (std::size_t index = 0; index < data.samples.size(); ++index) {
        data.samples[index] = static_cast<float>(0.9 * std::sin(0.37 * static_cast<double>(index)));
    }
    return data;
}
