// What a listener hears when a host does more than play a song straight through: a song that
// stands still, loops and jumps, levels and programs changed while a ramp runs, automation
// values out of range, time information without a metre or a sample rate, positions reported
// twice, Ardour's own transport moves as recorded, and random host behaviour. The input is a
// constant 1.0, so every output sample is the gain. Everywhere the gain may move by at most
// 1/16 of full scale from one sample to the next and stay within the levels; where the song
// calls for one level, the gain must have reached it a ramp's length after the change.
#include "ArdourTransportRecord.h"
#include "PluginFixture.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <thread>

namespace stepveil::test {
namespace {

using host::AudioChannels;
using host::ProcessMode;

// 48 kHz, 120 bpm, 4/4: a quarter note is 24000 samples, a step (0.125 of one) 3000.
constexpr double samplesPerQuarter = 24000.0;
constexpr double stepSamples = 3000.0;
constexpr vst2::int32 totalStutter = 8; // full level on even steps, silence on odd ones
constexpr vst2::int32 totalSilence = 14;
constexpr float largestMove = 1.0f / 16.0f + 1e-6f;

using Levels = std::array<float, 32>;

// Checks the samples where the song calls for one level: a ramp's length and `slack` samples
// after the last jump, stop, start, level change or step boundary, and `slack` samples before
// the next boundary. The gain there must be the level exactly.
class SettledLevels {
public:
    explicit SettledLevels(double samplesOfSlack) : slack(samplesOfSlack) {}

    void block(double ppqPos, bool playing, const Levels& levels, const std::vector<float>& gains) {
        const bool continues =
            playing ? wasPlaying && std::fabs(ppqPos - nextPosition) * samplesPerQuarter <= slack
                    : !wasPlaying && ppqPos == lastPosition;
        if (!continues || levels != lastLevels) {
            sinceChange = 0;
        }
        for (std::size_t k = 0; k < gains.size(); ++k, ++sinceChange) {
            const double position =
                playing ? ppqPos + static_cast<double>(k) / samplesPerQuarter : ppqPos;
            double inBar = std::fmod(position, 4.0);
            inBar += inBar < 0.0 ? 4.0 : 0.0;
            const auto step = std::min(31, static_cast<int>(inBar / 0.125));
            const double intoStep = (inBar - step * 0.125) * samplesPerQuarter;
            const bool clearOfBoundaries =
                !playing || (intoStep >= 16.0 + slack && stepSamples - intoStep >= slack);
            if (sinceChange >= 16.0 + slack && clearOfBoundaries) {
                ASSERT_EQ(gains[k], levels[static_cast<std::size_t>(step)])
                    << "sample " << k << " of a block at " << ppqPos;
                ++checked;
            }
        }
        lastPosition = ppqPos;
        nextPosition = ppqPos + static_cast<double>(gains.size()) / samplesPerQuarter;
        wasPlaying = playing;
        lastLevels = levels;
    }

    long checked = 0;

private:
    double slack;
    double lastPosition = std::numeric_limits<double>::quiet_NaN();
    double nextPosition = std::numeric_limits<double>::quiet_NaN();
    bool wasPlaying = false;
    Levels lastLevels{};
    double sinceChange = 0;
};

class HostSituations : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        plugin->setSampleRate(48000.0);
        plugin->transport().setTempo(120.0);
        plugin->open();
        plugin->setProgram(totalStutter);
        plugin->resume();
    }

    // Plays `frames` samples of the song in blocks of at most `block`; answers the gains and
    // keeps them with everything heard since the last restart.
    std::vector<float> play(std::size_t frames, vst2::int32 block,
                            ProcessMode mode = ProcessMode::replacing) {
        const AudioChannels ones(2, std::vector<float>(frames, 1.0f));
        AudioChannels outputs(2, std::vector<float>(frames, 0.0f));
        plugin->processAudio(ones, outputs, block, mode);
        EXPECT_EQ(outputs[0], outputs[1]) << "both channels take the same gain";
        heard.insert(heard.end(), outputs[0].begin(), outputs[0].end());
        return outputs[0];
    }

    void restart(double ppqPos) {
        plugin->resume();
        plugin->transport().setPpqPosition(ppqPos);
        heard.clear();
    }

    Levels levels() {
        Levels now{};
        for (vst2::int32 step = 0; step < 32; ++step) {
            now[static_cast<std::size_t>(step)] = plugin->getParameter(step);
        }
        return now;
    }

    // No click, buzz or overshoot in anything heard since the last restart.
    void expectSmooth() const {
        for (std::size_t k = 0; k < heard.size(); ++k) {
            ASSERT_TRUE(heard[k] >= 0.0f && heard[k] <= 1.0f) << heard[k] << " at " << k;
            if (k > 0) {
                ASSERT_LE(std::fabs(heard[k] - heard[k - 1]), largestMove) << "at sample " << k;
            }
        }
    }

