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
#include <vector>

namespace stepveil::tool {
namespace {

void appendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int size) {
    for (int byte = 0; byte < size; ++byte) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * byte)));
    }
}

void appendChunk(std::vector<std::uint8_t>& bytes, const char* id,
                 const std::vector<std::uint8_t>& body) {
    bytes.insert(bytes.end(), id, id + 4);
    appendLittleEndian(bytes, static_cast<std::uint32_t>(body.size()), 4);
    bytes.insert(bytes.end(), body.begin(), body.end());
}

// A mono 16-bit WAV file of two samples, with a LIST chunk holding any chunks given.
std::vector<std::uint8_t> waveFile(const std::vector<std::uint8_t>& listBody) {
    std::vector<std::uint8_t> format;
    for (const auto& [value, size] :
         {std::pair{1u, 2}, {1u, 2}, {44100u, 4}, {88200u, 4}, {2u, 2}, {16u, 2}}) {
        appendLittleEndian(format, value, size);
    }
    std::vector<std::uint8_t> body{'W', 'A', 'V', 'E'};
    appendChunk(body, "fmt ", format);
    appendChunk(body, "LIST", listBody);
    appendChunk(body, "data", {0x00, 0x40, 0x00, 0xC0});
    std::vector<std::uint8_t> file;
    appendChunk(file, "RIFF", body);
    return file;
}

class InputFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder =
            std::filesystem::temp_directory_path() / ("stepveil-input-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path folder;
};

// Found by fuzzing: an INFO entry whose size wraps libsndfile's count back to the same entry
// kept sf_open busy for ever.
TEST_F(InputFolder, AHeaderLibsndfileLoopsOverIsAFileError) {
    std::vector<std::uint8_t> list{'I', 'N', 'F', 'O', 'a', 'b', 'c', 'd'};
    appendLittleEndian(list, 0xFFFFFFF7u, 4);
    list.resize(list.size() + 8, 0);
    const std::string path = write("looping.wav", waveFile(list));
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
    std::vector<std::uint8_t> list{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M'};
    appendLittleEndian(list, 2, 4);
    list.insert(list.end(), {'A', '\0'});
    const std::vector<std::uint8_t> file = waveFile(list);
    const std::string path = (folder / "pipe").string();
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    std::thread writer([&] { write("pipe", file); });
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
