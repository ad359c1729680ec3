// Input files that libsndfile itself cannot cope with: the tool reports them as file errors
// instead of hanging, and still reads what comes through a pipe.
#include "tools/AudioInput.h"
#include "tools/ToolError.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>

namespace stepveil::tool {
namespace {

std::string littleEndian32(std::uint32_t value) {
    std::string bytes(4, '\0');
    for (std::size_t byte = 0; byte < 4; ++byte) {
        bytes[byte] = static_cast<char>(value >> (8 * byte));
    }
    return bytes;
}

std::string chunk(const char* id, const std::string& body) {
    return std::string(id, 4) + littleEndian32(static_cast<std::uint32_t>(body.size())) + body;
}

// A WAV file of two samples, 0.5 and -0.5 (mono, 16 bits, 44.1 kHz), with a LIST chunk that
// holds `list`.
std::string waveFile(const std::string& list) {
    // PCM, 1 channel, 44100 frames and 88200 bytes a second, 2 bytes a frame, 16 bits.
    const std::string format("\x01\x00\x01\x00\x44\xAC\x00\x00\x88\x58\x01\x00\x02\x00\x10\x00",
                             16);
    return chunk("RIFF", "WAVE" + chunk("fmt ", format) + chunk("LIST", list) +
                             chunk("data", std::string("\x00\x40\x00\xC0", 4)));
}

class InputFolder : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(folder); }
    void TearDown() override { std::filesystem::remove_all(folder); }

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("stepveil-input-" + std::to_string(getpid()));
};

// Found by fuzzing: an INFO entry whose size wraps libsndfile's count back to the same entry
// kept sf_open busy for ever.
TEST_F(InputFolder, AHeaderLibsndfileLoopsOverIsAFileError) {
    const std::string path = (folder / "looping.wav").string();
    std::ofstream(path, std::ios::binary)
        << waveFile("INFOabcd" + littleEndian32(0xFFFFFFF7u) + std::string(8, '\0'));
    try {
        AudioInput input(path, std::chrono::milliseconds(300));
        ADD_FAILURE() << "the damaged file was opened";
    } catch (const ToolError& error) {
        EXPECT_EQ(error.status(), exitFailure);
        EXPECT_NE(std::string(error.what()).find("did not finish reading its header"),
                  std::string::npos)
            << error.what();
    }
}

TEST_F(InputFolder, ASoundFileThroughAPipeIsReadWhole) {
    const std::string path = (folder / "pipe").string();
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] {
        std::ofstream(path, std::ios::binary)
            << waveFile("INFOINAM" + littleEndian32(2) + std::string("A\0", 2));
    });
    {
        AudioInput input(path);
        float left[4] = {};
        float* channels[1] = {left};
        EXPECT_EQ(input.channelCount(), 1);
        EXPECT_EQ(input.read(channels, 4), 2);
        EXPECT_EQ(left[0], 0.5f);
        EXPECT_EQ(left[1], -0.5f);
        ASSERT_EQ(input.tags().size(), 1u);
        EXPECT_EQ(input.tags()[0].second, "A");
    }
    writer.join();
}

} // namespace
} // namespace stepveil::tool
