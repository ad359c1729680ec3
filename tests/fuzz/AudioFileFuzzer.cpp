// The tool's audio input: any bytes as a file that libsndfile is asked to read (damaged
// headers, odd channel counts, huge lengths, broken tags), under the name of one of the
// formats it knows. Opening it either fails with the tool's file error (exit status 1) or
// gives one or two channels at a positive rate; every read then answers at most what was
// asked or fails with that error; and the output file a render would make is opened with the
// input's rate, channels and tags, written to, and thrown away.
#include "FuzzInput.h"

#include "tools/AudioInput.h"
#include "tools/AudioOutput.h"
#include "tools/ToolError.h"

#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace stepveil::tool;
using fuzzinput::check;

// Enough to reach past any header into the samples, few enough to stay fast.
constexpr std::int64_t mostFramesRead = 1 << 18;
// Well inside libFuzzer's own limit for a slow input, so that a header libsndfile cannot
// finish shows up as the tool's error, as a user would meet it.
constexpr std::chrono::milliseconds headerLimit{2000};

std::string workFolder;

void readAndWrite(const std::string& path, int blockSize, FileType outputType) {
    AudioInput input(path, headerLimit);
    const int channels = input.channelCount();
    check(channels >= 1 && channels <= 2 && input.sampleRate() > 0.0,
          "an input with no channels, too many or no rate was accepted");
    check(input.totalFrames().value_or(0) >= 0, "a negative length");
    std::vector<float> planes[2] = {std::vector<float>(static_cast<std::size_t>(blockSize)),
                                    std::vector<float>(static_cast<std::size_t>(blockSize))};
    float* pointers[2] = {planes[0].data(), planes[1].data()};
    std::vector<float> firstBlock; // interleaved
    for (std::int64_t total = 0, frames = 1; frames > 0 && total < mostFramesRead;
         total += frames) {
        frames = input.read(pointers, blockSize);
        check(frames >= 0 && frames <= blockSize, "a read answered more frames than asked for");
        for (std::size_t k = 0; total == 0 && k < static_cast<std::size_t>(frames); ++k) {
            for (int channel = 0; channel < channels; ++channel) {
                firstBlock.push_back(planes[channel][k]);
            }
        }
    }
    OutputFormat format;
    format.fileType = outputType;
    const bool flac = outputType == FileType::flac;
    format.sampleFormat = flac ? SampleFormat::pcm24 : SampleFormat::float32;
    AudioOutput output(workFolder + (flac ? "/out.flac" : "/out.wav"), format, channels,
                       static_cast<int>(input.sampleRate()), input.totalFrames());
    output.setTags(input.tags());
    output.write(firstBlock.data(), static_cast<int>(firstBlock.size()) / channels);
    // Not committed: the temporary file goes with the object.
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string name = std::string(base && *base ? base : "/tmp") + "/stepveil-fuzz-XXXXXX";
    check(mkdtemp(name.data()) != nullptr, "cannot make a work folder");
    workFolder = name;
    std::atexit([] { rmdir(workFolder.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first byte names the file's extension, which libsndfile consults for a few formats;
    // the second the block size and the output's type; the rest is the file.
    const char* const extensions[] = {"wav", "aiff", "au",  "flac", "ogg",  "caf", "w64", "rf64",
                                      "voc", "mat",  "sd2", "mp3",  "opus", "raw", "paf", "xi"};
    const std::string path = workFolder + "/input." + extensions[data[0] % 16];
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 2), static_cast<std::streamsize>(size - 2));
    try {
        readAndWrite(path, 1 + (data[1] & 0x7F) * 32,
                     (data[1] & 0x80) != 0 ? FileType::flac : FileType::wav);
    } catch (const ToolError& error) {
        check(error.status() == exitFailure, "an input file error without the failure status");
    }
    unlink(path.c_str());
    return 0;
}