    std::vector<float> heard;
};

TEST_F(HostSituations, AStoppedSongHoldsItsStepAndGlidesWhenMoved) {
    for (const vst2::int32 block : {64, 512, 1024, 4096}) {
        SCOPED_TRACE(block);
        // Parked 100 samples before a full step gives way to a silent one.
        plugin->transport().setPlaying(false);
        restart((stepSamples - 100.0) / samplesPerQuarter);
        EXPECT_EQ(play(20 * block, block), std::vector<float>(20 * block, 1.0f));
        // The play head moved to a silent step while stopped: one ramp down, then silence.
        plugin->transport().setPpqPosition(1.5 * stepSamples / samplesPerQuarter);
        const std::vector<float> moved = play(4096, block);
        EXPECT_EQ(std::vector<float>(moved.begin() + 15, moved.end()),
                  std::vector<float>(4096 - 15, 0.0f));
        // Started again, the song plays on from where it stood: the next full step is 1500
        // samples away.
        plugin->transport().setPlaying(true);
        const std::vector<float> rolling = play(1600, block);
        EXPECT_EQ(rolling[1499], 0.0f);
        EXPECT_EQ(rolling[1500 + 15], 1.0f);
        expectSmooth();
    }
}

TEST_F(HostSituations, LoopsAndJumpsGlideFromTheGainLastPlayed) {
    // A loop from the middle of a silent step back into a full one, its last block cut at the
    // loop's end as hosts do.
    const double loopStart = 0.5 * stepSamples / samplesPerQuarter;
    restart(loopStart);
    for (int pass = 0; pass < 3; ++pass) {
        const std::vector<float> gains = play(3000, 512);
        EXPECT_EQ(gains[0], pass == 0 ? 1.0f : 0.0625f);
        EXPECT_EQ(gains[15], 1.0f);
        EXPECT_EQ(gains.back(), 0.0f);
        plugin->transport().setPpqPosition(loopStart);
    }
    // Jumps in the middle of the ramp down, into a full step and into a silent one.
    for (const double to : {4.5, 5.5}) {
        plugin->transport().setPpqPosition(2.0 * stepSamples / samplesPerQuarter);
        play(3000 + 5, 4096);
        plugin->transport().setPpqPosition(to * stepSamples / samplesPerQuarter);
        EXPECT_EQ(play(64, 64)[15], to == 4.5 ? 1.0f : 0.0f);
    }
    expectSmooth();
}

TEST_F(HostSituations, LevelsAndProgramsChangedDuringARampNeverOvershoot) {
    const std::vector<std::function<void()>> changes = {
        [this] { plugin->setParameter(1, 1.0f); },    // automation raises the level entered
        [this] { plugin->setProgram(15); },           // "Full Level"
        [this] { plugin->setProgram(totalSilence); }, // down to silence from mid-ramp
    };
    for (std::size_t change = 0; change < changes.size(); ++change) {
        SCOPED_TRACE(change);
        plugin->setProgram(totalStutter);
        plugin->setParameter(1, 0.0f); // the first change wrote into the program
        restart(0.0);
        play(3000 + 5, 3005); // five samples into the ramp from full level to silence
        changes[change]();
        const float target = change == 2 ? 0.0f : 1.0f;
        const std::vector<float> after = play(100, 100);
        EXPECT_EQ(std::vector<float>(after.begin() + 15, after.end()),
                  std::vector<float>(85, target));
        expectSmooth();
    }
    // A level moved while its step plays glides instead of stepping (no zipper noise).
    plugin->setParameter(1, 0.25f);
    EXPECT_EQ(play(16, 16).back(), 0.25f);
    expectSmooth();
}

TEST_F(HostSituations, BadAutomationValuesNeverReachTheAudio) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    restart(0.0);
    const struct {
        float sent;
        float stored;
    } values[] = {{0.5f, 0.5f},     {nan, 0.5f},       {7.0f, 1.0f},  {-1.0f, 0.0f},
                  {infinity, 1.0f}, {-infinity, 0.0f}, {1e30f, 1.0f}, {nan, 1.0f}};
    for (const auto& value : values) {
        plugin->setParameter(0, value.sent);
        EXPECT_EQ(plugin->getParameter(0), value.stored) << value.sent;
        EXPECT_EQ(play(64, 64).back(), value.stored) << value.sent;
    }
    expectSmooth();
}

TEST_F(HostSituations, AMissingMetreOrSampleRateIsFilledIn) {
    auto gainsWith = [this](void (*adjust)(VstTimeInfo&)) {
        plugin->transport().setAdjuster(adjust);
        restart(1.3);
        return play(20000, 1024);
    };
    const std::vector<float> expected = gainsWith(nullptr);
    EXPECT_EQ(gainsWith([](VstTimeInfo& info) { info.timeSigNumerator = 0; }), expected);
    EXPECT_EQ(gainsWith([](VstTimeInfo& info) {
                  info.timeSigNumerator = 0;
                  info.timeSigDenominator = 0;
              }),
              expected);
    // The sample rate set with effSetSampleRate stands in for the record's.
    EXPECT_EQ(gainsWith([](VstTimeInfo& info) { info.sampleRate = 0.0; }), expected);
}

