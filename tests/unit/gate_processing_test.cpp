// The gate's audio path driven through a host whose transport the test sets: where steps
// begin, the ramps between them, both output modes, unusual metres and positions, and time
// information the gate cannot use.
#include "gate_test_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

namespace {

// Step i at (i + 1)/32: every step distinct, so each boundary shows in the output.
std::vector<float> risingLevels() {
    std::vector<float> levels;
    for (int i = 0; i < 32; ++i) {
        levels.push_back(static_cast<float>(i + 1) / 32.0f);
    }
    return levels;
}

// Samples where the gain starts to move after holding still: the step boundaries.
std::vector<int> boundariesIn(const std::vector<float>& gain) {
    std::vector<int> boundaries;
    for (std::size_t k = 2; k < gain.size(); ++k) {
        if (gain[k] != gain[k - 1] && gain[k - 1] == gain[k - 2]) {
            boundaries.push_back(static_cast<int>(k));
        }
    }
    return boundaries;
}

// The gain on the j-th sample of a step, crossing from level `from` to level `to`.
float rampGain(float from, float to, int j) {
    const auto increment =
        static_cast<float>((static_cast<double>(from) - static_cast<double>(to)) / 16.0);
    return static_cast<float>((16 - j) * static_cast<double>(increment) + static_cast<double>(to));
}

std::vector<float> noise(std::size_t frames, unsigned seed) {
    std::vector<float> samples(frames);
    unsigned state = seed;
    for (float& sample : samples) {
        state = state * 1664525u + 1013904223u;
        sample = static_cast<float>(state >> 8) / 8388608.0f - 1.0f;
    }
    return samples;
}

constexpr double quarterSamples = 22050.0; // 120 beats a minute at 44100 Hz

} // namespace

TEST(GateBoundaries, WorkedExampleAndBarStart) {
    GateRig rig;
    rig.setLevels(risingLevels());
    rig.setTime(8.0625, 8.0);
    const std::vector<float> gain = rig.renderGain(12000);
    EXPECT_EQ(boundariesIn(gain), (std::vector<int>{1378, 4134, 6891, 9647}));
    EXPECT_EQ(gain[0], 1.0f / 32.0f);
    EXPECT_EQ(gain[1377], 1.0f / 32.0f);
    EXPECT_EQ(rig.host.lastTimeFilter, 0x7E00);
    EXPECT_EQ(rig.host.timeRequests, 1);

    GateRig atBarStart;
    atBarStart.setLevels(risingLevels());
    atBarStart.setTime(16.0, 16.0, 100.0, 48000.0);
    EXPECT_EQ(boundariesIn(atBarStart.renderGain(5000)), std::vector<int>{3600});
}

TEST(GateBoundaries, StepsFollowTheMetre) {
    // In 3/4 and in 6/8 a bar is three quarter notes, so a step is 0.09375 of one.
    for (const auto& metre : {std::pair<int, int>{3, 4}, std::pair<int, int>{6, 8}}) {
        GateRig rig;
        rig.setLevels(risingLevels());
        rig.setTime(0.46875, 0.0, 120.0, 44100.0, metre.first, metre.second); // step 6 begins
        const std::vector<float> gain = rig.renderGain(3000);
        EXPECT_EQ(gain[0], 6.0f / 32.0f);
        // 0.09375 quarter notes of 22050 samples: 2067.1875 samples.
        EXPECT_EQ(boundariesIn(gain), std::vector<int>{2067});
        EXPECT_EQ(gain[2067 + 15], 7.0f / 32.0f);

        // The bar is three quarter notes long: 2.95 lies in its last step.
        GateRig late;
        late.setLevels(risingLevels());
        late.setTime(2.95, 0.0, 120.0, 44100.0, metre.first, metre.second);
        EXPECT_EQ(late.renderGain(1)[0], 1.0f);
    }
}

