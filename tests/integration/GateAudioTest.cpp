// The gated audio, sample by sample, against the arithmetic of the step grid: where the step
// boundaries fall, the 16-sample ramp between levels, what carries over between blocks, and
// what happens when the host's time information is missing or makes no sense.
#include "PluginFixture.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stepveil::test {
namespace {

using host::AudioChannels;
using host::ProcessMode;

constexpr vst2::int32 totalStutter = 8; // steps alternate full level and silence
constexpr vst2::int32 totalSilence = 14;
constexpr vst2::int32 fullLevel = 15;
constexpr vst2::int32 firstUserProgram = 16; // every step at 0.5
constexpr vst2::int32 fadeInLoop = 6;

// Gains expected for a level that changes at the given boundary samples: levels[0] before the
// first boundary, levels[i] from boundary i on, each change crossing over the 16-sample ramp.
std::vector<float> rampedSteps(std::size_t frames, const std::vector<std::size_t>& boundaries,
                               const std::vector<float>& levels) {
    std::vector<float> gains(frames, levels.front());
    for (std::size_t i = 0; i < boundaries.size(); ++i) {
        const float from = levels[i];
        const float to = levels[i + 1];
        for (std::size_t k = boundaries[i]; k < frames; ++k) {
            const std::size_t sampleOfStep = k - boundaries[i] + 1;
            gains[k] = sampleOfStep < 16
                           ? from + static_cast<float>(sampleOfStep) / 16.0f * (to - from)
                           : to;
        }
    }
    return gains;
}

class GateAudioTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        plugin->transport().setSampleRate(44100.0);
        plugin->transport().setTempo(120.0);
        plugin->transport().setTimeSignature(4, 4);
        plugin->open();
        plugin->resume();
    }

    // Processes a constant 1.0 on both channels, so that the output is the gain; checks that
    // both channels got the same gain and answers it.
    std::vector<float> gainsOver(std::size_t frames, vst2::int32 blockSize) {
        const AudioChannels ones(2, std::vector<float>(frames, 1.0f));
        AudioChannels outputs(2, std::vector<float>(frames, -7.0f));
        plugin->processAudio(ones, outputs, blockSize);
        EXPECT_EQ(outputs[0], outputs[1]) << "both channels take the same gain";
        return outputs[0];
    }

    std::vector<float> workedExampleGains(vst2::int32 blockSize) {
        plugin->setProgram(totalStutter);
        plugin->transport().setPpqPosition(8.0625);
        return gainsOver(12000, blockSize);
    }
};

// A signal whose products with 0, 0.5 and 1 and sums with like values are exact in floats.
std::vector<float> testSignal(std::size_t frames, unsigned seed) {
    std::vector<float> signal(frames);
    unsigned state = seed;
    for (float& sample : signal) {
        state = state * 1103515245u + 12345u;
        sample = static_cast<float>(static_cast<int>((state >> 16) % 2049u) - 1024) / 1024.0f;
    }
    return signal;
}

void expectGainsEqual(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t k = 0; k < actual.size(); ++k) {
        ASSERT_EQ(actual[k], expected[k]) << "at sample " << k;
    }
}

TEST_F(GateAudioTest, WorkedExampleCutsStepsAtTheRoundedBoundaries) {
    plugin->setBlockSize(12000);
    const std::vector<float> gains = workedExampleGains(12000);
    expectGainsEqual(gains, rampedSteps(12000, {1378, 4134, 6891, 9647}, {1, 0, 1, 0, 1}));
    // The ramp from full level to silence, spelled out.
    EXPECT_EQ(gains[1377], 1.0f);
    EXPECT_EQ(gains[1378], 0.9375f);
    EXPECT_EQ(gains[1379], 0.875f);
    EXPECT_EQ(gains[1378 + 14], 0.0625f);
    EXPECT_EQ(gains[1378 + 15], 0.0f);
}

TEST_F(GateAudioTest, RampsAndBoundariesCarryAcrossBlocks) {
    const std::vector<float> expected =
        rampedSteps(12000, {1378, 4134, 6891, 9647}, {1, 0, 1, 0, 1});
    // None of these block sizes starts a block between a step's exact start and its rounded
    // boundary, so the result is the same as in one block; 1380 splits a ramp.
    for (vst2::int32 blockSize : {64, 517, 1380, 4134}) {
        SCOPED_TRACE(blockSize);
        plugin->resume();
        expectGainsEqual(workedExampleGains(blockSize), expected);
    }
    EXPECT_EQ(plugin->callLog().callsWithOpcode(audioMasterGetTime).back().value, 0x7E00);
}