TEST_F(HostSituations, PositionsReportedTwice) {
    // A host that says it plays but reports each position for two blocks: the pattern goes on
    // by the gate's own count, exactly as if every position had been given.
    restart(0.3);
    const std::vector<float> expected = play(30000, 500);
    double reported = 0.0;
    int blocks = 0;
    plugin->transport().setAdjuster([&](VstTimeInfo& info) {
        reported = blocks++ % 2 == 0 ? info.ppqPos : reported;
        info.ppqPos = reported;
        info.barStartPos = 0.0;
    });
    restart(0.3);
    EXPECT_EQ(play(30000, 500), expected);
}

TEST_F(HostSituations, AHostWithoutThePlayingFlagIsJudgedByItsPosition) {
    double standsAt = -1.0; // while negative, the host plays
    plugin->transport().setAdjuster([&standsAt](VstTimeInfo& info) {
        info.flags &= ~kVstTransportPlaying;
        if (standsAt >= 0.0) {
            info.ppqPos = standsAt;
            info.barStartPos = 0.0;
        }
    });
    restart(0.3);
    SettledLevels settled(2.0);
    for (int block = 0; block < 60; ++block) {
        const double position = plugin->transport().ppqPosition();
        const Levels now = levels();
        settled.block(position, true, now, play(500, 500));
    }
    EXPECT_GT(settled.checked, 25000);
    // It moves to one position and stays there, 100 samples before the end of a full step.
    // The block it moves in cannot be told from a jump and plays on; from its first repeat on
    // the step is held.
    standsAt = (stepSamples - 100.0) / samplesPerQuarter;
    play(1024, 512);
    EXPECT_EQ(play(8192, 512), std::vector<float>(8192, 1.0f));
    expectSmooth();
}

TEST_F(HostSituations, ArdoursTransportMovesAsRecorded) {
    const RecordedBlock* current = nullptr;
    plugin->transport().setAdjuster([&current](VstTimeInfo& info) {
        info.samplePos = current->samplePos;
        info.ppqPos = current->ppqPos;
        info.barStartPos = current->barStartPos;
        info.flags = current->flags;
    });
    restart(0.0);
    // Ardour rounds positions to 1/1920 of a quarter note, 12.5 samples here.
    SettledLevels settled(8.0);
    for (const RecordedBlock& block : ardourTransportBlocks) {
        current = &block;
        const Levels now = levels();
        const std::vector<float> gains = play(static_cast<std::size_t>(block.frames), block.frames);
        settled.block(block.ppqPos, (block.flags & kVstTransportPlaying) != 0, now, gains);
    }
    expectSmooth();
    EXPECT_GT(settled.checked, 90000);
}

TEST_F(HostSituations, RandomHostsNeverClickBuzzOrOvershoot) {
    std::mt19937 random(16u);
    auto below = [&random](int limit) { return static_cast<int>(random() % limit); };
    SettledLevels settled(2.0);
    restart(0.0);
    for (int block = 0; block < 1500; ++block) {
        switch (below(16)) {
        case 0: // a jump or a loop
            plugin->transport().setPpqPosition(below(64 * 24000) / samplesPerQuarter);
            break;
        case 1:
            plugin->transport().setPlaying(!plugin->transport().playing());
            break;
        case 2:
        case 3:
            plugin->setParameter(below(32),
                                 below(5) == 0 ? 7.0f : static_cast<float>(below(33)) / 32.0f);
            break;
        case 4:
            plugin->setProgram(below(32));
            break;
        default:
            break;
        }
        const auto frames =
            below(2) == 0 ? 1 + below(4096) : std::array<int, 6>{1, 15, 16, 17, 64, 512}[below(6)];
        const double position = plugin->transport().ppqPosition();
        const bool playing = plugin->transport().playing();
        const Levels now = levels();
        const std::vector<float> gains =
            play(static_cast<std::size_t>(frames), frames,
                 below(2) == 0 ? ProcessMode::replacing : ProcessMode::accumulating);
        settled.block(position, playing, now, gains);
    }
    EXPECT_GT(settled.checked, 1500000);

    // Levels and programs changed from another thread while blocks are processed.
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (int round = 0; !done.load(); ++round) {
            plugin->setParameter(round % 32, static_cast<float>(round % 3) / 2.0f);
            if (round % 50 == 0) {
                plugin->setProgram(round / 50 % 32);
            }
        }
    });
    for (int block = 0; block < 300; ++block) {
        play(256, 256);
    }
    done.store(true);
    editor.join();
    expectSmooth();
}

} // namespace
} // namespace stepveil::test