TEST(GateRamps, CrossesLinearlyOverSixteenSamples) {
    GateRig rig;
    rig.setLevels({1.0f, 0.0f, 1.0f});
    rig.setTime(0.0, 0.0);
    const std::vector<float> gain = rig.renderGain(6000);
    const int down = 2756; // 2756.25 samples per step, rounded
    EXPECT_EQ(gain[down - 1], 1.0f);
    EXPECT_EQ(gain[down], 0.9375f);
    EXPECT_EQ(gain[down + 1], 0.875f);
    EXPECT_EQ(gain[down + 14], 0.0625f);
    EXPECT_EQ(gain[down + 15], 0.0f);
    EXPECT_EQ(gain[down + 100], 0.0f);
    const int up = 5513; // the carried quarter sample makes this step 2757 long
    EXPECT_EQ(gain[up - 1], 0.0f);
    for (int j = 1; j <= 15; ++j) {
        EXPECT_EQ(gain[static_cast<std::size_t>(up + j - 1)], static_cast<float>(j) / 16.0f) << j;
    }
    EXPECT_EQ(gain[up + 15], 1.0f);
}

TEST(GateRamps, StepThirtyTwoIsFollowedByStepOne) {
    GateRig rig;
    rig.setLevels(risingLevels());
    rig.setTime(4.0 - 100.0 / quarterSamples, 0.0); // 100 samples before the bar ends
    const std::vector<float> gain = rig.renderGain(200);
    EXPECT_EQ(gain[0], 1.0f);
    EXPECT_EQ(boundariesIn(gain), std::vector<int>{100});
    EXPECT_EQ(gain[100], rampGain(1.0f, 1.0f / 32.0f, 1));
    EXPECT_EQ(gain[150], 1.0f / 32.0f);
}

TEST(GateRamps, ContinueAcrossBlocksButNotAcrossResume) {
    GateRig rig;
    rig.setLevels({1.0f, 0.0f});
    rig.setTime(0.0, 0.0);
    // End the block five samples into the ramp from step 1 to step 2.
    ASSERT_EQ(rig.renderGain(2756 + 5)[2756 + 4], rampGain(1.0f, 0.0f, 5));
    rig.setTime((2756 + 5) / quarterSamples, 0.0);
    const std::vector<float> rest = rig.renderGain(20);
    for (int j = 6; j <= 15; ++j) {
        EXPECT_EQ(rest[static_cast<std::size_t>(j - 6)], rampGain(1.0f, 0.0f, j)) << j;
    }
    EXPECT_EQ(rest[10], 0.0f);

    // A jump the host reports at a block start ramps from the gain last played to the new
    // step's level.
    rig.setLevels({1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.75f});
    rig.setTime(10 * 0.125 + 0.01, 0.0);
    const std::vector<float> jumped = rig.renderGain(17);
    EXPECT_EQ(jumped[0], rampGain(0.0f, 0.75f, 1));
    EXPECT_EQ(jumped[16], 0.75f);

    // Mid-ramp again, then the host switches the effect off and on: the first block after
    // resume plays the host's step at its level at once.
    rig.setTime(0.0, 0.0);
    rig.renderGain(2756 + 3);
    rig.effect.dispatcher(effMainsChanged, 0, 0, nullptr, 0.0f);
    rig.effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    rig.setTime((2756 + 3) / quarterSamples, 0.0);
    EXPECT_EQ(rig.renderGain(16), std::vector<float>(16, 0.0f));
}

// Hosts that round the song position (to 1/1920 of a quarter note, several samples) make a
// boundary between two blocks look either already passed or not yet reached at the next
// block's start. Step 1 at level 1.0, step 2 at 0.0; 2756.25 samples per step.
TEST(GateBlockJoins, BoundaryPassedBetweenBlocksStillRamps) {
    for (const int samplesPast : {0, 4}) {
        SCOPED_TRACE(samplesPast);
        GateRig rig;
        rig.setLevels({1.0f, 0.0f});
        rig.setTime(0.0, 0.0);
        // By its own count the block ends four samples short of the boundary.
        ASSERT_EQ(rig.renderGain(2752).back(), 1.0f);
        rig.setTime((2756.25 + samplesPast) / quarterSamples, 0.0);
        const std::vector<float> gain = rig.renderGain(40);
        // The whole ramp runs from the block's first sample: no jump larger than one step of
        // the ramp, however late the host's position puts the block.
        for (int j = 1; j <= 15; ++j) {
            EXPECT_EQ(gain[static_cast<std::size_t>(j - 1)], rampGain(1.0f, 0.0f, j)) << j;
        }
        EXPECT_EQ(gain[15], 0.0f);
        EXPECT_EQ(rig.effect.previousStep, 0);
    }
}

