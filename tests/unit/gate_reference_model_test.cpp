// Compares the gate's output, bit for bit, with a reference model written directly from the
// description of the algorithm: one sample at a time, a counter i from 1, no cleverness.
// Random transports (tempos, metres, sample rates, positions, jumps, stops, bad or missing
// fields, positions rounded or off by a few samples as some hosts report them, hosts with and
// without the playing flag), block sizes, level changes and resets drive both.
#include "gate_test_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

// The gate as described: block set-up from the time record, then the per-sample steps.
// Every change of gain is a ramp from the gain last played (which the model simply remembers)
// to the level of the current step; a song that stands still holds its step.
class ReferenceGate {
public:
    float levels[32] = {};
    // The sample rate the host set on the effect, for records without one.
    float effectRate = 44100.0f;
    // How often a block began with a boundary crossed between blocks (ramp joined), with a
    // boundary already crossed shown again (ramp kept), stood still, or went on by its own
    // count.
    int rampsJoined = 0;
    int rampsKept = 0;
    int blocksHeld = 0;
    int blocksCounted = 0;

    void resume() {
        rampIncrement = 0.0f;
        rampLength = 16;
        rampCounter = 1;
        played = false;
        lastStep = -1;
        lastPosition = std::numeric_limits<double>::quiet_NaN();
    }

