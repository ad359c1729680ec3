#include "tools/AudioOutput.h"

#include "tools/ToolError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace stepveil::tool {
namespace {

std::string systemError() {
    return std::strerror(errno);
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// mkstemp makes the file readable by its owner only; give the finished file the mode any
// new file would get under the user's umask.
void applyDefaultFileMode(int descriptor) {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, static_cast<mode_t>(0666 & ~mask));
}

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
    struct stat status {};
    if (stat(path_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        throw failure("cannot write \"" + path_ + "\": it is a directory");
    }
    std::string pattern = directoryOf(path_) + "/." + fileNameOf(path_) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = mkstemp(name.data());
    if (descriptor_ < 0) {
        throw failure("cannot write \"" + path_ + "\": " + systemError());
    }
    temporaryPath_ = name.data();
    applyDefaultFileMode(descriptor_);
    file_ = sf_open_fd(descriptor_, SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        const std::string reason = sf_strerror(nullptr);
        discard();
        throw failure("cannot write \"" + path_ + "\": " + reason);
    }
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64) {
        // A render of unknown length that stays small still ends up as a WAV file.
        sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    }
    // Integer formats clip rather than wrap around when a sample exceeds full scale.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

AudioOutput::~AudioOutput() {
    discard();
}

void AudioOutput::setTags(const AudioTags& tags) {
    for (const auto& [kind, text] : tags) {
        // A format that cannot hold a tag refuses it; the audio matters more than the tag.
        sf_set_string(file_, kind, text.c_str());
    }
}

void AudioOutput::write(const float* interleaved, int frames) {
    if (sf_writef_float(file_, interleaved, frames) != frames) {
        throw failure("cannot write \"" + path_ + "\": " + sf_strerror(file_));
    }
}

void AudioOutput::commit() {
    const int closeResult = sf_close(file_);
    file_ = nullptr;
    if (closeResult != 0) {
        throw failure("cannot finish \"" + path_ + "\": " + sf_error_number(closeResult));
    }
    const bool synced = fsync(descriptor_) == 0;
    const bool closed = close(descriptor_) == 0;
    descriptor_ = -1;
    if (!synced || !closed) {
        throw failure("cannot finish \"" + path_ + "\": " + systemError());
    }
    if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        throw failure("cannot move the result to \"" + path_ + "\": " + systemError());
    }
    temporaryPath_.clear();
}

void AudioOutput::discard() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (descriptor_ >= 0) {
        close(descriptor_);
        descriptor_ = -1;
    }
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

} // namespace stepveil::tool
