#include "tools/DemoSource.h"

#include <algorithm>
#include <cmath>

namespace stepveil::tool {
namespace {

constexpr double twoPi = 6.283185307179586;

// MIDI note numbers of each chord: the bass, then three notes of the chord.
constexpr int chordNotes[4][DemoSource::voiceCount] = {
    {45, 57, 60, 64}, // A minor
    {41, 57, 60, 65}, // F major
    {48, 55, 60, 64}, // C major
    {43, 55, 59, 62}, // G major
};

constexpr double voiceAmplitude[DemoSource::voiceCount] = {0.16, 0.11, 0.11, 0.11};

// The right channel runs a little sharp of the left, which widens the pad.
constexpr double rightDetune = 1.003;

// Short fades at the very start and end, so the file itself does not click.
constexpr double edgeFadeSeconds = 0.005;

double noteFrequency(int midiNote) {
    return 440.0 * std::pow(2.0, (midiNote - 69) / 12.0);
}

// A soft, slightly bright tone: the fundamental with a little second and third harmonic.
double padWave(double phase) {
    return std::sin(phase) + 0.3 * std::sin(2.0 * phase) + 0.15 * std::sin(3.0 * phase);
}

double wrapPhase(double phase) {
    return phase >= twoPi ? phase - twoPi : phase;
}

} // namespace

DemoSource::DemoSource(double sampleRate, double tempo, Meter meter, double startPosition,
                       std::int64_t frameCount)
    : sampleRate_(sampleRate), samplesPerQuarter_(sampleRate * 60.0 / tempo),
      quarterNotesPerBar_(meter.quarterNotesPerBar()), startPosition_(startPosition),
      frameCount_(frameCount) {
    for (std::size_t chord = 0; chord < phaseIncrements_.size(); ++chord) {
        for (std::size_t voice = 0; voice < voiceCount; ++voice) {
            phaseIncrements_[chord][voice] =
                twoPi * noteFrequency(chordNotes[chord][voice]) / sampleRate;
        }
    }
}

int DemoSource::read(float* const* channels, int maxFrames) {
    const auto frames = static_cast<int>(
        std::clamp<std::int64_t>(frameCount_ - position_, 0, std::max(maxFrames, 0)));
    for (int k = 0; k < frames; ++k) {
        renderFrame(position_ + k, channels[0][k], channels[1][k]);
    }
    position_ += frames;
    return frames;
}

void DemoSource::renderFrame(std::int64_t frame, float& left, float& right) {
    const auto& increments = phaseIncrements_[static_cast<std::size_t>(chordAt(frame))];
    double leftSum = 0.0;
    double rightSum = 0.0;
    for (std::size_t voice = 0; voice < voiceCount; ++voice) {
        Voice& state = voices_[voice];
        const double increment = increments[voice];
        leftSum += voiceAmplitude[voice] * padWave(state.leftPhase);
        rightSum += voiceAmplitude[voice] * padWave(state.rightPhase);
        state.leftPhase = wrapPhase(state.leftPhase + increment);
        state.rightPhase = wrapPhase(state.rightPhase + increment * rightDetune);
    }
    const double fade = edgeFade(frame);
    left = static_cast<float>(leftSum * fade);
    right = static_cast<float>(rightSum * fade);
}

int DemoSource::chordAt(std::int64_t frame) const {
    const double songPosition = startPosition_ + static_cast<double>(frame) / samplesPerQuarter_;
    const auto bar = static_cast<long long>(std::floor(songPosition / quarterNotesPerBar_));
    // Positive modulo: bars before the song's start (negative positions) still cycle.
    return static_cast<int>(((bar % 4) + 4) % 4);
}

double DemoSource::edgeFade(std::int64_t frame) const {
    const double fadeFrames = std::max(1.0, edgeFadeSeconds * sampleRate_);
    const auto fromEdge = static_cast<double>(std::min(frame, frameCount_ - 1 - frame));
    return std::min(1.0, (fromEdge + 1.0) / fadeFrames);
}

} // namespace stepveil::tool