TEST(GateBlockJoins, BoundaryShownAgainDoesNotRestartTheRamp) {
    for (const double fraction : {0.3, 0.8}) {
        SCOPED_TRACE(fraction);
        GateRig rig;
        rig.setLevels({1.0f, 0.0f, 1.0f});
        rig.setTime(0.0, 0.0);
        // Three samples into the ramp down to step 2 ...
        ASSERT_EQ(rig.renderGain(2759).back(), rampGain(1.0f, 0.0f, 3));
        // ... the host puts the next block a fraction of a sample before that boundary.
        rig.setTime((2756.25 - fraction) / quarterSamples, 0.0);
        const std::vector<float> gain = rig.renderGain(3000);
        for (int j = 4; j <= 15; ++j) {
            EXPECT_EQ(gain[static_cast<std::size_t>(j - 4)], rampGain(1.0f, 0.0f, j)) << j;
        }
        EXPECT_EQ(gain[12], 0.0f);
        // Step 2 lasts from the host's boundary, rounded: 2756.25 + fraction samples.
        const auto stepTwoEnds = static_cast<std::size_t>(2756.25 + fraction + 0.5);
        EXPECT_EQ(gain[stepTwoEnds - 1], 0.0f);
        EXPECT_EQ(gain[stepTwoEnds], rampGain(0.0f, 1.0f, 1));
    }
}

TEST(GateBlockJoins, JumpsRampAndFreshStartsSwitch) {
    auto firstGainAfter = [](int firstBlock, double secondPosition, bool resumeBetween,
                             bool timeLostBetween) {
        GateRig rig;
        rig.setLevels({1.0f, 0.0f});
        rig.setTime(0.0, 0.0);
        rig.renderGain(firstBlock);
        if (resumeBetween) {
            rig.effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
        }
        if (timeLostBetween) {
            rig.host.answersTime = false;
            rig.renderGain(64);
            rig.host.answersTime = true;
        }
        rig.setTime(secondPosition / quarterSamples, 0.0);
        return rig.renderGain(1)[0];
    };
    const double boundary = 2756.25;
    const float firstOfRampDown = rampGain(1.0f, 0.0f, 1);
    // The control: the same join, followed on.
    EXPECT_EQ(firstGainAfter(2752, boundary, false, false), firstOfRampDown);
    // The host's position is further into the new step than a ramp lasts, or the last block
    // ended far before the boundary: the song jumped, and the gain ramps all the same.
    EXPECT_EQ(firstGainAfter(2752, boundary + 17.0, false, false), firstOfRampDown);
    EXPECT_EQ(firstGainAfter(2000, boundary, false, false), firstOfRampDown);
    // After a reset nothing has been played to ramp from: the level is taken at once.
    EXPECT_EQ(firstGainAfter(2752, boundary, true, false), 0.0f);
    // A block without time information stood open (the dry signal, gain 1): gating resumes
    // from there.
    EXPECT_EQ(firstGainAfter(2752, boundary, false, true), firstOfRampDown);
    // Back to less than a sample before a boundary the last block crossed long ago (a loop):
    // the block starts in the step after it, at the level already played.
    EXPECT_EQ(firstGainAfter(2756 + 40, boundary - 0.3, false, false), 0.0f);
}

