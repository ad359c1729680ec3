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
// A position this far inside a bar (in bars) is in it whatever the rounding of the division.
constexpr double barStartMargin = 1e-7;
// Limits beyond which a report's metre or tempo is not taken.
constexpr double largestBeatUnit = 256.0;
constexpr double largestMetreDenominator = 1024.0;
constexpr double largestBeatsPerBar = 1024.0;

bool isWhole(double value) {
    return std::floor(value) == value;
}

} // namespace

SongPosition::SongPosition(double rate) : sampleRate(rate) {}

double SongPosition::barLengthOf(std::int32_t beats, std::int32_t unit) {
    return static_cast<double>(beats) * 4.0 / static_cast<double>(unit);
}

// Takes the tempo, speed and metre a report gives, where they are usable; answers whether the
// metre changed (the host's bar numbering then has to be taken as it is).
bool SongPosition::takeTempoAndMetre(const PositionReport& report) {
    using Field = PositionReport::Field;
    if (report.has(Field::beatsPerMinute)) {
        const double tempo = report[Field::beatsPerMinute];
        if (tempo != beatsPerMinute && std::isfinite(tempo) && tempo > 0.0) {
            beatsPerMinute = tempo;
            changed = true;
        }
    }
    if (report.has(Field::speed)) {
        const double speed = report[Field::speed];
        if (speed != currentSpeed && std::isfinite(speed)) {
            currentSpeed = speed;
            changed = true;
        }
    }
    // Most reports repeat the metre they gave last time (a field given as not a number never
    // counts as repeated).
    constexpr std::uint32_t metreFields =
        PositionReport::bit(Field::beatsPerBar) | PositionReport::bit(Field::beatUnit);
    const std::uint32_t metreGiven = report.given & metreFields;
    const bool givesBeats = report.has(Field::beatsPerBar);
    const bool givesUnit = report.has(Field::beatUnit);
    if (metreGiven == lastMetreGiven &&
        (!givesBeats || report[Field::beatsPerBar] == lastBeatsPerBar) &&
        (!givesUnit || report[Field::beatUnit] == lastBeatUnit)) {
        return false;
    }
    lastMetreGiven = metreGiven;
    lastBeatsPerBar = givesBeats ? report[Field::beatsPerBar] : 0.0;
    lastBeatUnit = givesUnit ? report[Field::beatUnit] : 0.0;
    double beats = givesBeats ? report[Field::beatsPerBar]
                              : static_cast<double>(numerator) * hostBeatUnit /
                                    static_cast<double>(denominator);
    double unit = givesUnit ? report[Field::beatUnit] : hostBeatUnit;
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
    quartersPerBeat = 4.0 / hostBeatUnit;
    if (newNumerator == numerator && newDenominator == denominator) {
        return false;
    }
    numerator = newNumerator;
    denominator = newDenominator;
    barLength = barLengthOf(numerator, denominator);
    changed = true;
    return true;
}

// The song position a report names, in quarter notes from bar 0: from its bar and beat, else
// from its beat count, else from its frame at the song's tempo; false when it names none.
bool SongPosition::reportedQuarters(const PositionReport& report, double& position) const {
    using Field = PositionReport::Field;
    if (report.hasAll(PositionReport::bit(Field::bar) | PositionReport::bit(Field::barBeat))) {
        position = report[Field::bar] * barLength + report[Field::barBeat] * quartersPerBeat;
    } else if (report.has(Field::beat)) {
        position = report[Field::beat] * quartersPerBeat;
    } else if (report.has(Field::frame)) {
        position = report[Field::frame] / sampleRate * beatsPerMinute / 60.0;
    } else {
        return false;
    }
    return std::isfinite(position);
}

// The count stands when the report has the song where it is counted: the same frame, and the
// same place within rounding, or (from a host that reports whole beats) inside the beat named.
bool SongPosition::confirmsCount(const PositionReport& report, double reported) const {
    using Field = PositionReport::Field;
    if (!positionKnown || (report.has(Field::frame) && report[Field::frame] != framePosition)) {
        return false;
    }
    if (std::fabs(reported - quarters) <= confirmingDistance) {
        return true;
    }
    if (!report.hasAll(PositionReport::bit(Field::bar) | PositionReport::bit(Field::barBeat)) ||
        !isWhole(report[Field::barBeat])) {
        return false;
    }
    const double beatStart = reported;
    return quarters >= beatStart && quarters < beatStart + quartersPerBeat;
}

void SongPosition::take(const PositionReport& report) {
    const bool metreChanged = takeTempoAndMetre(report);
    double reported = 0.0;
    if (!reportedQuarters(report, reported)) {
        // Frames without a position in them: nothing to place the song by.
        return;
    }
    if (!metreChanged && confirmsCount(report, reported)) {
        return;
    }
    quarters = reported;
    if (report.has(PositionReport::Field::frame) &&
        std::isfinite(report[PositionReport::Field::frame])) {
        framePosition = report[PositionReport::Field::frame];
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
    // Hosts send blocks of one size: the move is worked out once per size, tempo and speed
    // (the same quotient each time, so the song moves exactly as if it were worked out anew).
    if (frames != moveFrames || beatsPerMinute != moveTempo || currentSpeed != moveSpeed) {
        moveQuarters =
            static_cast<double>(frames) / sampleRate * (beatsPerMinute * currentSpeed) / 60.0;
        moveFrames = frames;
        moveTempo = beatsPerMinute;
        moveSpeed = currentSpeed;
    }
    quarters += moveQuarters;
    framePosition += static_cast<double>(frames) * currentSpeed;
}

// The start of the bar the song is in: the bar found last time while the song stays clear of
// that bar's edges (where the division could round to the neighbouring bar), else worked out.
double SongPosition::barStart() {
    const double margin = barStartMargin * barLength;
    if (barLength == cachedBarLength && quarters > cachedBarStart + margin &&
        quarters < cachedBarStart + barLength - margin) {
        return cachedBarStart;
    }
    cachedBarLength = barLength;
    cachedBarStart = std::floor(quarters / barLength + barLineTolerance) * barLength;
    return cachedBarStart;
}

void SongPosition::start(VstTimeInfo& info) const {
    info = VstTimeInfo{};
    info.sampleRate = sampleRate;
}

void SongPosition::fill(VstTimeInfo& info) {
    info.samplePos = framePosition;
    info.ppqPos = quarters;
    // The tempo at which the song passes the audio: a host's varispeed scales it.
    info.tempo = currentSpeed == 0.0 ? beatsPerMinute : beatsPerMinute * std::fabs(currentSpeed);
    info.barStartPos = barStart();
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