TEST_F(GateAudioTest, StepChangeSeenAtABlockStartOfPlayingOnStillRamps) {
    // Step 4 begins at sample 6890.625; a block starting at 6891 finds itself already in it,
    // while the block before ended just short of it: the crossing ramps as within one block.
    plugin->setProgram(totalStutter);
    plugin->transport().setPpqPosition(8.0625);
    const std::vector<float> first = gainsOver(6891, 6891);
    const std::vector<float> second = gainsOver(12000 - 6891, 12000);
    std::vector<float> gains(first);
    gains.insert(gains.end(), second.begin(), second.end());
    expectGainsEqual(gains, rampedSteps(12000, {1378, 4134, 6891, 9647}, {1, 0, 1, 0, 1}));

    // A jump to the same place after a reset switches without a ramp.
    plugin->resume();
    plugin->transport().setPpqPosition(8.0625 + 6891.0 / 22050.0);
    const std::vector<float> jumped = gainsOver(64, 64);
    EXPECT_EQ(jumped, std::vector<float>(64, 0.0f));
}

TEST_F(GateAudioTest, CountsGetTimeOncePerBlock) {
    plugin->callLog().clear();
    gainsOver(1000, 100);
    EXPECT_EQ(plugin->callLog().count(audioMasterGetTime), 10u);
}

TEST_F(GateAudioTest, FullLevelPassesAudioAndSilenceWritesZeros) {
    const AudioChannels inputs{testSignal(3000, 1), testSignal(3000, 2)};
    plugin->setProgram(fullLevel);
    plugin->transport().setPpqPosition(2.3);
    AudioChannels outputs(2, std::vector<float>(3000, 5.0f));
    plugin->processAudio(inputs, outputs, 256);
    EXPECT_EQ(outputs, inputs);

    AudioChannels accumulated{testSignal(3000, 3), testSignal(3000, 4)};
    AudioChannels expected = accumulated;
    for (std::size_t channel = 0; channel < 2; ++channel) {
        for (std::size_t k = 0; k < 3000; ++k) {
            expected[channel][k] += inputs[channel][k];
        }
    }
    plugin->processAudio(inputs, accumulated, 256, ProcessMode::accumulating);
    EXPECT_EQ(accumulated, expected);

    plugin->setProgram(totalSilence);
    plugin->resume();
    outputs.assign(2, std::vector<float>(3000, 5.0f));
    plugin->processAudio(inputs, outputs, 256);
    EXPECT_EQ(outputs, AudioChannels(2, std::vector<float>(3000, 0.0f)));
}

TEST_F(GateAudioTest, StepLengthFollowsTempoRateAndMetre) {
    struct Grid {
        double sampleRate;
        double tempo;
        vst2::int32 numerator;
        vst2::int32 denominator;
        double barStart;
        std::size_t firstBoundary;
    };
    // 4/4 at 100 bpm and 48 kHz: 3600 samples a step. 3/4 and 6/8 at 120 bpm and 44.1 kHz:
    // 0.09375 quarter notes, 2067.1875 samples a step.
    for (const Grid& grid :
         {Grid{48000.0, 100.0, 4, 4, 4.0, 3600}, Grid{44100.0, 120.0, 3, 4, 3.0, 2067},
          Grid{44100.0, 120.0, 6, 8, 6.0, 2067}}) {
        SCOPED_TRACE(std::to_string(grid.numerator) + "/" + std::to_string(grid.denominator));
        plugin->setSampleRate(grid.sampleRate);
        plugin->transport().setTempo(grid.tempo);
        plugin->transport().setTimeSignature(grid.numerator, grid.denominator);
        plugin->transport().setPpqPosition(grid.barStart);
        plugin->setProgram(totalStutter);
        plugin->resume();
        const std::vector<float> gains = gainsOver(grid.firstBoundary + 20, 4096);
        EXPECT_EQ(gains[grid.firstBoundary - 1], 1.0f);
        EXPECT_EQ(gains[grid.firstBoundary], 0.9375f);
    }
}