TEST(GateOutput, ReplacingOverwritesAndAccumulatingAdds) {
    GateRig rig;
    rig.setTime(1.0, 0.0);
    const std::vector<float> left = noise(512, 1);
    const std::vector<float> right = noise(512, 2);

    rig.effect.setProgram(15); // Full Level
    auto replaced = rig.render(left, right, false, 123.0f);
    EXPECT_EQ(replaced.first, left);
    EXPECT_EQ(replaced.second, right);
    auto added = rig.render(left, right, true, 0.5f);
    for (std::size_t k = 0; k < left.size(); ++k) {
        EXPECT_EQ(added.first[k], 0.5f + left[k]);
        EXPECT_EQ(added.second[k], 0.5f + right[k]);
    }

    rig.effect.setProgram(14); // Total Silence, from the first sample after a reset
    rig.effect.resume();
    replaced = rig.render(left, right, false, 123.0f);
    EXPECT_EQ(replaced.first, std::vector<float>(512, 0.0f));
    EXPECT_EQ(replaced.second, std::vector<float>(512, 0.0f));
    added = rig.render(left, right, true, 0.5f);
    EXPECT_EQ(added.first, std::vector<float>(512, 0.5f));

    // Hosts may process in place, handing the same buffers as input and output.
    rig.effect.setProgram(0);
    rig.setTime(0.0, 0.0);
    rig.effect.resume();
    std::vector<float> inPlaceLeft = left;
    std::vector<float> inPlaceRight = right;
    float* buffers[2] = {inPlaceLeft.data(), inPlaceRight.data()};
    rig.effect.processReplacing(buffers, buffers, 512);
    rig.setTime(0.0, 0.0);
    rig.effect.resume();
    const auto separate = rig.render(left, right, false);
    EXPECT_EQ(inPlaceLeft, separate.first);
    EXPECT_EQ(inPlaceRight, separate.second);
}

TEST(GateTimeInfo, UnusableInformationLeavesTheGateOpen) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double ppqPos, barStartPos, tempo, sampleRate;
        int numerator, denominator;
    };
    const std::vector<Case> cases = {
        {"tempo 0", 1.0, 0.0, 0.0, 44100.0, 4, 4},
        {"negative tempo", 1.0, 0.0, -120.0, 44100.0, 4, 4},
        {"tempo NaN", 1.0, 0.0, nan, 44100.0, 4, 4},
        {"tempo infinite", 1.0, 0.0, inf, 44100.0, 4, 4},
        {"ppqPos NaN", nan, 0.0, 120.0, 44100.0, 4, 4},
        {"ppqPos infinite", inf, 0.0, 120.0, 44100.0, 4, 4},
        {"barStartPos infinite", 1.0, -inf, 120.0, 44100.0, 4, 4},
        {"position overflows", 1e308, -1e308, 120.0, 44100.0, 4, 4},
        {"step too long to count", 1.0, 0.0, 1e-6, 44100.0, 4, 4},
        {"step length overflows", 1.0, 0.0, 1e-300, 1e300, 4, 4},
    };
    const std::vector<float> left = noise(300, 3);
    const std::vector<float> right = noise(300, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GateRig rig;
        rig.setTime(c.ppqPos, c.barStartPos, c.tempo, c.sampleRate, c.numerator, c.denominator);
        const auto replaced = rig.render(left, right, false, 9.0f);
        EXPECT_EQ(replaced.first, left);
        EXPECT_EQ(replaced.second, right);
        const auto added = rig.render(left, right, true, 9.0f);
        EXPECT_EQ(added.first, std::vector<float>(300, 9.0f));
        EXPECT_EQ(added.second, std::vector<float>(300, 9.0f));
        EXPECT_EQ(rig.effect.previousStep, -1);
    }

    GateRig silent;
    silent.host.answersTime = false;
    EXPECT_EQ(silent.render(left, right, false, 9.0f).first, left);
    EXPECT_EQ(silent.render(left, right, true, 9.0f).first, std::vector<float>(300, 9.0f));
    EXPECT_EQ(silent.host.timeRequests, 2);
}

TEST(GateTimeInfo, PositionsOutsideTheBarAreFoldedIntoIt) {
    const std::vector<float> left = noise(3000, 5);
    const std::vector<float> right = noise(3000, 6);
    auto renderAt = [&](double ppqPos, double barStartPos) {
        GateRig rig;
        rig.setLevels(risingLevels());
        rig.setTime(ppqPos, barStartPos);
        return rig.render(left, right, false);
    };
    // Before the bar start, a quarter note back: the last beat of the previous bar.
    EXPECT_EQ(renderAt(7.75, 8.0), renderAt(3.75, 0.0));
    // At and beyond the bar's end, as from a host that reports no bar start.
    EXPECT_EQ(renderAt(4.0, 0.0), renderAt(0.0, 0.0));
    EXPECT_EQ(renderAt(41.25, 0.0), renderAt(1.25, 0.0));
    EXPECT_EQ(renderAt(-6.5, 0.0), renderAt(1.5, 0.0));
    EXPECT_EQ(renderAt(1e15 + 1.5, 0.0), renderAt(1.5, 0.0));
    // So little before the bar start that adding the bar's length rounds to its end.
    EXPECT_EQ(renderAt(0.0, 1e-18), renderAt(0.0, 0.0));

    // A hair before the bar start lies in step 32, less than half a sample from its end: the
    // block opens with the crossing into step 1.
    GateRig rig;
    rig.setLevels(risingLevels());
    rig.setTime(8.0 - 1e-12, 8.0);
    EXPECT_EQ(rig.renderGain(1)[0], rampGain(1.0f, 1.0f / 32.0f, 1));
}

