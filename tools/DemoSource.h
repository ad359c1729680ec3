// The built-in source that `render` gates when no input file is given: a sustained stereo
// pad, one chord per bar (A minor, F major, C major, G major, then again), with the chord's
// root an octave lower underneath. Sustained sound makes every step of the gate audible.
// The chords follow the song position, so the pattern lines up with the bars the gate sees.
#pragma once

#include "tools/SignalSource.h"
#include "tools/ValueParsing.h"

#include <array>
#include <cstdint>

namespace stepveil::tool {

class DemoSource : public SignalSource {
public:
    DemoSource(double sampleRate, double tempo, Meter meter, double startPosition,
               std::int64_t frameCount);

    int channelCount() const override { return 2; }
    double sampleRate() const override { return sampleRate_; }
    std::optional<std::int64_t> totalFrames() const override { return frameCount_; }
    int read(float* const* channels, int maxFrames) override;

    static constexpr int voiceCount = 4; // bass and three chord notes

private:
    // Phases are kept per voice and advanced with the current frequency, so a chord change
    // bends each wave without a jump in its value.
    struct Voice {
        double leftPhase = 0.0;
        double rightPhase = 0.0;
    };

    void renderFrame(std::int64_t frame, float& left, float& right);
    int chordAt(std::int64_t frame) const;
    double edgeFade(std::int64_t frame) const;

    double sampleRate_;
    double samplesPerQuarter_;
    double quarterNotesPerBar_;
    double startPosition_;
    std::int64_t frameCount_;
    std::int64_t position_ = 0;
    std::array<Voice, voiceCount> voices_{};
    // Phase step per sample of each voice of each chord, worked out once.
    std::array<std::array<double, voiceCount>, 4> phaseIncrements_{};
};

} // namespace stepveil::tool
