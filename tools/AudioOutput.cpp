#include "tools/AudioOutput.h"

#include "tools/ToolError.h"

#include <memory>

namespace stepveil::tool {
namespace {

int sampleFormatBits(SampleFormat format) {
    switch (format) {
    case SampleFormat::pcm16:
        return SF_FORMAT_PCM_16;
    case SampleFormat::pcm24:
        return SF_FORMAT_PCM_24;
    case SampleFormat::pcm32:
        return SF_FORMAT_PCM_32;
    case SampleFormat::float64:
        return SF_FORMAT_DOUBLE;
    case SampleFormat::float32:
        break;
    }
    return SF_FORMAT_FLOAT;
}

int bytesPerSample(SampleFormat format) {
    switch (format) {
    case SampleFormat::pcm16:
        return 2;
    case SampleFormat::pcm24:
        return 3;
    case SampleFormat::float64:
        return 8;
    case SampleFormat::pcm32:
    case SampleFormat::float32:
        break;
    }
    return 4;
}

} // namespace

int libsndfileFormat(OutputFormat format, int channelCount,
                     std::optional<std::int64_t> expectedFrames) {
    const int sampleBits = sampleFormatBits(format.sampleFormat);
    if (format.fileType == FileType::flac) {
        return SF_FORMAT_FLAC | sampleBits;
    }
    // Leaves room below 4 GiB for the header and any tags.
    constexpr std::int64_t wavDataLimit = 0xFFFFFFFFLL - 0x100000LL;
    const bool fitsWav =
        expectedFrames &&
        *expectedFrames * channelCount * bytesPerSample(format.sampleFormat) < wavDataLimit;
    return (fitsWav ? SF_FORMAT_WAV : SF_FORMAT_RF64) | sampleBits;
}

AudioOutput::AudioOutput(std::string path, OutputFormat format, int channelCount, int sampleRate,
                         std::optional<std::int64_t> expectedFrames)
    : path_(std::move(path)) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channelCount;
    info.format = libsndfileFormat(format, channelCount, expectedFrames);
    if (!sf_format_check(&info)) {
        throw failure("cannot write \"" + path_ + "\": the format cannot hold " +
                      std::to_string(channelCount) + " channel(s) at " +
                      std::to_string(sampleRate) + " Hz");
    }
    file_ = std::make_unique<ReplacementFile>(path_);
    sound_ = sf_open_fd(file_->descriptor(), SFM_WRITE, &info, SF_FALSE);
    if (sound_ == nullptr) {
        throw failure("cannot write \"" + path_ + "\": " + sf_strerror(nullptr));
    }
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64) {
        // A render of unknown length that stays small still ends up as a WAV file.
        sf_command(sound_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    }
    // Integer formats clip rather than wrap around when a sample exceeds full scale.
    sf_command(sound_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioOutput::~AudioOutput() {
    if (sound_ != nullptr) {
        sf_close(sound_);
    }
}

void AudioOutput::setTags(const AudioTags& tags) {
    for (const auto& [kind, text] : tags) {
        // A format that cannot hold a tag refuses it; the audio matters more than the tag.
        sf_set_string(sound_, kind, text.c_str());
    }
}

void AudioOutput::write(const float* interleaved, int frames) {
    if (sf_writef_float(sound_, interleaved, frames) != frames) {
        throw failure("cannot write \"" + path_ + "\": " + sf_strerror(sound_));
    }
}

void AudioOutput::commit() {
    const int closeResult = sf_close(sound_);
    sound_ = nullptr;
    if (closeResult != 0) {
        throw failure("cannot finish \"" + path_ + "\": " + sf_error_number(closeResult));
    }
    file_->commit();
}

} // namespace stepveil::tool
