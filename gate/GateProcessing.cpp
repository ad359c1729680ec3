// The audio path of the gate: per block, find the step the host's song position falls in;
// then multiply both channels by that step's level, crossing to the next step's level over a
// short linear ramp. The block is cut at step boundaries into a ramp of a few samples, worked
// sample by sample, and a steady run at one gain, which vector code takes. Allocates nothing,
// locks nothing, calls only the host's time query.
#include "gate/OvrinStepveilBase.h"

#include "gate/GainKernels.h"

#include <algorithm>
#include <cfloat>

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

} // namespace

void OvrinStepveilBase::resume() {
    rampIncrement = 0.0f;
    rampLength = 16;
    rampCounter = 1;
    previousStep = -1;
    endStep = -1;
}

void OvrinStepveilBase::process(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<true>(inputs, outputs, sampleFrames);
}

void OvrinStepveilBase::processReplacing(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void OvrinStepveilBase::runGate(float** inputs, float** outputs, int32 sampleFrames) {
    StepPosition start = locateStep(getTimeInfo(gateTimeInfoFilter), stepGrid);
    const bool canWrite = sampleFrames > 0 && buffersUsable(inputs, outputs);
    if (!start.usable) {
        if (!accumulate && canWrite) {
            passThrough(inputs, outputs, sampleFrames);
        }
        // Where the song went meanwhile is unknown.
        endStep = -1;
        return;
    }
    // The first block after a reset starts on the host's step without a ramp.
    if (previousStep == -1) {
        previousStep = start.step;
        rampIncrement = 0.0f;
    }
    if (!canWrite) {
        // An empty block takes no time; a block without buffers breaks the continuity.
        if (sampleFrames > 0) {
            endStep = -1;
        }
        return;
    }
    const int32 samplesPlayed = followOnFromLastBlock(start);

    // The layout is settled once per block, so each sample loop below is built for one.
    const StereoBuffers buffers{inputs[0], inputs[1], outputs[0], outputs[1]};
    switch (layoutOf(buffers, sampleFrames)) {
    case BufferLayout::separate:
        gateSamples<accumulate, BufferLayout::separate>(buffers, start, samplesPlayed,
                                                        sampleFrames);
        break;
    case BufferLayout::inPlace:
        gateSamples<accumulate, BufferLayout::inPlace>(buffers, start, samplesPlayed, sampleFrames);
        break;
    case BufferLayout::overlapping:
        gateSamples<accumulate, BufferLayout::overlapping>(buffers, start, samplesPlayed,
                                                           sampleFrames);
        break;
    }
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
// show up at the next block's start in two misleading ways. Taken literally, both are clicks:
// - the host shows the block already inside the step after the one the last block ended in:
//   the new level would start without a ramp. The crossing is made here, with the ramp
//   starting at the block's first sample, as if the boundary had fallen just there;
// - the host shows the block a fraction of a sample before the boundary the last block has
//   just crossed: the ramp would start again from the old level. The block stays in the step
//   the last block entered and its ramp runs on.
// Both need the last block to have ended near that boundary by its own count; anything else
// (a jump, a loop, a relocation, the first block after resume) is taken as the host reports
// it. Answers the samples of the block's first step played before the block (at most
// rampLength, rampLength when not known).
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
        // once, a smaller click; starting it a few samples late is inaudible.
        previousStep = endStep;
        rampIncrement = rampIncrementBetween(endStep, start.step);
        rampCounter = 1;
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

template <bool accumulate, BufferLayout layout>
void OvrinStepveilBase::gateSamples(const StereoBuffers& buffers, const StepPosition& start,
                                    int32 samplesPlayed, int32 sampleFrames) {
    int32 step = firstStepOfBlock(start);
    int32 samplesLeftInStep = start.samplesLeft;
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

        if (stepRun > 0 && rampCounter < rampLength) {
            // A ramp that starts here and fits in this step, with a sample to spare, goes
            // whole; any other part of a ramp sample by sample.
            if (rampCounter == 1 && rampLength == wholeRampWindow && stepRun >= wholeRampWindow) {
                playWholeRamp<accumulate, layout>(buffers, k, step);
                k += wholeRampWindow;
                stepRun -= wholeRampWindow;
            } else {
                const int32 rampSamples = playRamp<accumulate>(buffers, k, stepRun, step);
                k += rampSamples;
                stepRun -= rampSamples;
            }
        }
        // The steady part, one gain per run of at most longestGainRun samples.
        if (stepRun > 0) {
            steadyRuns(buffers, k, stepRun, liveLevels[static_cast<std::size_t>(step)]);
            k += stepRun;
        }
    }
    endStep = step;
    endStepSamplesLeft = samplesLeftInStep;
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

// Up to `samples` samples of the running ramp from sample k on, each with its own gain. The level
// is read once for the ramp (at most rampLength - 1 samples), as a steady run reads it once per
// run. Answers how many samples it played.
template <bool accumulate>
OvrinStepveilBase::int32 OvrinStepveilBase::playRamp(const StereoBuffers& buffers, int32 k,
                                                     int32 samples, int32 step) {
    const int32 rampSamples = std::min(samples, rampLength - rampCounter);
    const int32 firstTermCount = rampLength - rampCounter;
    const auto increment = static_cast<double>(rampIncrement);
    const auto level = static_cast<double>(levelOf(step));
    for (int32 j = 0; j < rampSamples; ++j) {
        gainSample<accumulate>(buffers, k + j, rampGain(firstTermCount - j, increment, level));
    }
    rampCounter += rampSamples;
    return rampSamples;
}

// A ramp just begun (rampLength - 1 samples, rampLength being wholeRampWindow) and the first
// sample of the steady part after it, with the arithmetic of playRamp and of the steady runs.
// All sixteen gains are worked out side by side and the samples multiplied in vectors rather
// than one after the other; it is the common case, one ramp per step boundary.
template <bool accumulate, BufferLayout layout>
void OvrinStepveilBase::playWholeRamp(const StereoBuffers& buffers, int32 k, int32 step) {
    const auto increment = static_cast<double>(rampIncrement);
    const float levelNow = levelOf(step);
    const auto level = static_cast<double>(levelNow);
    float gains[wholeRampWindow];
    for (int32 j = 0; j < wholeRampWindow - 1; ++j) {
        gains[j] = rampGain(wholeRampWindow - 1 - j, increment, level);
    }
    gains[wholeRampWindow - 1] = steadyGainOf(levelNow);
    gainEnvelope<accumulate, layout, wholeRampWindow>(buffers, k, gains);
    rampCounter = rampLength;
}

// A boundary: the ramp from the level left to the level entered starts here, and the new
// step's length is rounded with the remainder carried from the last one.
void OvrinStepveilBase::enterNextStep(int32& step, int32& samplesLeftInStep, double& remainder,
                                      double stepSamples) {
    previousStep = step;
    step = stepAfter(step);
    rampIncrement = rampIncrementBetween(previousStep, step);
    const double samplesToNextStep = remainder + stepSamples;
    samplesLeftInStep = static_cast<int32>(samplesToNextStep + 0.5);
    remainder = samplesToNextStep - samplesLeftInStep;
    rampCounter = 1;
}

float OvrinStepveilBase::rampIncrementBetween(int32 stepLeft, int32 stepEntered) const {
    return static_cast<float>(
        (static_cast<double>(levelOf(stepLeft)) - static_cast<double>(levelOf(stepEntered))) /
        rampLength);
}
