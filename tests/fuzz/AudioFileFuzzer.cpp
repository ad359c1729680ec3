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

#include <array>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace stepveil::tool;
using fuzzinput::fail;

// Enough to reach past any header into the samples, few enough to stay fast.
constexpr std::int64_t mostFramesRead = 1 << 18;
// Well inside libFuzzer's own limit for a slow input, so that a header libsndfile cannot
// finish shows up as the tool's error, as a user would meet it.
constexpr std::chrono::milliseconds headerLimit{2000};

std::string workFolder;

void removeWorkFolder() {
    if (!workFolder.empty()) {
        rmdir(workFolder.c_str());
    }
}

void readAndWrite(const std::string& path, int blockSize, FileType outputType) {
    AudioInput input(path, headerLimit);
    const int channels = input.channelCount();
    if (channels < 1 || channels > 2 || !(input.sampleRate() > 0.0)) {
        fail("an input with no channels, too many or no rate was accepted");
    }
    if (input.totalFrames() && *input.totalFrames() < 0) {
        fail("a negative length");
    }
    std::vector<std::vector<float>> planes(2,
                                           std::vector<float>(static_cast<std::size_t>(blockSize)));
    float* pointers[2] = {planes[0].data(), planes[1].data()};
    std::vector<float> interleaved;
    std::int64_t total = 0;
    while (total < mostFramesRead) {
        const int frames = input.read(pointers, blockSize);
        if (frames < 0 || frames > blockSize) {
            fail("a read answered more frames than asked for");
        }
        if (frames == 0) {
            break;
        }
        if (total == 0) {
            for (int k = 0; k < frames; ++k) {
                for (int channel = 0; channel < channels; ++channel) {
                    interleaved.push_back(
                        planes[static_cast<std::size_t>(channel)][static_cast<std::size_t>(k)]);
                }
            }
        }
        total += frames;
    }
    OutputFormat format;
    format.fileType = outputType;
    format.sampleFormat =
        outputType == FileType::flac ? SampleFormat::pcm24 : SampleFormat::float32;
    const std::string outputPath =
        workFolder + (outputType == FileType::flac ? "/out.flac" : "/out.wav");
    AudioOutput output(outputPath, format, channels, static_cast<int>(input.sampleRate()),
                       input.totalFrames());
    output.setTags(input.tags());
    output.write(interleaved.data(), static_cast<int>(interleaved.size()) / channels);
    // Not committed: the temporary file goes with the object.
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/stepveil-fuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) {
        fail("cannot make a work folder");
    }
    workFolder = name.data();
    std::atexit(removeWorkFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    // The first byte names the file's extension, which libsndfile consults for a few formats;
    // the second the block size and the output's type; the rest is the file.
    static const std::array<const char*, 16> extensions = {
        "wav", "aiff", "au",  "flac", "ogg",  "caf", "w64", "rf64",
        "voc", "mat",  "sd2", "mp3",  "opus", "raw", "paf", "xi"};
    const std::string path = workFolder + "/input." + extensions[data[0] % extensions.size()];
    const int blockSize = 1 + (data[1] & 0x7F) * 32;
    const FileType outputType = (data[1] & 0x80) != 0 ? FileType::flac : FileType::wav;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data + 2), static_cast<std::streamsize>(size - 2));
    }
    try {
        readAndWrite(path, blockSize, outputType);
    } catch (const ToolError& error) {
        if (error.status() != exitFailure) {
            fail("an input file error without the failure status");
        }
    }
    unlink(path.c_str());
    return 0;
}