    void run(const VstTimeInfo* info, const float* in0, const float* in1, float* out0, float* out1,
             int frames, bool accumulate) {
        if (info == nullptr || !usable(*info)) {
            lastStep = -1;
            lastPosition = std::numeric_limits<double>::quiet_NaN();
            if (frames > 0) {
                for (int k = 0; k < frames; ++k) {
                    if (!accumulate) {
                        out0[k] = in0[k];
                        out1[k] = in1[k];
                    }
                }
                // What was heard: the dry signal, or nothing added.
                lastGain = accumulate ? 0.0f : 1.0f;
                target = lastGain;
                rampCounter = rampLength;
                played = true;
            }
            return;
        }
        const double rate = rateOf(*info);
        const int num = numeratorOf(*info);
        const int den = denominatorOf(*info);
        const double b = rate * 60.0 / info->tempo;
        const double d = (b * num * 4.0 / den) * 0.03125;
        const double barLength = num * 4.0 / den;
        const double q = barLength * 0.03125;
        const double song = songPosition(*info, b);
        double p = positionInBar(*info, b);
        if (p < 0.0 || p >= barLength) {
            p = std::fmod(p, barLength);
            if (p < 0.0) {
                p = p + barLength;
            }
            if (p >= barLength) {
                p = 0.0;
            }
        }
        int s = static_cast<int>(p / q);
        if (s > 31) {
            s = 31;
        }
        double r = d - (p - s * q) * b;
        std::int64_t n = static_cast<int>(r + 0.5);
        double e = r - static_cast<double>(n);
        if (frames <= 0) {
            return;
        }

        // Does the song stand, move, or come again from a host that says it plays?
        const bool playing = (info->flags & kVstTransportPlaying) != 0;
        const bool repeated = song == lastPosition;
        if (playing) {
            habit = 1;
        } else if (habit == 0 && std::fabs((song - lastPosition) * b - lastFrames) <= 16.0) {
            habit = 2;
        }
        lastPosition = song;
        lastFrames = frames;
        const bool stands = !playing && !(habit == 2 && !repeated);
        const bool ownCount = playing && repeated && lastStep != -1;

        if (!played) {
            previousStep = s;
            target = levels[s];
            lastGain = static_cast<float>(0.0 + static_cast<double>(target));
            rampCounter = rampLength;
            played = true;
        }
        // Samples of step s played before this block, counted up to 16; 16 when not known.
        int playedOfStep = 16;
        const int startStep = s;
        const std::int64_t startLeft = n;
        const double startRemainder = e;
        if (stands) {
            ++blocksHeld;
        } else if (ownCount) {
            s = lastStep;
            n = lastLeft;
            e = lastRemainder;
            playedOfStep = lastPlayed;
            ++blocksCounted;
        } else if (lastStep != -1 && s == lastStep) {
            playedOfStep = lastPlayed;
        } else if (lastStep != -1 && s == (lastStep + 1) % 32 && lastLeft <= 16 && d - r > -0.5 &&
                   d - r < 16.5) {
            // The previous block stopped just short of the boundary; the host puts this block
            // a little past it. The whole ramp starts at this block's first sample.
            previousStep = lastStep;
            playedOfStep = 0;
            ++rampsJoined;
        } else if (lastStep != -1 && (s + 1) % 32 == lastStep && r < 1.0 && lastPlayed < 16 &&
                   r + d + 0.5 < 2147483648.0) {
            // The previous block already crossed into lastStep; the host puts this block a
            // hair before that boundary. Stay in lastStep and let its ramp run on.
            s = lastStep;
            r = r + d;
            n = static_cast<int>(r + 0.5);
            e = r - static_cast<double>(n);
            playedOfStep = lastPlayed;
            ++rampsKept;
        }
        std::int64_t i = 1;
        for (int k = 0; k < frames; ++k) {
            if (!stands && i > n) {
                previousStep = s;
                s = s + 1;
                if (s > 31) {
                    s = 0;
                }
                r = e + d;
                n = static_cast<int>(r + 0.5);
                e = r - static_cast<double>(n);
                i = 1;
                playedOfStep = 0;
            }
            if (levels[s] != target) {
                target = levels[s];
                rampIncrement = static_cast<float>(
                    (static_cast<double>(lastGain) - static_cast<double>(target)) / rampLength);
                rampCounter = 1;
            }
            double t = 0.0;
            if (rampCounter < rampLength) {
                t = (rampLength - rampCounter) * static_cast<double>(rampIncrement);
                rampCounter = rampCounter + 1;
            }
            const auto g = static_cast<float>(t + static_cast<double>(target));
            if (accumulate) {
                out0[k] = out0[k] + g * in0[k];
                out1[k] = out1[k] + g * in1[k];
            } else {
                out0[k] = g * in0[k];
                out1[k] = g * in1[k];
            }
            lastGain = g;
            i = i + 1;
            if (playedOfStep < 16) {
                playedOfStep = playedOfStep + 1;
            }
        }
        if (stands) {
            lastStep = startStep;
            lastLeft = startLeft;
            lastRemainder = startRemainder;
            lastPlayed = 16;
        } else {
            lastStep = s;
            lastLeft = n - (i - 1);
            lastRemainder = e;
            lastPlayed = playedOfStep;
        }
    }

private:
    float rampIncrement = 0.0f;
    int rampLength = 16;
    int rampCounter = 1;
    int previousStep = -1;
    float target = 0.0f;
    float lastGain = 0.0f;
    bool played = false;
    // The step the last block ended in (-1: none to follow on from), the samples of it still
    // to play by the block's own count and the fraction carried, and the samples of it
    // played since its boundary.
    int lastStep = -1;
    std::int64_t lastLeft = 0;
    double lastRemainder = 0.0;
    int lastPlayed = 16;
    // The host's last song position and block length; what it has shown of its playing flag
    // (0 nothing yet, 1 it sets the flag, 2 it plays without it).
    double lastPosition = std::numeric_limits<double>::quiet_NaN();
    int lastFrames = 0;
    int habit = 0;

    static bool finitePositive(double x) { return std::isfinite(x) && x > 0.0; }

    double rateOf(const VstTimeInfo& info) const {
        return finitePositive(info.sampleRate) ? info.sampleRate : static_cast<double>(effectRate);
    }
    static bool metreGiven(const VstTimeInfo& info) {
        return info.timeSigNumerator > 0 && info.timeSigDenominator > 0;
    }
    static int numeratorOf(const VstTimeInfo& info) {
        return metreGiven(info) ? info.timeSigNumerator : 4;
    }
    static int denominatorOf(const VstTimeInfo& info) {
        return metreGiven(info) ? info.timeSigDenominator : 4;
    }
    static bool positionUnset(const VstTimeInfo& info) {
        return (info.flags & 0x200) == 0 && info.ppqPos == 0.0 && info.samplePos > 0.0;
    }
    static double positionInBar(const VstTimeInfo& info, double b) {
        return positionUnset(info) ? info.samplePos / b : info.ppqPos - info.barStartPos;
    }
    static double songPosition(const VstTimeInfo& info, double b) {
        return positionUnset(info) ? info.samplePos / b : info.ppqPos;
    }

