// The checks the Ardour test makes on exported audio. The session feeds the gate a constant
// value per channel, so each output sample divided by its input value is the gate's gain at
// that sample. The gains must follow the program's 32 levels on the bar's grid of steps at the
// session's tempo and metre, and must equal what our own host renders for the same settings,
// except close to step boundaries: Ardour reports song positions rounded to a tick (1/1920 of
// a quarter note), which may move a boundary by up to a tick's worth of samples.
#pragma once

#include "tests/ardour/StereoAudio.h"

#include <array>
#include <string>
#include <vector>

namespace stepveil::ardourcheck {

struct GateSettings {
    double sampleRate = 48000.0;
    double tempo = 120.0;
    int numerator = 4;
    int denominator = 4;
    // Levels of steps 1 to 32, 0.0 to 1.0.
    std::array<double, 32> levels{};
    // The constant input values of the two channels; neither may be 0.
    double inputLeft = 1.0;
    double inputRight = -0.5;
    // How far, in samples, a boundary may move from where the exact position puts it.
    double positionTolerance = 16.0;
    int rampLength = 16;

    double samplesPerStep() const;
};

// What the checks found: failures make the check fail; notes describe what was measured.
class CheckReport {
public:
    void fail(const std::string& text);
    void note(const std::string& text);
    bool passed() const { return failures.empty(); }
    const std::vector<std::string>& failureTexts() const { return failures; }
    const std::vector<std::string>& noteTexts() const { return notes; }

private:
    std::vector<std::string> failures;
    std::vector<std::string> notes;
    int suppressedFailures = 0;
};

// Gains from the output of a gate fed with the settings' constant inputs. Fails every sample
// whose channels disagree (channels swapped or gated apart) or that is not a finite number.
std::vector<double> gainsOf(const StereoAudio& output, const GateSettings& settings,
                            const std::string& label, CheckReport& report);

// The gains follow the program: away from boundaries each step holds its level exactly, and
// near a boundary the gain stays between the two levels it crosses.
void checkPattern(const std::vector<double>& gains, const GateSettings& settings,
                  CheckReport& report);

// Where the level changes, the gain crosses over a ramp: no step from one sample to the next
// is larger than 1/rampLength of the difference between the two levels. A step change taken
// without a ramp, or a ramp started again from the old level, is a click and fails.
void checkRampShape(const std::vector<double>& gains, const GateSettings& settings,
                    const std::string& label, CheckReport& report);

// The gains equal the reference's away from boundaries; each change of level starts within
// the tolerance of where the reference's starts.
void compareWithReference(const std::vector<double>& gains, const std::vector<double>& reference,
                          const GateSettings& settings, CheckReport& report);

// The first bar's step levels in 32nds as read from the middle of each step, for the log.
std::string describeFirstBar(const std::vector<double>& gains, const GateSettings& settings);

} // namespace stepveil::ardourcheck
