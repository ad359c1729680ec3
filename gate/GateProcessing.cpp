// The audio path of the gate: per block, find the step the host's song position falls in;
// then multiply both channels by that step's level, crossing to the next step's level over a
// short linear ramp. Every other change of gain (a level changed, the song jumped, looped,
// stopped or started) takes the same ramp from the gain last played, so the gain never jumps.
// The block is cut at step boundaries into a ramp of a few samples, worked sample by sample,
// and a steady run at one gain, which vector code takes. Allocates nothing, locks nothing,
// calls only the host's time query.
#include "gate/OvrinStepveilBase.h"

#include "gate/GainKernels.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

// The gate's output is the same bits on every system it is built for only while each double
// and float operation is rounded to its own type, as SSE2 arithmetic does. Arithmetic that
// keeps intermediate results wider (the x87 unit of 32-bit x86, unless the build selects SSE2
// math) would move ramp gains and step boundaries by a last bit.
static_assert(FLT_EVAL_METHOD == 0, "build the gate with SSE2 arithmetic (-msse2 -mfpmath=sse)");

namespace {

bool buffersUsable(float** inputs, float** outputs) {
    return inputs != nullptr && outputs != nullptr && inputs[0] != nullptr &&
           inputs[1] != nullptr && outputs[0] != nullptr && outputs[1] != nullptr;
}

// Without usable time information the gate stands open: the host hears the dry signal rather
// than whatever its output buffers held before.
void passThrough(float** inputs, float** outputs, vst2::int32 sampleFrames) {
    for (vst2::int32 k = 0; k < sampleFrames; ++k) {
        outputs[0][k] = inputs[0][k];
        outputs[1][k] = inputs[1][k];
    }
}

// A count of samples that only matters up to `cap`, so it never overflows.
vst2::int32 cappedSum(vst2::int32 count, vst2::int32 added, vst2::int32 cap) {
    return added >= cap - count ? cap : count + added;
}

// The gain of a ramp sample that lies termCount steps of the increment above the level: the
// ramp term in double, added to the level, rounded to float.
inline float rampGain(vst2::int32 termCount, double increment, double level) {
    return static_cast<float>(static_cast<double>(termCount) * increment + level);
}

// A whole ramp of the gate's own length and the first steady sample after it: a fixed count
// of samples, which vector code takes in one go.
constexpr vst2::int32 wholeRampWindow = 16;

// A step whose count would not fit a 32-bit sample counter once rounded.
constexpr double countableSampleLimit = 2147483648.0;

constexpr double noPosition = std::numeric_limits<double>::quiet_NaN();

} // namespace

void OvrinStepveilBase::resume() {
    rampIncrement = 0.0f;
    rampLength = 16;
    rampCounter = 1;
    previousStep = -1;
    playedSinceResume = false;
    endStep = -1;
    lastSongPosition = noPosition;
}

void OvrinStepveilBase::process(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<true>(inputs, outputs, sampleFrames);
}

