// The song position a host reports to a plug-in: tempo, metre, sample rate and a play head that
// moves forward by each processed block. HostedPlugin answers audioMasterGetTime from it.
#pragma once

#include "vst2/vst2.h"

#include <functional>
#include <limits>

namespace stepveil::host {

class Transport {
public:
    using int32 = vst2::int32;

    // Validity bits claimed by default: position in quarter notes, tempo, bar start and metre.
    static constexpr int32 defaultValidFlags =
        kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;

    // Lets a test shape the record after it has been filled (a tempo of 0, a missing bar start,
    // not-a-number fields): called with the finished record at every time request.
    using Adjuster = std::function<void(VstTimeInfo&)>;

    Transport() = default;

    void setSampleRate(double samplesPerSecond);
    double sampleRate() const { return currentSampleRate; }
    void setTempo(double beatsPerMinute);
    double tempo() const { return currentTempo; }
    void setTimeSignature(int32 numerator, int32 denominator);
    int32 timeSigNumerator() const { return numerator; }
    int32 timeSigDenominator() const { return denominator; }

    // Both setters move the play head; the other coordinate follows from tempo and sample rate,
    // while the one given is reported exactly as set.
    void setSamplePosition(double samples);
    void setPpqPosition(double quarterNotes);
    double samplePosition() const { return positionInSamples; }
    double ppqPosition() const { return positionInQuarters; }

    // A stopped transport keeps its position when blocks are processed.
    void setPlaying(bool isPlaying);
    bool playing() const { return isPlaying; }

    // Which of the validity bits (kVst*Valid) the record claims. The transport bits (playing,
    // changed) are managed by the transport itself and ignored here.
    void setValidFlags(int32 flags);
    int32 validFlags() const { return claimedValidFlags; }

    // When unavailable, the host answers audioMasterGetTime with null, as a host without a song
    // position does.
    void setAvailable(bool isAvailable) { available = isAvailable; }
    bool isAvailable() const { return available; }

    void setAdjuster(Adjuster adjust) { adjuster = std::move(adjust); }

    // Length of one bar in quarter notes, from the metre.
    double barLengthInQuarters() const;
    // Start of the bar the play head is in, in quarter notes (a whole number of bars from 0).
    double barStartPosition() const;

    // The record as a host fills it for the current position. Reporting the position clears
    // the "transport changed" state that a jump of the play head sets.
    VstTimeInfo makeTimeInfo();
    // The same, written into a record the caller owns (the host's answer to every time request
    // on the audio thread), so that no copy of the record is made.
    void fillTimeInfo(VstTimeInfo& info);

    // Moves the play head by the given number of frames when playing.
    void advance(int32 frames);

private:
    double currentSampleRate = 44100.0;
    double currentTempo = 120.0;
    int32 numerator = 4;
    int32 denominator = 4;
    double positionInSamples = 0.0;
    double positionInQuarters = 0.0;
    bool isPlaying = true;
    bool changedSinceLastReport = true;
    bool available = true;
    int32 claimedValidFlags = defaultValidFlags;
    Adjuster adjuster;
    // Derived from the metre when it is set, so that reporting a position needs no division
    // in the common case: the bar length and its reciprocal.
    double barLength = 4.0;
    double barLengthReciprocal = 0.25;
    // The quarter notes the last advance moved by and for how many frames (0: none yet).
    // Hosts send blocks of one size, so the quotient is worked out once per tempo, rate and
    // block size; the cached value is the very same quotient, so the play head moves exactly
    // as if it were worked out every time.
    int32 advanceFrames = 0;
    double advanceQuarters = 0.0;
    // The bar the last report fell in: its number (a whole number; NaN when none, which no
    // position matches) and its start in quarter notes.
    double lastReportedBars = std::numeric_limits<double>::quiet_NaN();
    double lastReportedBarStart = 0.0;

    // barStartPosition(), answered from the last report's bar while the play head stays in it.
    double reportedBarStart();
    void forgetReportedBar() { lastReportedBars = std::numeric_limits<double>::quiet_NaN(); }
};

} // namespace stepveil::host