TEST_F(GateAudioTest, StepThirtyTwoIsFollowedByStepOne) {
    plugin->setProgram(firstUserProgram);
    plugin->setParameter(31, 0.0f);
    plugin->setParameter(0, 1.0f);
    // In the last step of the bar that starts at quarter note 8, 1378.125 samples before its end.
    plugin->transport().setPpqPosition(8.0 + 31 * 0.125 + 0.0625);
    const std::vector<float> gains = gainsOver(4200, 4200);
    expectGainsEqual(gains, rampedSteps(4200, {1378, 4134}, {0.0f, 1.0f, 0.5f}));
}

TEST_F(GateAudioTest, ResumeStartsWithoutTheRampOfEarlierBlocks) {
    plugin->setProgram(totalStutter);
    plugin->transport().setPpqPosition(8.0625);
    gainsOver(1380, 1380); // ends two samples into the ramp from full level to silence
    plugin->resume();
    plugin->transport().setPpqPosition(8.3); // inside step 3, at full level
    const std::vector<float> gains = gainsOver(100, 100);
    EXPECT_TRUE(std::all_of(gains.begin(), gains.end(), [](float g) { return g == 1.0f; }))
        << "first gain " << gains[0];
}

TEST_F(GateAudioTest, ParameterChangesReachTheNextBlock) {
    plugin->setProgram(fullLevel);
    plugin->transport().setPpqPosition(8.0);
    gainsOver(100, 100);
    plugin->setParameter(0, 0.25f);
    // From the block's first sample the gain glides to the new level over the ramp.
    expectGainsEqual(gainsOver(100, 100), rampedSteps(100, {0}, {1.0f, 0.25f}));
}

TEST_F(GateAudioTest, EmptyBlocksTouchNothing) {
    float left[4] = {1, 1, 1, 1};
    float right[4] = {1, 1, 1, 1};
    float outLeft[4] = {3, 3, 3, 3};
    float outRight[4] = {3, 3, 3, 3};
    float* inputs[] = {left, right};
    float* outputs[] = {outLeft, outRight};
    plugin->processBlock(inputs, outputs, 0);
    plugin->processBlock(inputs, outputs, -5);
    plugin->processBlock(inputs, outputs, 0, ProcessMode::accumulating);
    EXPECT_EQ(outLeft[0], 3.0f);
    EXPECT_EQ(outRight[3], 3.0f);
}

TEST_F(GateAudioTest, WithoutTimeInformationTheGateStandsOpen) {
    plugin->setProgram(totalSilence);
    plugin->transport().setAvailable(false);
    const AudioChannels inputs{testSignal(64, 5), testSignal(64, 6)};
    AudioChannels outputs(2, std::vector<float>(64, 3.0f));
    plugin->processAudio(inputs, outputs, 64, ProcessMode::accumulating);
    EXPECT_EQ(outputs, AudioChannels(2, std::vector<float>(64, 3.0f))) << "adds nothing";
    // The effect's choice: the host hears the dry signal, never stale buffer contents.
    plugin->processAudio(inputs, outputs, 64, ProcessMode::replacing);
    EXPECT_EQ(outputs, inputs);
}

