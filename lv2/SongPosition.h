// The host's song as an LV2 plug-in learns it: time:Position reports now and then, in between
// nothing. SongPosition keeps the song's place itself, moving it by each run of frames at the
// song's tempo and speed, takes each report, and fills the time record a careful VST 2 host
// would give the gate for the frames about to be processed.
#pragma once

#include "vst2/vst2.h"

#include <array>
#include <cstdint>

namespace stepveil::lv2 {

// What one time:Position report said; a host sends any subset of these. Kept as a bit mask of
// the fields given and their values, which costs a report far less to clear and to read than
// a field of its own for each.
struct PositionReport {
    enum Field : unsigned {
        frame,          // time:frame, the song position in audio frames
        speed,          // time:speed, 1 while playing, 0 while stopped
        bar,            // time:bar, bars since the song's start
        barBeat,        // time:barBeat, beats into the bar
        beat,           // time:beat, beats since the song's start
        beatUnit,       // time:beatUnit, the note value of a beat (4: quarter)
        beatsPerBar,    // time:beatsPerBar
        beatsPerMinute, // time:beatsPerMinute
        fieldCount,
    };

    static constexpr std::uint32_t bit(Field field) { return 1u << field; }
    bool has(Field field) const { return (given & bit(field)) != 0; }
    bool hasAll(std::uint32_t fields) const { return (given & fields) == fields; }
    double operator[](Field field) const { return values[field]; }
    // A field given twice keeps the later value.
    void set(Field field, double value) {
        values[field] = value;
        given |= bit(field);
    }
    void clear() { given = 0; }

    std::uint32_t given = 0;
    std::array<double, fieldCount> values{};
};

class SongPosition {
public:
    // Until a host says otherwise the song plays from frame 0 at 120 beats per minute in 4/4:
    // the clock of a host that sends no position at all (or none yet).
    static constexpr double defaultTempo = 120.0;
    static constexpr std::int32_t defaultBeatsPerBar = 4;
    static constexpr std::int32_t defaultBeatUnit = 4;

    explicit SongPosition(double sampleRate);

    // A report that merely confirms the count (the same frame, tempo and metre, a position
    // within what a host's rounding explains) leaves the count as it is, so that hosts that
    // report every block in single precision or in whole beats do not jolt the gate; anything
    // else moves the song to what the report says.
    void take(const PositionReport& report);
    // Moves the song on by frames of audio at its tempo and speed (not while stopped).
    void advance(std::int32_t frames);
    // Writes the record's fields that never change; fill() then writes the others.
    void start(VstTimeInfo& info) const;
    // The record for the frames that follow, begun with start(). A record reports "transport
    // changed" once after the song was moved, restarted, stopped, or changed tempo or metre.
    void fill(VstTimeInfo& info);

    double quarterNotes() const { return quarters; }
    double tempo() const { return beatsPerMinute; }
    double speed() const { return currentSpeed; }
    bool playing() const { return currentSpeed != 0.0; }

private:
    double sampleRate;
    double beatsPerMinute = defaultTempo;
    std::int32_t numerator = defaultBeatsPerBar;
    std::int32_t denominator = defaultBeatUnit;
    // The beat unit the host counts its beats in (the metre's denominator before a fractional
    // number of beats per bar was made whole).
    double hostBeatUnit = defaultBeatUnit;
    // Worked out from the metre when it changes: a bar and a host's beat in quarter notes.
    double barLength = barLengthOf(defaultBeatsPerBar, defaultBeatUnit);
    double quartersPerBeat = 4.0 / defaultBeatUnit;
    double currentSpeed = 1.0;
    double framePosition = 0.0;
    double quarters = 0.0;
    bool changed = true;
    bool positionKnown = false;

    static double barLengthOf(std::int32_t beats, std::int32_t unit);
    bool takeTempoAndMetre(const PositionReport& report);
    bool reportedQuarters(const PositionReport& report, double& position) const;
    bool confirmsCount(const PositionReport& report, double reported) const;
    double barStart();

    // The last move (frames, tempo and speed it was for) and bar start, kept between blocks.
    std::int32_t moveFrames = 0;
    double moveTempo = 0.0;
    double moveSpeed = 0.0;
    double moveQuarters = 0.0;
    double cachedBarLength = 0.0;
    double cachedBarStart = 0.0;
    // The metre as the last report gave it: which of its two fields, and their values.
    std::uint32_t lastMetreGiven = 0;
    double lastBeatsPerBar = 0.0;
    double lastBeatUnit = 0.0;
};

} // namespace stepveil::lv2
