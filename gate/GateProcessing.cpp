// The audio path of the gate: per block, find the step the host's song position falls in;
// then multiply both channels by that step's level, crossing to the next step's level over a
// short linear ramp. The block is cut at step boundaries into a ramp of a few samples, worked
// sample by sample, and a steady run at one gain, which vector code takes. Allocates nothing,
// locks nothing, calls only the host's time query.
#include "gate/OvrinStepveilBase.h"

#include "gate/GainKernels.h"

#include <algorithm>

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

} // namespace

void OvrinStepveilBase::resume() {
    rampIncrement = 0.0f;
    rampLength = 16;
    rampCounter = 1;
    previousStep = -1;
}

void OvrinStepveilBase::process(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<true>(inputs, outputs, sampleFrames);
}

void OvrinStepveilBase::processReplacing(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<false>(inputs, outputs, sampleFrames);
}

template <bool accumulate>
void OvrinStepveilBase::runGate(float** inputs, float** outputs, int32 sampleFrames) {
    const StepPosition start = locateStep(getTimeInfo(gateTimeInfoFilter));
    const bool canWrite = sampleFrames > 0 && buffersUsable(inputs, outputs);
    if (!start.usable) {
        if (!accumulate && canWrite) {
            passThrough(inputs, outputs, sampleFrames);
        }
        return;
    }
    // The first block after a reset starts on the host's step without a ramp.
    if (previousStep == -1) {
        previousStep = start.step;
        rampIncrement = 0.0f;
    }
    if (!canWrite) {
        return;
    }

    // The layout is settled once per block, so each sample loop below is built for one.
    const StereoBuffers buffers{inputs[0], inputs[1], outputs[0], outputs[1]};
    switch (classifyBuffers(buffers, sampleFrames)) {
    case BufferLayout::separate:
        gateSamples<accumulate, BufferLayout::separate>(buffers, start, sampleFrames);
        break;
    case BufferLayout::inPlace:
        gateSamples<accumulate, BufferLayout::inPlace>(buffers, start, sampleFrames);
        break;
    case BufferLayout::overlapping:
        gateSamples<accumulate, BufferLayout::overlapping>(buffers, start, sampleFrames);
        break;
    }
}

template <bool accumulate, BufferLayout layout>
void OvrinStepveilBase::gateSamples(const StereoBuffers& buffers, const StepPosition& start,
                                    int32 sampleFrames) {
    int32 step = start.step;
    int32 samplesLeftInStep = start.samplesLeft;
    double remainder = start.remainder;
    int32 k = 0;
    while (k < sampleFrames) {
        if (samplesLeftInStep <= 0) {
            enterNextStep(step, samplesLeftInStep, remainder, start.stepSamples);
        }
        // A step rounded to no samples still plays the sample it begins on.
        int32 stepRun = std::min(sampleFrames - k, std::max(samplesLeftInStep, 1));
        samplesLeftInStep -= stepRun;

        // The ramp: at most rampLength - 1 samples, each with its own gain.
        for (; stepRun > 0 && rampCounter < rampLength; --stepRun, ++k) {
            const double rampTerm =
                static_cast<double>(rampLength - rampCounter) * static_cast<double>(rampIncrement);
            ++rampCounter;
            const auto gain = static_cast<float>(rampTerm + static_cast<double>(levelOf(step)));
            gainSample<accumulate>(buffers, k, gain);
        }
        // The steady part, one gain per run. The level is read again at least every
        // longestGainRun samples, so a change from another thread is heard within that.
        for (; stepRun >= longestGainRun; stepRun -= longestGainRun, k += longestGainRun) {
            gainLongestRun<accumulate, layout>(buffers, k, steadyGain(step));
        }
        if (stepRun > 0) {
            gainRun<accumulate, layout>(buffers, k, stepRun, steadyGain(step));
            k += stepRun;
        }
    }
}

// A boundary: the ramp from the level left to the level entered starts here, and the new
// step's length is rounded with the remainder carried from the last one.
void OvrinStepveilBase::enterNextStep(int32& step, int32& samplesLeftInStep, double& remainder,
                                      double stepSamples) {
    previousStep = step;
    step = step == numSteps - 1 ? 0 : step + 1;
    rampIncrement = static_cast<float>(
        (static_cast<double>(levelOf(previousStep)) - static_cast<double>(levelOf(step))) /
        rampLength);
    const double samplesToNextStep = remainder + stepSamples;
    samplesLeftInStep = static_cast<int32>(samplesToNextStep + 0.5);
    remainder = samplesToNextStep - samplesLeftInStep;
    rampCounter = 1;
}