TEST(GateTimeInfo, HostsWithoutValidPpqPosAreFollowedBySamplePosition) {
    const std::vector<float> left = noise(6000, 7);
    const std::vector<float> right = noise(6000, 8);
    auto renderWith = [&](double ppqPos, double samplePos, vst2::int32 flags) {
        GateRig rig;
        rig.setLevels(risingLevels());
        rig.setTime(ppqPos, 0.0);
        rig.host.timeInfo.samplePos = samplePos;
        rig.host.timeInfo.flags = flags;
        return rig.render(left, right, false);
    };
    const vst2::int32 tempoOnly = kVstTransportPlaying | kVstTempoValid;
    const vst2::int32 withPpq = tempoOnly | kVstPpqPosValid;
    // 5.5 quarter notes into the song is 1.5 into its second bar.
    EXPECT_EQ(renderWith(0.0, 5.5 * quarterSamples, tempoOnly), renderWith(1.5, 0.0, withPpq));
    // A host that marks ppqPos valid is taken at its word, even at 0.
    EXPECT_EQ(renderWith(0.0, 5.5 * quarterSamples, withPpq), renderWith(0.0, 0.0, withPpq));
    // A host that fills ppqPos without the flag is also taken at its word.
    EXPECT_EQ(renderWith(2.25, 5.5 * quarterSamples, tempoOnly), renderWith(2.25, 0.0, withPpq));
    // At the song's start there is nothing to derive.
    EXPECT_EQ(renderWith(0.0, 0.0, tempoOnly), renderWith(0.0, 0.0, withPpq));
}

TEST(GateBuffers, EmptyBlocksAndMissingBuffersAreSafe) {
    GateRig rig;
    rig.setTime(1.3, 0.0); // step 11
    float sample = 7.0f;
    float* channels[2] = {&sample, &sample};
    float* oneMissing[2] = {&sample, nullptr};
    for (vst2::int32 frames : {0, -1, -100000}) {
        rig.effect.processReplacing(channels, channels, frames);
        rig.effect.process(channels, channels, frames);
    }
    EXPECT_EQ(sample, 7.0f);
    // Nothing was played: the first block that plays still starts at its step's level.
    EXPECT_EQ(rig.effect.previousStep, -1);

    for (bool open : {false, true}) {
        rig.host.answersTime = !open;
        rig.effect.processReplacing(nullptr, nullptr, 64);
        rig.effect.process(nullptr, channels, 64);
        rig.effect.processReplacing(channels, nullptr, 64);
        rig.effect.processReplacing(oneMissing, channels, 1);
        rig.effect.process(channels, oneMissing, 1);
        EXPECT_EQ(sample, 7.0f);
    }
}

TEST(GateConcurrency, LevelsChangeWhileAudioRuns) {
    // Run under ThreadSanitizer this shows the live levels are shared cleanly.
    GateRig rig;
    rig.setTime(0.0, 0.0);
    std::atomic<bool> done{false};
    std::thread editorSide([&] {
        for (int round = 0; !done.load(); ++round) {
            rig.effect.setParameter(round % 32, static_cast<float>(round % 2));
            if (round % 100 == 0) {
                rig.effect.setProgram((round / 100) % 32);
            }
        }
    });
    const std::vector<float> left = noise(256, 9);
    const std::vector<float> right = noise(256, 10);
    for (int block = 0; block < 200; ++block) {
        const auto out = rig.render(left, right, false);
        for (std::size_t k = 0; k < out.first.size(); ++k) {
            ASSERT_LE(std::fabs(out.first[k]), std::fabs(left[k]));
        }
    }
    done.store(true);
    editorSide.join();
}