void OvrinStepveilBase::processReplacing(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void OvrinStepveilBase::runGate(float** inputs, float** outputs, int32 sampleFrames) {
    StepPosition start =
        locateStep(getTimeInfo(gateTimeInfoFilter), stepGrid, static_cast<double>(sampleRate));
    const bool canWrite = sampleFrames > 0 && buffersUsable(inputs, outputs);
    if (!start.usable) {
        if (canWrite) {
            if (!accumulate) {
                passThrough(inputs, outputs, sampleFrames);
            }
            // The gain heard: the dry signal, or nothing added. Gating starts again from it.
            holdGain(accumulate ? 0.0f : 1.0f);
            playedSinceResume = true;
        }
        // Where the song went meanwhile is unknown.
        endStep = -1;
        lastSongPosition = noPosition;
        return;
    }
    if (sampleFrames <= 0) {
        // An empty block takes no time.
        return;
    }
    const SongMotion motion = songMotionAt(start, sampleFrames);
    if (!canWrite) {
        // A block without buffers breaks the continuity.
        endStep = -1;
        return;
    }
    // The first block after a reset starts on the host's step at its level, without a ramp:
    // there is no gain played yet to start one from.
    if (!playedSinceResume) {
        previousStep = start.step;
        rampIncrement = 0.0f;
        holdGain(steadyGainOf(levelOf(start.step)));
        playedSinceResume = true;
    }
    int32 samplesPlayed = rampLength;
    if (motion == SongMotion::repeatedWhilePlaying) {
        start = ownCountFrom(start);
        samplesPlayed = endStepSamplesPlayed;
    } else if (motion == SongMotion::moving) {
        samplesPlayed = followOnFromLastBlock(start);
    }
    const bool songStands = motion == SongMotion::standing;

    // The layout is settled once per block, so each sample loop below is built for one.
    const StereoBuffers buffers{inputs[0], inputs[1], outputs[0], outputs[1]};
    switch (layoutOf(buffers, sampleFrames)) {
    case BufferLayout::separate:
        gateSamples<accumulate, BufferLayout::separate>(buffers, start, samplesPlayed, sampleFrames,
                                                        songStands);
        break;
    case BufferLayout::inPlace:
        gateSamples<accumulate, BufferLayout::inPlace>(buffers, start, samplesPlayed, sampleFrames,
                                                       songStands);
        break;
    case BufferLayout::overlapping:
        gateSamples<accumulate, BufferLayout::overlapping>(buffers, start, samplesPlayed,
                                                           sampleFrames, songStands);
        break;
    }
}

// Whether the song stands still, moves, or is reported at the same place again by a host that
// says it plays. Hosts go on calling the audio path while their song is stopped, with the
// playing flag clear and the position of the last block (or, right after the stop or a
// relocation, a new one); a gate that played its pattern from there would jump back at every
// block start, a buzz at the block rate. So a host that has shown the playing flag is taken
// at its word: flag clear, the song stands. A host never seen to set it, but seen to move on
// by its blocks with the flag clear, plays without it: its song stands only while it repeats
// the last block's position. Until either is known, a clear flag means standing. A host that
// repeats its position while it says it plays has the gate go on by its own count rather
// than freeze the pattern.
OvrinStepveilBase::SongMotion OvrinStepveilBase::songMotionAt(const StepPosition& start,
                                                              int32 sampleFrames) {
    const bool repeated = start.songPosition == lastSongPosition;
    if (start.playing) {
        transportHabit = TransportHabit::reportsPlaying;
    } else if (transportHabit == TransportHabit::unknown && movedOnByLastBlock(start)) {
        transportHabit = TransportHabit::playsWithoutFlag;
    }
    lastSongPosition = start.songPosition;
    lastBlockFrames = sampleFrames;
    if (start.playing) {
        return repeated && endStep != -1 ? SongMotion::repeatedWhilePlaying : SongMotion::moving;
    }
    if (transportHabit == TransportHabit::playsWithoutFlag && !repeated) {
        return SongMotion::moving;
    }
    return SongMotion::standing;
}

// The host's position lies where the last block's length took the song, within a ramp's
// length (hosts that round their position are a few samples off).
bool OvrinStepveilBase::movedOnByLastBlock(const StepPosition& start) const {
    const double samplesMoved = (start.songPosition - lastSongPosition) * start.samplesPerQuarter;
    return std::fabs(samplesMoved - lastBlockFrames) <= rampLength;
}

// Where the gate's own count says the block starts: where the last block ended.
StepPosition OvrinStepveilBase::ownCountFrom(const StepPosition& start) const {
    StepPosition own = start;
    own.step = endStep;
    own.samplesLeft = endStepSamplesLeft;
    own.remainder = endStepRemainder;
    own.samplesToNextStep = endStepSamplesLeft + endStepRemainder;
    return own;
}

BufferLayout OvrinStepveilBase::layoutOf(const StereoBuffers& buffers, int32 sampleFrames) {
    const std::array<const float*, 4> pointers{buffers.in0, buffers.in1, buffers.out0,
                                               buffers.out1};
    if (pointers != layoutPointers || sampleFrames != layoutFrames) {
        lastLayout = classifyBuffers(buffers, sampleFrames);
        layoutPointers = pointers;
        layoutFrames = sampleFrames;
    }
    return lastLayout;
}

// Hosts may round the song position they report (one host to 1/1920 of a quarter note, up to
// several samples), so a step boundary that falls between two blocks of continuous playback can
// show up at the next block's start in two misleading ways:
// - the host shows the block already inside the step after the one the last block ended in:
//   the crossing is made here, with the ramp starting at the block's first sample, as if the
//   boundary had fallen just there;
// - the host shows the block a fraction of a sample before the boundary the last block has
//   just crossed: the ramp would start again towards the old level. The block stays in the
//   step the last block entered and its ramp runs on.
// Both need the last block to have ended near that boundary by its own count; anything else
// (a jump, a loop, a relocation, the first block after resume) is taken as the host reports
// it, and the step's level is reached from the gain last played by a ramp. Answers the samples
// of the block's first step played before the block (at most rampLength, rampLength when not
// known).
OvrinStepveilBase::int32 OvrinStepveilBase::followOnFromLastBlock(StepPosition& start) {
    if (endStep == -1) {
        return rampLength;
    }
    if (start.step == endStep) {
        return endStepSamplesPlayed;
    }
    const double samplesIntoStep = start.stepSamples - start.samplesToNextStep;
    if (start.step == stepAfter(endStep) && endStepSamplesLeft <= rampLength &&
        samplesIntoStep > -0.5 && samplesIntoStep < rampLength + 0.5) {
        // The ramp starts at the block's first sample rather than where the host's position
        // says it would stand: joining it midway would jump by several steps of the ramp at
        // once; starting it a few samples late is inaudible.
        previousStep = endStep;
        return 0;
    }
    const double samplesToStepAfterNext = start.samplesToNextStep + start.stepSamples;
    if (stepAfter(start.step) == endStep && start.samplesToNextStep < 1.0 &&
        endStepSamplesPlayed < rampLength && samplesToStepAfterNext + 0.5 < countableSampleLimit) {
        start.step = endStep;
        start.samplesToNextStep = samplesToStepAfterNext;
        start.samplesLeft = static_cast<int32>(samplesToStepAfterNext + 0.5);
        start.remainder = samplesToStepAfterNext - start.samplesLeft;
        return endStepSamplesPlayed;
    }
    return rampLength;
}

// Plays the block from `start`: at step boundaries, and wherever the level of the step being
// played differs from the level the gate plays towards, a ramp from the gain last played
// begins. While the song stands the whole block stays in the step it stands in.
template <bool accumulate, BufferLayout layout>
void OvrinStepveilBase::gateSamples(const StereoBuffers& buffers, const StepPosition& start,
                                    int32 samplesPlayed, int32 sampleFrames, bool songStands) {
    int32 step = firstStepOfBlock(start);
    int32 samplesLeftInStep = songStands ? sampleFrames : start.samplesLeft;
    double remainder = start.remainder;
    // Where the block's last boundary fell; -1 while it has crossed none.
    int32 lastBoundary = -1;
    const SteadyRunsKernel steadyRuns = steadyRunsKernel<accumulate, layout>(kernelWidth);
    int32 k = 0;
    while (k < sampleFrames) {
        if (samplesLeftInStep <= 0) {
            enterNextStep(step, samplesLeftInStep, remainder, start.stepSamples);
            lastBoundary = k;
        }
        // A step rounded to no samples still plays the sample it begins on.
        int32 stepRun = std::min(sampleFrames - k, std::max(samplesLeftInStep, 1));
        samplesLeftInStep -= stepRun;
        const std::atomic<float>& level = liveLevels[static_cast<std::size_t>(step)];
        while (stepRun > 0) {
            const float levelNow = level.load(std::memory_order_relaxed);
            if (levelNow != rampTarget) {
                rampTowards(levelNow);
            }
            if (rampCounter < rampLength) {
                const int32 rampSamples = playRampPart<accumulate, layout>(buffers, k, stepRun);
                k += rampSamples;
                stepRun -= rampSamples;
            }
            // The steady part, one gain per run of at most longestGainRun samples, until the
            // level moves away from the one arrived at.
            if (stepRun > 0) {
                const int32 steadySamples = steadyRuns(buffers, k, stepRun, level, rampTarget);
                if (steadySamples > 0) {
                    lastGain = steadyGainOf(rampTarget);
                }
                k += steadySamples;
                stepRun -= steadySamples;
                if (stepRun > 0) {
                    rampTowards(level.load(std::memory_order_relaxed));
                }
            }
        }
    }
    if (songStands) {
        // The song did not move: the next block starts where this one did.
        endStep = start.step;
        endStepSamplesLeft = start.samplesLeft;
        endStepRemainder = start.remainder;
        endStepSamplesPlayed = rampLength;
        return;
    }
    endStep = step;
    endStepSamplesLeft = samplesLeftInStep;
    endStepRemainder = remainder;
    endStepSamplesPlayed = lastBoundary == -1 ? cappedSum(samplesPlayed, sampleFrames, rampLength)
                                              : std::min(sampleFrames - lastBoundary, rampLength);
}

// The step the block starts in. When the host's position puts the block in the step the last
// block ended in (the usual case while a song plays), the gate's own copy of that step is
// taken: the same number, but one the processor has at hand, so the level and with it the
// block's samples need not wait for the host's position to be worked out; the processor
// only has to confirm the comparison. The copy is read as volatile so that the compiler
// keeps the read and does not substitute the equal number it has just compared.
OvrinStepveilBase::int32 OvrinStepveilBase::firstStepOfBlock(const StepPosition& start) const {
    if (start.step == endStep) {
        return *static_cast<const volatile int32*>(&endStep);
    }
    return start.step;
}

// As much of the running ramp as fits in `samples`: a ramp that starts here with room for it
// and one more sample (the usual case, one per boundary) goes whole; any other part sample by
// sample. Answers the samples played.
template <bool accumulate, BufferLayout layout>
OvrinStepveilBase::int32 OvrinStepveilBase::playRampPart(const StereoBuffers& buffers, int32 k,
                                                         int32 samples) {
    if (rampCounter == 1 && rampLength == wholeRampWindow && samples >= wholeRampWindow) {
        playWholeRamp<accumulate, layout>(buffers, k);
        return wholeRampWindow;
    }
    return playRamp<accumulate>(buffers, k, samples);
}

// Up to `samples` samples of the running ramp from sample k on, each with its own gain. Answers
// how many samples it played.
template <bool accumulate>
OvrinStepveilBase::int32 OvrinStepveilBase::playRamp(const StereoBuffers& buffers, int32 k,
                                                     int32 samples) {
    const int32 rampSamples = std::min(samples, rampLength - rampCounter);
    const int32 firstTermCount = rampLength - rampCounter;
    const auto increment = static_cast<double>(rampIncrement);
    const auto target = static_cast<double>(rampTarget);
    float gain = lastGain;
    for (int32 j = 0; j < rampSamples; ++j) {
        gain = rampGain(firstTermCount - j, increment, target);
        gainSample<accumulate>(buffers, k + j, gain);
    }
    lastGain = gain;
    rampCounter += rampSamples;
    return rampSamples;
}

// A ramp just begun (rampLength - 1 samples, rampLength being wholeRampWindow) and the first
// sample of the steady part after it, with the arithmetic of playRamp and of the steady runs.
// All sixteen gains are worked out side by side and the samples multiplied in vectors rather
// than one after the other; it is the common case, one ramp per step boundary.
template <bool accumulate, BufferLayout layout>
void OvrinStepveilBase::playWholeRamp(const StereoBuffers& buffers, int32 k) {
    const auto increment = static_cast<double>(rampIncrement);
    const auto target = static_cast<double>(rampTarget);
    float gains[wholeRampWindow];
    for (int32 j = 0; j < wholeRampWindow - 1; ++j) {
        gains[j] = rampGain(wholeRampWindow - 1 - j, increment, target);
    }
    gains[wholeRampWindow - 1] = steadyGainOf(rampTarget);
    gainEnvelope<accumulate, layout, wholeRampWindow>(buffers, k, gains);
    lastGain = gains[wholeRampWindow - 1];
    rampCounter = rampLength;
}

// A boundary: the new step's length is rounded with the remainder carried from the last one.
// The ramp to the new step's level starts where its level is first read, at once.
void OvrinStepveilBase::enterNextStep(int32& step, int32& samplesLeftInStep, double& remainder,
                                      double stepSamples) {
    previousStep = step;
    step = stepAfter(step);
    const double samplesToNextStep = remainder + stepSamples;
    samplesLeftInStep = static_cast<int32>(samplesToNextStep + 0.5);
    remainder = samplesToNextStep - samplesLeftInStep;
}

// At an ordinary boundary with no ramp running, the gain last played is the level of the step
// left, so the increment is (level left - level entered) / rampLength as it always was; from
// anywhere else the ramp's gains stay between its two ends, which are both gains the gate
// can play, and every step of it is at most 1/rampLength of the change.
void OvrinStepveilBase::rampTowards(float level) {
    rampTarget = level;
    rampIncrement = static_cast<float>(
        (static_cast<double>(lastGain) - static_cast<double>(level)) / rampLength);
    rampCounter = 1;
}

void OvrinStepveilBase::holdGain(float gain) {
    rampTarget = gain;
    lastGain = gain;
    rampCounter = rampLength;
}
