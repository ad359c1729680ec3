// Turns the host's time information into the gate's view of it: which of the 32 steps of the
// bar the block starts in, and how many samples of that step remain.
#pragma once

#include "vst2/vst2.h"

struct StepPosition {
    // False when the host gave no time information or numbers the gate cannot use; the
    // gate then stands open rather than guessing.
    bool usable = false;
    // Index of the current step, always 0 to 31.
    vst2::int32 step = 0;
    // Whole samples of the current step still to play at the first sample of the block.
    vst2::int32 samplesLeft = 0;
    // The same before rounding: samplesLeft + remainder.
    double samplesToNextStep = 0.0;
    // What rounding samplesLeft dropped (between -0.5 and 0.5), carried into the next step
    // so step boundaries do not drift within a block.
    double remainder = 0.0;
    // Length of one step in samples, a 32nd of the bar.
    double stepSamples = 0.0;
    // Where the host says the song stands, in quarter notes from its start (before folding
    // into the bar), and the length of a quarter note in samples: what tells a song that
    // stands still, or moves on by the last block, from one that jumped.
    double songPosition = 0.0;
    double samplesPerQuarter = 0.0;
    // The host's transport-playing flag.
    bool playing = false;
};

// The filter the gate passes when it asks the host for time information: ppqPos, tempo,
// bars, cycle, time signature and SMPTE valid.
constexpr vst2::int32 gateTimeInfoFilter = kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                                           kVstCyclePosValid | kVstTimeSigValid | kVstSmpteValid;

// The step grid that follows from the tempo, the metre and the sample rate. These rarely
// change while a song plays, so the gate keeps the grid from block to block and works it out
// again only when one of them changes, sparing the divisions of every block.
struct StepGrid {
    // The record's numbers the grid was worked out for, and the effect's sample rate; zeros,
    // which no host's record yields a grid for, until the first block.
    double recordSampleRate = 0.0;
    vst2::int32 recordNumerator = 0;
    vst2::int32 recordDenominator = 0;
    double effectSampleRate = 0.0;
    // The numbers the grid was worked out from: the record's, or what stands in for them.
    double sampleRate = 0.0;
    double tempo = 0.0;
    vst2::int32 numerator = 0;
    vst2::int32 denominator = 0;
    // False when these numbers make no grid the gate can use.
    bool usable = false;
    double samplesPerQuarter = 0.0;
    double stepSamples = 0.0;
    double barQuarters = 0.0;
    double stepQuarters = 0.0;
    // 1 / stepQuarters: finding the step takes a multiplication rather than a division
    // unless the position lies within a hair of a step boundary.
    double stepsPerQuarter = 0.0;
};

// Reads sampleRate, tempo, ppqPos, barStartPos and the time signature (and, for hosts that
// leave ppqPos unset, samplePos; and the flags). A time signature whose numerator or
// denominator is 0 or less is taken as 4/4, and a sample rate that is not finite and positive
// is replaced by `effectSampleRate` (the one the host set on the effect): hosts that leave
// those fields empty still give a tempo and a position. Null information, or no usable tempo
// or position, gives usable false. `grid` is brought up to date with the numbers used.
StepPosition locateStep(const VstTimeInfo* timeInfo, StepGrid& grid, double effectSampleRate);
