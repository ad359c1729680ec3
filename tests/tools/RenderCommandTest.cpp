// `stepveil render` end to end: real files through the built plug-in file, checked sample by
// sample where the gate's result is exactly known.
#include "AudioFiles.h"
#include "ToolProcess.h"

#include <gtest/gtest.h>

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace {

class Render : public ::testing::Test {
protected:
    // Renders and expects success; answers what was written.
    AudioData render(std::vector<std::string> arguments, const std::string& outputName) {
        arguments.push_back(folder.path(outputName));
        const ToolRun run = runStepveil(arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_NE(run.out.find("wrote"), std::string::npos) << run.out;
        return readAudio(folder.path(outputName));
    }

    std::string writeInput(const std::string& name, const AudioData& data) {
        writeAudio(folder.path(name), data);
        return folder.path(name);
    }

    // A constant signal, so that each output sample is the gate's gain itself.
    static AudioData constantSignal(int channels, int sampleRate, long frames) {
        AudioData data;
        data.channels = channels;
        data.sampleRate = sampleRate;
        data.samples.assign(static_cast<std::size_t>(frames * channels), 1.0f);
        return data;
    }

    ScratchFolder folder;
};

bool allZero(const std::vector<float>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](float s) { return s == 0.0f; });
}

TEST_F(Render, FullLevelCopiesTheInputExactlyWithEitherEntryAndAnyBlockSize) {
    AudioData signal = makeTestSignal(2, 48000, 20000);
    signal.title = "Test take";
    const std::string input = writeInput("in.wav", signal);

    const AudioData replaced = render({"render", "--program", "Full Level", input}, "a.wav");
    EXPECT_EQ(replaced.channels, 2);
    EXPECT_EQ(replaced.sampleRate, 48000);
    EXPECT_EQ(replaced.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(replaced.samples, signal.samples);
    EXPECT_EQ(replaced.title, "Test take");

    const AudioData accumulated =
        render({"render", "--program", "15", "--accumulate", "--block", "7", input}, "b.wav");
    EXPECT_EQ(accumulated.samples, signal.samples);
}

TEST_F(Render, TotalSilenceWritesZeros) {
    const std::string input = writeInput("in.wav", makeTestSignal(2, 44100, 5000));
    const AudioData silent = render({"render", "--program", "total silence", input}, "out.wav");
    EXPECT_EQ(silent.frames(), 5000);
    EXPECT_TRUE(allZero(silent.samples));
}

TEST_F(Render, MonoInputIsGatedAsBothChannelsAndStaysMono) {
    const AudioData mono = makeTestSignal(1, 44100, 30000);
    AudioData stereo = mono;
    stereo.channels = 2;
    stereo.samples.clear();
    for (const float sample : mono.samples) {
        stereo.samples.insert(stereo.samples.end(), {sample, sample});
    }
    const AudioData monoOut =
        render({"render", "--program", "Biker", writeInput("mono.wav", mono)}, "mono-out.wav");
    const AudioData stereoOut = render(
        {"render", "--program", "Biker", writeInput("stereo.wav", stereo)}, "stereo-out.wav");

    ASSERT_EQ(monoOut.channels, 1);
    ASSERT_EQ(monoOut.frames(), 30000);
    ASSERT_EQ(stereoOut.frames(), 30000);
    for (long frame = 0; frame < monoOut.frames(); ++frame) {
        const auto index = static_cast<std::size_t>(frame);
        ASSERT_EQ(monoOut.samples[index], stereoOut.samples[2 * index]) << "frame " << frame;
    }
    EXPECT_FALSE(allZero(monoOut.samples));
}

// With a constant input of 1.0 each output sample is the gain. Levels alternate full and a
// quarter, so the middle of each step shows which step the song is in.
TEST_F(Render, TempoMetreAndStartPositionPlaceTheSteps) {
    std::string levels = "32";
    for (int step = 1; step < 32; ++step) {
        levels += step % 2 == 0 ? ",32" : ",8";
    }
    const std::string input = writeInput("ones.wav", constantSignal(2, 48000, 24000));
    const auto gainAt = [](const AudioData& data, long frame) {
        return data.samples[static_cast<std::size_t>(frame * data.channels)];
    };

    // 4/4 at 120: a step is 48000 * 0.5 * 4 / 32 = 3000 samples.
    const AudioData common = render({"render", "--levels", levels, input}, "common.wav");
    EXPECT_EQ(gainAt(common, 1500), 1.0f);
    EXPECT_EQ(gainAt(common, 4500), 0.25f);
    EXPECT_EQ(gainAt(common, 7500), 1.0f);

    // 3/4: 2250 samples a step.
    const AudioData waltz =
        render({"render", "--levels", levels, "--meter", "3/4", input}, "waltz.wav");
    EXPECT_EQ(gainAt(waltz, 1125), 1.0f);
    EXPECT_EQ(gainAt(waltz, 3375), 0.25f);

    // 60 BPM doubles the step to 6000 samples.
    const AudioData slow =
        render({"render", "--levels", levels, "--tempo", "60", input}, "slow.wav");
    EXPECT_EQ(gainAt(slow, 4500), 1.0f);
    EXPECT_EQ(gainAt(slow, 9000), 0.25f);

    // Starting an eighth of a quarter note in: the first sample is already in step 2.
    const AudioData late =
        render({"render", "--levels", levels, "--start", "0.125", input}, "late.wav");
    EXPECT_EQ(gainAt(late, 1500), 0.25f);
    EXPECT_EQ(gainAt(late, 4500), 1.0f);
}

TEST_F(Render, FlacAndWavFormatsFollowTheExtensionAndFormatOption) {
    const AudioData signal = makeTestSignal(2, 44100, 4000);
    const std::string input = writeInput("in.wav", signal);
    const std::vector<std::string> fullLevel{"render", "--program", "Full Level", input};

    const AudioData flac = render(fullLevel, "out.flac");
    EXPECT_EQ(flac.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_EQ(flac.samples.size(), signal.samples.size());
    for (std::size_t index = 0; index < signal.samples.size(); ++index) {
        ASSERT_NEAR(flac.samples[index], signal.samples[index], 1.0 / (1 << 22)) << index;
    }

    auto withFormat = [&](const std::string& format) {
        std::vector<std::string> arguments = fullLevel;
        arguments.insert(arguments.begin() + 1, {"--format", format});
        return arguments;
    };
    EXPECT_EQ(render(withFormat("pcm16"), "out16.flac").format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(render(withFormat("pcm16"), "out16.WAV").format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(render(withFormat("double"), "out64.wav").format, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
}

TEST_F(Render, TheBuiltInSourceNeedsNoInputAndFollowsTheBars) {
    // Four bars of 4/4 at 120 BPM are 8 seconds.
    const AudioData demo = render({"render", "--program", "Quick Move"}, "demo.wav");
    EXPECT_EQ(demo.channels, 2);
    EXPECT_EQ(demo.sampleRate, 44100);
    EXPECT_EQ(demo.frames(), 8 * 44100);
    const float peak =
        *std::max_element(demo.samples.begin(), demo.samples.end(),
                          [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    EXPECT_GT(std::fabs(peak), 0.1f);
    EXPECT_LE(std::fabs(peak), 1.0f);

    // Step 4 of "Quick Move" is silent: 2756.25 samples a step, so after step 4's ramp
    // (from sample 8269 on) until step 5 begins at 11025 nothing sounds, while step 1 does.
    const auto slice = [&](long from, long to) {
        return std::vector<float>(demo.samples.begin() + 2 * from, demo.samples.begin() + 2 * to);
    };
    EXPECT_TRUE(allZero(slice(8300, 11020)));
    EXPECT_FALSE(allZero(slice(100, 2700)));

    // The result is a file like any other: readable by others as the umask allows.
    struct stat status {};
    ASSERT_EQ(stat(folder.path("demo.wav").c_str(), &status), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(status.st_mode & 0777, 0666 & ~mask);

    EXPECT_EQ(
        render({"render", "--bars", "2", "--tempo", "90", "--meter", "3/4", "--rate", "22050"},
               "waltz.wav")
            .frames(),
        4 * 22050);
    EXPECT_EQ(render({"render", "--seconds", "1.5"}, "short.wav").frames(), 66150);
}

} // namespace