    bool usable(const VstTimeInfo& info) const {
        if (!finitePositive(rateOf(info)) || !finitePositive(info.tempo)) {
            return false;
        }
        const double b = rateOf(info) * 60.0 / info.tempo;
        const double d = (b * numeratorOf(info) * 4.0 / denominatorOf(info)) * 0.03125;
        if (!(d > 0.0) || !(d + 1.0 < 2147483648.0)) {
            return false;
        }
        return std::isfinite(positionInBar(info, b));
    }
};

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// Cheap noise in -1..1 for the audio buffers, so most of the test's time goes to the gate.
void fillWithNoise(std::vector<float>& samples, std::uint32_t seed) {
    for (float& sample : samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
    }
}

// Where a block's four channel buffers lie in one pool of memory: apart, as most hosts pass
// them, in place, or sharing memory in the ways a careless host might.
struct BufferPlacement {
    const char* layout;
    std::size_t in0, in1, out0, out1;
};

class RandomTransport;
BufferPlacement placeBuffers(RandomTransport& draw, std::size_t length);

class RandomTransport {
public:
    explicit RandomTransport(unsigned seed) : random(seed) {}

    template <typename T> T pick(std::initializer_list<T> choices) {
        std::uniform_int_distribution<std::size_t> index(0, choices.size() - 1);
        return *(choices.begin() + index(random));
    }
    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    }
    int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    std::uint32_t seed() { return static_cast<std::uint32_t>(random()); }
    bool chance(double probability) { return uniform(0.0, 1.0) < probability; }

    double tempo() {
        if (chance(0.05)) {
            return pick({0.0, -90.0, std::numeric_limits<double>::quiet_NaN(), 1e-7});
        }
        // Steps of a few samples or less than one: boundaries on nearly every sample.
        if (chance(0.05)) {
            return pick({5000.0, 20000.0, 60000.0, 250000.0});
        }
        return chance(0.2) ? pick({60.0, 90.0, 120.0, 128.0, 140.0, 174.0}) : uniform(20.0, 400.0);
    }
    double sampleRate() {
        if (chance(0.03)) {
            return pick({0.0, std::numeric_limits<double>::infinity()});
        }
        return chance(0.8) ? pick({8000.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0})
                           : uniform(1000.0, 200000.0);
    }
    std::pair<int, int> metre() {
        if (chance(0.03)) {
            return {pick({0, -3, 4}), pick({4, 0, -8})};
        }
        return {integer(1, 16), pick({1, 2, 4, 4, 4, 8, 8, 16, 32, 3, 5, 7})};
    }
    int blockSize() {
        if (chance(0.05)) {
            return pick({0, -1, -4096});
        }
        return chance(0.5) ? pick({1, 2, 3, 15, 16, 17, 63, 64, 65, 128, 256, 441, 512, 1024, 4096})
                           : integer(0, 4096);
    }

    // A block that ends within a few samples of the next step boundary of the true song
    // position, where the host's rounding decides on which side of it the next block starts.
    int blockEndingNearBoundary(const VstTimeInfo& info, double ppqPos) {
        const double samplesPerQuarter = info.sampleRate * 60.0 / info.tempo;
        const double stepQuarters = info.timeSigNumerator * 4.0 / info.timeSigDenominator / 32.0;
        if (!std::isfinite(samplesPerQuarter) || !(samplesPerQuarter > 0.0) ||
            !(stepQuarters > 0.0) || stepQuarters * samplesPerQuarter > 20000.0) {
            return blockSize();
        }
        double intoStep = std::fmod(ppqPos, stepQuarters);
        if (intoStep < 0.0) {
            intoStep += stepQuarters;
        }
        const double toBoundary = (stepQuarters - intoStep) * samplesPerQuarter;
        return std::max(1, static_cast<int>(std::lround(toBoundary)) + integer(-4, 4));
    }

    // Within 16 samples after a step boundary (steps counted from ppqPos 0), a position up to
    // one sample before that boundary; elsewhere the exact position.
    double justBeforeRecentBoundary(const VstTimeInfo& info, double ppqPos) {
        const double samplesPerQuarter = info.sampleRate * 60.0 / info.tempo;
        const double stepQuarters = info.timeSigNumerator * 4.0 / info.timeSigDenominator / 32.0;
        if (!std::isfinite(samplesPerQuarter) || !(samplesPerQuarter > 0.0) ||
            !(stepQuarters > 0.0)) {
            return ppqPos;
        }
        const double boundary = std::floor(ppqPos / stepQuarters) * stepQuarters;
        if ((ppqPos - boundary) * samplesPerQuarter >= 16.0) {
            return ppqPos;
        }
        return boundary - uniform(0.0, 1.0) / samplesPerQuarter;
    }

    std::mt19937 random;
};

