// The rendered file. Samples go to a temporary file beside the destination, which is
// renamed into place only by commit(): a render that fails or is interrupted leaves any
// earlier file of that name untouched and no half-written file behind.
#pragma once

#include "tools/AudioInput.h"
#include "tools/CommandLine.h"
#include "tools/ReplacementFile.h"

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace stepveil::tool {

class AudioOutput {
public:
    // Throws a failure if the format cannot hold this rate or channel count, or the
    // temporary file cannot be made (missing directory, no permission). expectedFrames, when
    // known, lets a WAV file that fits the format's 4 GiB limit be written as plain WAV.
    AudioOutput(std::string path, OutputFormat format, int channelCount, int sampleRate,
                std::optional<std::int64_t> expectedFrames);
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    void setTags(const AudioTags& tags);
    void write(const float* interleaved, int frames);
    // Finishes the file, flushes it to disk and renames it to the destination.
    void commit();

private:
    std::string path_;
    // Closed by the destructor, before the file under it goes unless committed.
    std::unique_ptr<ReplacementFile> file_;
    SNDFILE* sound_ = nullptr;
};

// The libsndfile format code for a file type and sample format. WAV is plain WAV when the
// file is known to fit its 4 GiB limit, otherwise RF64, the WAV variant without that limit.
int libsndfileFormat(OutputFormat format, int channelCount,
                     std::optional<std::int64_t> expectedFrames);

} // namespace stepveil::tool
