#include "gate/StepPosition.h"

#include <cmath>

namespace {

constexpr int stepsPerBar = 32;
constexpr double stepsPerBarInverse = 0.03125;
// A step must stay countable in a 32-bit signed sample counter even after the half-sample
// rounding and the carried remainder are added.
constexpr double countableSampleLimit = 2147483648.0;

bool isPositiveFinite(double value) {
    return std::isfinite(value) && value > 0.0;
}

// Some hosts answer with a running samplePos and a tempo but leave ppqPos at 0 without
// marking it valid; taken literally the gate would sit on step 1 for ever.
bool hostLeftPositionUnset(const VstTimeInfo& timeInfo) {
    return (timeInfo.flags & kVstPpqPosValid) == 0 && timeInfo.ppqPos == 0.0 &&
           timeInfo.samplePos > 0.0;
}

// Brings a position that lies before the bar or past its end into the bar, so that the step
// always indexes one of the 32 levels and the pattern repeats every bar. fmod is exact.
double foldIntoBar(double position, double barQuarters) {
    if (position >= 0.0 && position < barQuarters) {
        return position;
    }
    double folded = std::fmod(position, barQuarters);
    if (folded < 0.0) {
        folded += barQuarters;
    }
    // A tiny negative remainder plus a whole bar can round up to the bar's end.
    if (folded >= barQuarters) {
        folded = 0.0;
    }
    return folded;
}

} // namespace

StepPosition locateStep(const VstTimeInfo* timeInfo) {
    StepPosition position;
    if (timeInfo == nullptr) {
        return position;
    }
    const double sampleRate = timeInfo->sampleRate;
    const double tempo = timeInfo->tempo;
    const vst2::int32 numerator = timeInfo->timeSigNumerator;
    const vst2::int32 denominator = timeInfo->timeSigDenominator;
    if (!isPositiveFinite(sampleRate) || !isPositiveFinite(tempo) || numerator <= 0 ||
        denominator <= 0) {
        return position;
    }

    const double samplesPerQuarter = sampleRate * 60.0 / tempo;
    // Evaluated in this order so step boundaries land on the same samples as they always have.
    const double stepSamples = (samplesPerQuarter * numerator * 4.0 / denominator) * 0.03125;
    if (!(stepSamples > 0.0 && stepSamples + 1.0 < countableSampleLimit)) {
        return position;
    }

    double positionInBar = 0.0;
    if (hostLeftPositionUnset(*timeInfo)) {
        // Bars are then counted from the start of the song; folding finds the bar.
        positionInBar = timeInfo->samplePos / samplesPerQuarter;
    } else {
        positionInBar = timeInfo->ppqPos - timeInfo->barStartPos;
    }
    if (!std::isfinite(positionInBar)) {
        return position;
    }

    const double barQuarters = numerator * 4.0 / denominator;
    const double stepQuarters = barQuarters * stepsPerBarInverse;
    positionInBar = foldIntoBar(positionInBar, barQuarters);

    // The step length is an exact 32nd of the bar, so the quotient stays below 32; the clamp
    // keeps the index among the 32 levels whatever the rounding.
    vst2::int32 step = static_cast<vst2::int32>(positionInBar / stepQuarters);
    if (step > stepsPerBar - 1) {
        step = stepsPerBar - 1;
    }
    const double samplesToNextStep =
        stepSamples - (positionInBar - step * stepQuarters) * samplesPerQuarter;
    const auto wholeSamples = static_cast<vst2::int32>(samplesToNextStep + 0.5);

    position.usable = true;
    position.step = step;
    position.samplesLeft = wholeSamples;
    position.samplesToNextStep = samplesToNextStep;
    position.remainder = samplesToNextStep - wholeSamples;
    position.stepSamples = stepSamples;
    return position;
}