BufferPlacement placeBuffers(RandomTransport& draw, std::size_t length) {
    const std::size_t n = length;
    switch (draw.integer(0, 9)) {
    case 0:
        return {"in place", 0, n, 0, n};
    case 1:
        return {"one input for both channels", 0, 0, n, 2 * n};
    case 2:
        return {"one output for both channels", 0, n, 2 * n, 2 * n};
    case 3:
        return {"crossed", 0, n, n, 0};
    case 4: {
        auto anywhere = [&] {
            return static_cast<std::size_t>(draw.integer(0, 3 * static_cast<int>(n)));
        };
        return {"overlapping anywhere", anywhere(), anywhere(), anywhere(), anywhere()};
    }
    default:
        return {"apart", 0, n, 2 * n, 3 * n};
    }
}

} // namespace

TEST(GateReferenceModel, RandomTransportsMatchBitForBit) {
    RandomTransport draw(20240601u);
    long comparedSamples = 0;
    int rampsJoined = 0;
    int rampsKept = 0;
    int blocksHeld = 0;
    int blocksCounted = 0;
    for (int trial = 0; trial < 250; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        GateRig rig;
        ReferenceGate model;
        model.resume();
        VstTimeInfo& info = rig.host.timeInfo;
        info.tempo = draw.tempo();
        info.sampleRate = draw.sampleRate();
        std::tie(info.timeSigNumerator, info.timeSigDenominator) = draw.metre();
        const bool countsSamplesOnly = draw.chance(0.15);
        const vst2::int32 validFlags =
            countsSamplesOnly ? kVstTempoValid : kVstPpqPosValid | kVstTempoValid;
        // Most hosts set the playing flag while their song plays; some never do.
        const bool setsPlayingFlag = draw.chance(0.8);
        bool stopped = draw.chance(0.1);
        double ppqPos = draw.chance(0.3) ? 0.0 : draw.uniform(-20.0, 300.0);
        double samplePos = draw.uniform(0.0, 1e7);
        const int barMode = draw.integer(0, 2); // host bar start: exact, none, arbitrary
        // How the host reports the position: exact, rounded to 1/1920 of a quarter note, off
        // by up to 20 samples either way, or, shortly after a step boundary, a fraction of a
        // sample before it.
        const int positionError = draw.integer(0, 3);

        for (int block = 0; block < 24; ++block) {
            // Between blocks: level changes (single steps, whole programs), resets, jumps.
            if (draw.chance(0.3)) {
                for (int changes = draw.integer(1, 6); changes > 0; --changes) {
                    rig.effect.setParameter(draw.integer(0, 31),
                                            draw.chance(0.3)
                                                ? draw.pick({0.0f, 1.0f, 0.5f, -0.0f, 2.0f, -1.0f})
                                                : static_cast<float>(draw.uniform(0.0, 1.0)));
                }
            }
            if (draw.chance(0.05)) {
                rig.effect.setProgram(draw.integer(0, 31));
            }
            if (draw.chance(0.04)) {
                rig.effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
                model.resume();
            }
            if (draw.chance(0.03)) {
                const auto rate = static_cast<float>(draw.uniform(8000.0, 96000.0));
                rig.effect.dispatcher(effSetSampleRate, 0, 0, nullptr, rate);
                model.effectRate = rate;
            }
            // The song stops or starts; it jumps (a relocation while stopped); a host that
            // plays reports the last position again.
            if (draw.chance(0.1)) {
                stopped = !stopped;
            }
            const bool jumped = draw.chance(0.1);
            if (jumped) {
                ppqPos = draw.uniform(-50.0, 5000.0);
                samplePos = draw.uniform(0.0, 1e8);
            }
            const bool reportedAgain = block > 0 && !jumped && (stopped || draw.chance(0.05));
            info.flags = validFlags | (setsPlayingFlag && !stopped ? kVstTransportPlaying : 0);
            if (draw.chance(0.04)) {
                info.tempo = draw.tempo();
            }
            if (draw.chance(0.03)) {
                info.sampleRate = draw.sampleRate();
            }
            if (draw.chance(0.03)) {
                std::tie(info.timeSigNumerator, info.timeSigDenominator) = draw.metre();
            }
            for (int step = 0; step < 32; ++step) {
                model.levels[step] = rig.effect.getParameter(step);
            }

            const double barLength = info.timeSigNumerator * 4.0 / info.timeSigDenominator;
            double reported = ppqPos;
            if (positionError == 1) {
                reported = std::round(ppqPos * 1920.0) / 1920.0;
            } else if (positionError == 2) {
                reported = ppqPos + draw.uniform(-20.0, 20.0) * info.tempo / 60.0 / info.sampleRate;
            } else if (positionError == 3) {
                reported = draw.justBeforeRecentBoundary(info, ppqPos);
            }
            if (!reportedAgain) {
                info.ppqPos = countsSamplesOnly ? 0.0 : reported;
                info.samplePos = samplePos;
                info.barStartPos = barMode == 0 && barLength > 0.0
                                       ? std::floor(reported / barLength) * barLength
                                       : (barMode == 1 ? 0.0 : draw.uniform(-10.0, 10.0));
            }
            rig.host.answersTime = !draw.chance(0.03);

            const int frames =
                draw.chance(0.4) ? draw.blockEndingNearBoundary(info, ppqPos) : draw.blockSize();
            const auto length = static_cast<std::size_t>(frames > 0 ? frames : 0);
            const BufferPlacement place = placeBuffers(draw, length);
            std::vector<float> pool(4 * length + 8);
            fillWithNoise(pool, draw.seed());
            std::vector<float> expected = pool;
            const bool accumulate = draw.chance(0.3);

            float* inputs[2] = {pool.data() + place.in0, pool.data() + place.in1};
            float* outputs[2] = {pool.data() + place.out0, pool.data() + place.out1};
            if (accumulate) {
                rig.effect.process(inputs, outputs, frames);
            } else {
                rig.effect.processReplacing(inputs, outputs, frames);
            }
            model.run(rig.host.answersTime ? &info : nullptr, expected.data() + place.in0,
                      expected.data() + place.in1, expected.data() + place.out0,
                      expected.data() + place.out1, frames, accumulate);
            ASSERT_TRUE(sameBits(pool, expected))
                << "block " << block << " frames " << frames << " layout " << place.layout;
            comparedSamples += static_cast<long>(length);

            // While the song plays, what the host reports next follows the audio.
            const double samplesPerQuarter = info.sampleRate * 60.0 / info.tempo;
            if (!stopped && std::isfinite(samplesPerQuarter) && samplesPerQuarter > 0.0) {
                ppqPos += static_cast<double>(length) / samplesPerQuarter;
            }
            samplePos += stopped ? 0.0 : static_cast<double>(length);
        }
        rampsJoined += model.rampsJoined;
        rampsKept += model.rampsKept;
        blocksHeld += model.blocksHeld;
        blocksCounted += model.blocksCounted;
    }
    EXPECT_GT(comparedSamples, 1000000);
    // Both ways of following on across a boundary between blocks were exercised, and so were
    // songs standing still and positions reported again while playing.
    EXPECT_GT(rampsJoined, 30);
    EXPECT_GT(rampsKept, 30);
    EXPECT_GT(blocksHeld, 200);
    EXPECT_GT(blocksCounted, 30);
}
