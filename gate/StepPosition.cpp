#include "gate/StepPosition.h"

#include <cmath>

namespace {

constexpr int stepsPerBar = 32;
constexpr double stepsPerBarInverse = 0.03125;
// A step must stay countable in a 32-bit signed sample counter even after the half-sample
// rounding and the carried remainder are added.
constexpr double countableSampleLimit = 2147483648.0;
// The product position × (1 / step length) can differ from the quotient position / step length
// by a few units in the last place (below 1e-14 for a quotient under 32). A product further
// than this from a whole number has the same whole part as the quotient; nearer, the quotient
// itself decides, so the step is always the one the division gives.
constexpr double stepShortcutMargin = 1e-9;

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

// Works the grid out afresh; the order of evaluation keeps step boundaries on the samples
// where they have always been.
void computeGrid(StepGrid& grid) {
    grid.usable = false;
    if (!isPositiveFinite(grid.sampleRate) || !isPositiveFinite(grid.tempo) ||
        grid.numerator <= 0 || grid.denominator <= 0) {
        return;
    }
    grid.samplesPerQuarter = grid.sampleRate * 60.0 / grid.tempo;
    grid.stepSamples = (grid.samplesPerQuarter * grid.numerator * 4.0 / grid.denominator) * 0.03125;
    grid.barQuarters = grid.numerator * 4.0 / grid.denominator;
    grid.stepQuarters = grid.barQuarters * stepsPerBarInverse;
    grid.stepsPerQuarter = 1.0 / grid.stepQuarters;
    grid.usable = grid.stepSamples > 0.0 && grid.stepSamples + 1.0 < countableSampleLimit;
}

// The grid is kept for the record's own tempo, metre and sample rate (and the effect's rate,
// which stands in for a missing one), so a block whose record repeats them costs five
// comparisons. Equal numbers give the same grid: the only equal doubles that differ, 0.0 and
// -0.0, give none either way, and NaN, equal to nothing, is looked at again every time. The
// grid itself is made with a missing time signature taken as 4/4 and a missing sample rate
// replaced by the effect's own.
void updateGrid(const VstTimeInfo& timeInfo, double effectSampleRate, StepGrid& grid) {
    if (timeInfo.sampleRate == grid.recordSampleRate && timeInfo.tempo == grid.tempo &&
        timeInfo.timeSigNumerator == grid.recordNumerator &&
        timeInfo.timeSigDenominator == grid.recordDenominator &&
        effectSampleRate == grid.effectSampleRate) {
        return;
    }
    grid.recordSampleRate = timeInfo.sampleRate;
    grid.tempo = timeInfo.tempo;
    grid.recordNumerator = timeInfo.timeSigNumerator;
    grid.recordDenominator = timeInfo.timeSigDenominator;
    grid.effectSampleRate = effectSampleRate;
    const bool metreGiven = timeInfo.timeSigNumerator > 0 && timeInfo.timeSigDenominator > 0;
    grid.numerator = metreGiven ? timeInfo.timeSigNumerator : 4;
    grid.denominator = metreGiven ? timeInfo.timeSigDenominator : 4;
    grid.sampleRate =
        isPositiveFinite(timeInfo.sampleRate) ? timeInfo.sampleRate : effectSampleRate;
    computeGrid(grid);
}

// The whole part of positionInBar / stepQuarters, for a position folded into the bar (so the
// quotient lies between 0 and 32).
vst2::int32 stepInBar(double positionInBar, const StepGrid& grid) {
    const double approximateSteps = positionInBar * grid.stepsPerQuarter;
    const auto step = static_cast<vst2::int32>(approximateSteps);
    const double fraction = approximateSteps - step;
    if (fraction > stepShortcutMargin && fraction < 1.0 - stepShortcutMargin) {
        return step;
    }
    return static_cast<vst2::int32>(positionInBar / grid.stepQuarters);
}

} // namespace

StepPosition locateStep(const VstTimeInfo* timeInfo, StepGrid& grid, double effectSampleRate) {
    StepPosition position;
    if (timeInfo == nullptr) {
        return position;
    }
    updateGrid(*timeInfo, effectSampleRate, grid);
    if (!grid.usable) {
        return position;
    }

    double positionInBar = 0.0;
    if (hostLeftPositionUnset(*timeInfo)) {
        // Bars are then counted from the start of the song; folding finds the bar.
        positionInBar = timeInfo->samplePos / grid.samplesPerQuarter;
        position.songPosition = positionInBar;
    } else {
        positionInBar = timeInfo->ppqPos - timeInfo->barStartPos;
        position.songPosition = timeInfo->ppqPos;
    }
    if (!std::isfinite(positionInBar)) {
        return position;
    }
    positionInBar = foldIntoBar(positionInBar, grid.barQuarters);

    // The step length is an exact 32nd of the bar, so the quotient stays below 32; the clamp
    // keeps the index among the 32 levels whatever the rounding.
    vst2::int32 step = stepInBar(positionInBar, grid);
    if (step > stepsPerBar - 1) {
        step = stepsPerBar - 1;
    }
    const double samplesToNextStep =
        grid.stepSamples - (positionInBar - step * grid.stepQuarters) * grid.samplesPerQuarter;
    const auto wholeSamples = static_cast<vst2::int32>(samplesToNextStep + 0.5);

    position.usable = true;
    position.step = step;
    position.samplesLeft = wholeSamples;
    position.samplesToNextStep = samplesToNextStep;
    position.remainder = samplesToNextStep - wholeSamples;
    position.stepSamples = grid.stepSamples;
    position.samplesPerQuarter = grid.samplesPerQuarter;
    position.playing = (timeInfo->flags & kVstTransportPlaying) != 0;
    return position;
}