TEST_F(GateAudioTest, NonsensicalTimeInformationGivesBoundedFiniteAudio) {
    using Adjust = void (*)(VstTimeInfo&);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    static double odd; // captured-free lambdas below read the value through this
    const struct {
        const char* what;
        double value;
        Adjust adjust;
    } cases[] = {
        {"tempo 0", 0.0, [](VstTimeInfo& t) { t.tempo = odd; }},
        {"negative tempo", -120.0, [](VstTimeInfo& t) { t.tempo = odd; }},
        {"infinite tempo", infinity, [](VstTimeInfo& t) { t.tempo = odd; }},
        {"sample rate 0", 0.0, [](VstTimeInfo& t) { t.sampleRate = odd; }},
        {"denominator 0", 0.0,
         [](VstTimeInfo& t) { t.timeSigDenominator = static_cast<int>(odd); }},
        {"numerator 0", 0.0, [](VstTimeInfo& t) { t.timeSigNumerator = static_cast<int>(odd); }},
        {"negative numerator", -3.0,
         [](VstTimeInfo& t) { t.timeSigNumerator = static_cast<int>(odd); }},
        {"position not a number", nan, [](VstTimeInfo& t) { t.ppqPos = odd; }},
        {"no bar start, far into the song", 0.0, [](VstTimeInfo& t) { t.barStartPos = odd; }},
        {"bar start after the position", 1000.0, [](VstTimeInfo& t) { t.barStartPos = odd; }},
        {"huge position", 1e300, [](VstTimeInfo& t) { t.ppqPos = odd; }},
        {"bar start not a number", nan, [](VstTimeInfo& t) { t.barStartPos = odd; }},
    };
    const AudioChannels ones(2, std::vector<float>(3000, 1.0f));
    for (const auto& oddCase : cases) {
        SCOPED_TRACE(oddCase.what);
        odd = oddCase.value;
        plugin->setProgram(fadeInLoop);
        plugin->resume();
        plugin->transport().setPpqPosition(517.3);
        plugin->transport().setAdjuster(oddCase.adjust);
        for (ProcessMode mode : {ProcessMode::replacing, ProcessMode::accumulating}) {
            AudioChannels outputs(2, std::vector<float>(3000, 0.0f));
            plugin->processAudio(ones, outputs, 1000, mode);
            for (const std::vector<float>& channel : outputs) {
                EXPECT_TRUE(std::all_of(channel.begin(), channel.end(), [](float g) {
                    return std::isfinite(g) && g >= 0.0f && g <= 1.0f;
                }));
            }
        }
        // Sensible information afterwards gives the gate back.
        plugin->transport().setAdjuster({});
        plugin->setProgram(fullLevel);
        plugin->resume();
        const std::vector<float> gains = gainsOver(100, 100);
        EXPECT_EQ(gains.back(), 1.0f);
    }
}

// What LMMS 1.2.2 sent one plug-in process (90 bpm, 4/4, 44.1 kHz, periods of 256 frames,
// program 0) around a silent step during which it stopped calling the effect twice, as it does
// with any effect whose output stays silent for its "decay" time: samplePos counts only the
// frames that process was given, while ppqPos is the song's position and ran a period ahead at
// each skipped call. Recorded through the recording DLL; flags 0x2e02 throughout.
struct RecordedTime {
    double samplePos;
    double ppqPos;
};
constexpr RecordedTime lmmsTimesAroundSkippedCalls[] = {
    {10240, 0.34829931972789119}, {10496, 0.35700680272108842}, {10752, 0.36571428571428571},
    {11008, 0.37442176870748295}, {11264, 0.3831292517006803},  {11520, 0.39183673469387759},
    {11776, 0.40054421768707482}, {12032, 0.40925170068027211}, {12288, 0.41795918367346935},
    {12544, 0.43537414965986393}, {12800, 0.44408163265306122}, {13056, 0.45278911564625851},
    {13312, 0.46149659863945575}, {13568, 0.47891156462585033}, {13824, 0.48761904761904762},
    {14080, 0.49632653061224491}, {14336, 0.5050340136054422},
};

TEST_F(GateAudioTest, FollowsTheSongAcrossCallsTheHostSkipped) {
    constexpr double samplesPerQuarter = 29400.0; // 44100 Hz at 90 bpm
    constexpr long firstSongSample = 10240;
    plugin->setProgram(0); // steps 3, 4, 5 at 0.5, silence, full level; 3675 samples each
    plugin->transport().setTempo(90.0);
    const RecordedTime* current = nullptr;
    plugin->transport().setAdjuster([&current](VstTimeInfo& info) {
        info.samplePos = current->samplePos;
        info.ppqPos = current->ppqPos;
        info.barStartPos = 0.0;
        info.flags = 0x2e02;
    });
    // The gains the song calls for from sample 10240 on: steps 4 and 5 begin at 11025, 14700.
    const std::vector<float> song =
        rampedSteps(5120, {11025 - firstSongSample, 14700 - firstSongSample}, {0.5f, 0.0f, 1.0f});
    for (const RecordedTime& time : lmmsTimesAroundSkippedCalls) {
        current = &time;
        const auto songSample = std::lround(time.ppqPos * samplesPerQuarter) - firstSongSample;
        SCOPED_TRACE(songSample + firstSongSample);
        const std::vector<float> expected(song.begin() + songSample,
                                          song.begin() + songSample + 256);
        // Each block plays the song where ppqPos puts it, not where the process's own count of
        // samples would: the crossing into step 5 lands on song sample 14700.
        expectGainsEqual(gainsOver(256, 256), expected);
    }
}

} // namespace
} // namespace stepveil::test
