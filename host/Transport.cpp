#include "host/Transport.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace stepveil::host {

namespace {

// Bits that describe the transport's state rather than which fields are filled; the
// transport sets them itself.
constexpr vst2::int32 transportStateBits =
    kVstTransportChanged | kVstTransportPlaying | kVstTransportCycleActive | kVstTransportRecording;

// A play head this close below a bar line (in bars) counts as on it, so that a position
// reached by adding many blocks still lands on the bar it was meant to start.
constexpr double barLineTolerance = 1e-9;

// Bar counts below this are taken from a multiplication by the bar length's reciprocal, which
// can differ from the quotient by a few units in the last place (about 1e-15 bar here); a
// count that lands closer than shortcutMargin to a whole bar is worked out by division, so the
// bar start is always exactly the one the quotient gives.
constexpr double shortcutBarLimit = 1048576.0;
constexpr double shortcutMargin = 1e-7;

void requirePositiveFinite(double value, const char* what) {
    if (!(value > 0.0) || !std::isfinite(value)) {
        throw std::invalid_argument(std::string("transport: ") + what +
                                    " must be a positive finite number, got " +
                                    std::to_string(value));
    }
}

} // namespace

void Transport::setSampleRate(double samplesPerSecond) {
    requirePositiveFinite(samplesPerSecond, "sample rate");
    currentSampleRate = samplesPerSecond;
    advanceFrames = 0;
    // The play head keeps its musical position; its sample position follows the new rate.
    setPpqPosition(positionInQuarters);
}

void Transport::setTempo(double beatsPerMinute) {
    requirePositiveFinite(beatsPerMinute, "tempo");
    currentTempo = beatsPerMinute;
    advanceFrames = 0;
    setPpqPosition(positionInQuarters);
}

void Transport::setTimeSignature(int32 newNumerator, int32 newDenominator) {
    if (newNumerator < 1 || newDenominator < 1) {
        throw std::invalid_argument("transport: time signature " + std::to_string(newNumerator) +
                                    "/" + std::to_string(newDenominator) +
                                    " needs a numerator and a denominator of at least 1");
    }
    numerator = newNumerator;
    denominator = newDenominator;
    barLength = barLengthInQuarters();
    barLengthReciprocal = 1.0 / barLength;
    forgetReportedBar();
    changedSinceLastReport = true;
}

void Transport::setSamplePosition(double samples) {
    positionInSamples = samples;
    positionInQuarters = samples / currentSampleRate * currentTempo / 60.0;
    changedSinceLastReport = true;
}

void Transport::setPpqPosition(double quarterNotes) {
    positionInQuarters = quarterNotes;
    positionInSamples = quarterNotes * 60.0 / currentTempo * currentSampleRate;
    changedSinceLastReport = true;
}

void Transport::setPlaying(bool shouldPlay) {
    if (shouldPlay != isPlaying) {
        changedSinceLastReport = true;
    }
    isPlaying = shouldPlay;
}

void Transport::setValidFlags(int32 flags) {
    claimedValidFlags = flags & ~transportStateBits;
}

double Transport::barLengthInQuarters() const {
    return static_cast<double>(numerator) * 4.0 / static_cast<double>(denominator);
}

double Transport::barStartPosition() const {
    const double approximateBars = positionInQuarters * barLengthReciprocal + barLineTolerance;
    if (approximateBars > -shortcutBarLimit && approximateBars < shortcutBarLimit) {
        auto bars = static_cast<double>(static_cast<long long>(approximateBars));
        if (bars > approximateBars) {
            bars -= 1.0;
        }
        const double fraction = approximateBars - bars;
        if (fraction > shortcutMargin && fraction < 1.0 - shortcutMargin) {
            return bars * barLength;
        }
    }
    return std::floor(positionInQuarters / barLength + barLineTolerance) * barLength;
}

double Transport::reportedBarStart() {
    // The same test as the shortcut in barStartPosition, against the bar of the last report:
    // a position inside it, clear of its edges, has that bar's start, already worked out. The
    // answer then comes from memory rather than at the end of a chain of arithmetic on the
    // position, which a plug-in waits for when it asks for the time.
    const double approximateBars = positionInQuarters * barLengthReciprocal + barLineTolerance;
    if (approximateBars > lastReportedBars + shortcutMargin &&
        approximateBars < lastReportedBars + 1.0 - shortcutMargin &&
        approximateBars < shortcutBarLimit && approximateBars > -shortcutBarLimit) {
        return lastReportedBarStart;
    }
    lastReportedBarStart = barStartPosition();
    lastReportedBars = std::floor(positionInQuarters / barLength + barLineTolerance);
    return lastReportedBarStart;
}

VstTimeInfo Transport::makeTimeInfo() {
    VstTimeInfo info{};
    fillTimeInfo(info);
    return info;
}

void Transport::fillTimeInfo(VstTimeInfo& info) {
    // Every field is written, those this host does not keep as zero (field by field: clearing
    // the record as a whole compiles to a string store with a long start-up).
    info.samplePos = positionInSamples;
    info.sampleRate = currentSampleRate;
    info.nanoSeconds = 0.0;
    info.ppqPos = positionInQuarters;
    info.tempo = currentTempo;
    info.barStartPos = reportedBarStart();
    info.cycleStartPos = 0.0;
    info.cycleEndPos = 0.0;
    info.timeSigNumerator = numerator;
    info.timeSigDenominator = denominator;
    info.smpteOffset = 0;
    info.smpteFrameRate = 0;
    info.samplesToNextClock = 0;
    info.flags = claimedValidFlags;
    if (isPlaying) {
        info.flags |= kVstTransportPlaying;
    }
    if (changedSinceLastReport) {
        info.flags |= kVstTransportChanged;
        changedSinceLastReport = false;
    }
    if (adjuster) {
        adjuster(info);
    }
}

void Transport::advance(int32 frames) {
    if (!isPlaying || frames <= 0) {
        return;
    }
    // Both coordinates move by the same span; the quarter-note one is not recomputed from the
    // sample position, so that a position set in quarter notes stays exact in its fraction.
    if (frames != advanceFrames) {
        advanceQuarters = static_cast<double>(frames) / currentSampleRate * currentTempo / 60.0;
        advanceFrames = frames;
    }
    positionInSamples += static_cast<double>(frames);
    positionInQuarters += advanceQuarters;
}

} // namespace stepveil::host
