#include "lv2/SongPosition.h"

#include <cmath>

namespace stepveil::lv2 {

namespace {

// A report this close to the counted position (in quarter notes) confirms it: hosts send
// barBeat in single precision, some round it to their ticks (1/1920 of a beat and coarser).
constexpr double confirmingDistance = 1e-3;
// A bar start this close below the position (in bars) counts as passed, as in hosts that keep
// the position as a sum of block lengths.
constexpr double barLineTolerance = 1e-9;
// Limits beyond which a report's metre or tempo is not taken.
constexpr double largestBeatUnit = 256.0;
constexpr double largestMetreDenominator = 1024.0;
constexpr double largestBeatsPerBar = 1024.0;

bool isWhole(double value) {
    return std::floor(value) == value;
}

} // namespace

SongPosition::SongPosition(double rate) : sampleRate(rate) {}

double SongPosition::barLengthInQuarters() const {
    return static_cast<double>(numerator) * 4.0 / static_cast<double>(denominator);
}

// Takes the tempo, speed and metre a report gives, where they are usable; answers whether the
// metre changed (the host's bar numbering then has to be taken as it is).
bool SongPosition::takeTempoAndMetre(const PositionReport& report) {
    if (report.beatsPerMinute && std::isfinite(*report.beatsPerMinute) &&
        *report.beatsPerMinute > 0.0 && *report.beatsPerMinute != beatsPerMinute) {
        beatsPerMinute = *report.beatsPerMinute;
        changed = true;
    }
    if (report.speed && std::isfinite(*report.speed) && *report.speed != currentSpeed) {
        currentSpeed = *report.speed;
        changed = true;
    }
    double beats = report.beatsPerBar.value_or(static_cast<double>(numerator) * hostBeatUnit /
                                               static_cast<double>(denominator));
    double unit = report.beatUnit.value_or(hostBeatUnit);
    if (!std::isfinite(beats) || !(beats > 0.0) || beats > largestBeatsPerBar ||
        !std::isfinite(unit) || !(unit >= 1.0) || unit > largestBeatUnit || !isWhole(unit)) {
        return false;
    }
    // A metre of 3.5 beats of a quarter is 7/8: the record's numerator is a whole number.
    const double hostUnit = unit;
    while (!isWhole(beats) && unit < largestMetreDenominator) {
        beats *= 2.0;
        unit *= 2.0;
    }
    if (!isWhole(beats)) {
        return false;
    }
    const auto newNumerator = static_cast<std::int32_t>(beats);
    const auto newDenominator = static_cast<std::int32_t>(unit);
    hostBeatUnit = hostUnit;
    if (newNumerator == numerator && newDenominator == denominator) {
        return false;
    }
    numerator = newNumerator;
    denominator = newDenominator;
    changed = true;
    return true;
}

// The song position a report names, in quarter notes from bar 0: from its bar and beat, else
// from its beat count, else from its frame at the song's tempo; none when it names none.
std::optional<double> SongPosition::reportedQuarters(const PositionReport& report) const {
    const double quartersPerBeat = 4.0 / hostBeatUnit;
    std::optional<double> position;
    if (report.bar && report.barBeat) {
        position = *report.bar * barLengthInQuarters() + *report.barBeat * quartersPerBeat;
    } else if (report.beat) {
        position = *report.beat * quartersPerBeat;
    } else if (report.frame) {
        position = *report.frame / sampleRate * beatsPerMinute / 60.0;
    }
    if (position && !std::isfinite(*position)) {
        return std::nullopt;
    }
    return position;
}

// The count stands when the report has the song where it is counted: the same frame, and the
// same place within rounding, or (from a host that reports whole beats) inside the beat named.
bool SongPosition::confirmsCount(const PositionReport& report, double reported) const {
    if (!positionKnown || (report.frame && *report.frame != framePosition)) {
        return false;
    }
    if (std::fabs(reported - quarters) <= confirmingDistance) {
        return true;
    }
    if (!report.bar || !report.barBeat || !isWhole(*report.barBeat)) {
        return false;
    }
    const double quartersPerBeat = 4.0 / hostBeatUnit;
    const double beatStart = reported;
    return quarters >= beatStart && quarters < beatStart + quartersPerBeat;
}

void SongPosition::take(const PositionReport& report) {
    const bool metreChanged = takeTempoAndMetre(report);
    const std::optional<double> reported = reportedQuarters(report);
    if (!reported) {
        // Frames without a position in them: nothing to place the song by.
        return;
    }
    if (!metreChanged && confirmsCount(report, *reported)) {
        return;
    }
    quarters = *reported;
    if (report.frame && std::isfinite(*report.frame)) {
        framePosition = *report.frame;
    } else {
        framePosition = quarters * 60.0 / beatsPerMinute * sampleRate;
    }
    positionKnown = true;
    changed = true;
}

void SongPosition::advance(std::int32_t frames) {
    if (currentSpeed == 0.0 || frames <= 0) {
        return;
    }
    const double span = static_cast<double>(frames);
    quarters += span / sampleRate * (beatsPerMinute * currentSpeed) / 60.0;
    framePosition += span * currentSpeed;
}

void SongPosition::fill(VstTimeInfo& info) {
    const double barLength = barLengthInQuarters();
    info = VstTimeInfo{};
    info.samplePos = framePosition;
    info.sampleRate = sampleRate;
    info.ppqPos = quarters;
    // The tempo at which the song passes the audio: a host's varispeed scales it.
    info.tempo = currentSpeed == 0.0 ? beatsPerMinute : beatsPerMinute * std::fabs(currentSpeed);
    info.barStartPos = std::floor(quarters / barLength + barLineTolerance) * barLength;
    info.timeSigNumerator = numerator;
    info.timeSigDenominator = denominator;
    info.flags = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    if (playing()) {
        info.flags |= kVstTransportPlaying;
    }
    if (changed) {
        info.flags |= kVstTransportChanged;
        changed = false;
    }
}

} // namespace stepveil::lv2
