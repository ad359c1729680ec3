// The audio path of the gate: per block, find the step the host's song position falls in;
// per sample, multiply both channels by that step's level, crossing to the next step's level
// over a short linear ramp. Allocates nothing, locks nothing, calls only the host's time query.
#include "gate/OvrinStepveilBase.h"

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
    runGate<OutputMode::accumulate>(inputs, outputs, sampleFrames);
}

void OvrinStepveilBase::processReplacing(float** inputs, float** outputs, int32 sampleFrames) {
    runGate<OutputMode::replace>(inputs, outputs, sampleFrames);
}

template <OvrinStepveilBase::OutputMode mode>
void OvrinStepveilBase::runGate(float** inputs, float** outputs, int32 sampleFrames) {
    const StepPosition start = locateStep(getTimeInfo(gateTimeInfoFilter));
    const bool canWrite = sampleFrames > 0 && buffersUsable(inputs, outputs);
    if (!start.usable) {
        if (mode == OutputMode::replace && canWrite) {
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

    int32 step = start.step;
    int32 samplesLeftInStep = start.samplesLeft;
    double remainder = start.remainder;
    for (int32 k = 0; k < sampleFrames; ++k) {
        if (samplesLeftInStep <= 0) {
            previousStep = step;
            step = step == numSteps - 1 ? 0 : step + 1;
            const double levelLeft =
                liveLevels[static_cast<std::size_t>(previousStep)].load(std::memory_order_relaxed);
            const double levelEntered =
                liveLevels[static_cast<std::size_t>(step)].load(std::memory_order_relaxed);
            rampIncrement = static_cast<float>((levelLeft - levelEntered) / rampLength);
            const double samplesToNextStep = remainder + start.stepSamples;
            samplesLeftInStep = static_cast<int32>(samplesToNextStep + 0.5);
            remainder = samplesToNextStep - samplesLeftInStep;
            rampCounter = 1;
        }
        double rampTerm = 0.0;
        if (rampCounter < rampLength) {
            rampTerm = static_cast<double>(rampLength - rampCounter) * static_cast<double>(rampIncrement);
            ++rampCounter;
        }
        const float level =
            liveLevels[static_cast<std::size_t>(step)].load(std::memory_order_relaxed);
        const auto gain = static_cast<float>(rampTerm + static_cast<double>(level));
        if (mode == OutputMode::replace) {
            outputs[0][k] = gain * inputs[0][k];
            outputs[1][k] = gain * inputs[1][k];
        } else {
            outputs[0][k] += gain * inputs[0][k];
            outputs[1][k] += gain * inputs[1][k];
        }
        --samplesLeftInStep;
    }
}
