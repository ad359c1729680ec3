#include "tests/ardour/GateComparison.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <sstream>

namespace stepveil::ardourcheck {
namespace {

// Gains are products of 32-bit floats; anything closer than this is the same gain.
constexpr double gainTolerance = 1e-6;
// Enough examples of one kind of failure to see the pattern; the rest are only counted.
constexpr std::size_t failuresListed = 12;

bool sameGain(double a, double b) {
    return std::fabs(a - b) <= gainTolerance;
}

std::string describeSample(std::size_t sample, double got, double expected) {
    std::ostringstream text;
    text << "sample " << sample << ": gain " << got << ", expected " << expected;
    return text.str();
}

double levelOfStep(const GateSettings& settings, long step) {
    return settings.levels[static_cast<std::size_t>(step % 32)];
}

// Where a step's exact start lies, in samples from the start of the export (bar 1 at 0).
double startOfStep(const GateSettings& settings, long step) {
    return static_cast<double>(step) * settings.samplesPerStep();
}

// The samples of a step that neither position rounding nor the ramp can reach.
struct SampleRange {
    std::size_t first;
    std::size_t end;
};

SampleRange settledPartOfStep(const GateSettings& settings, long step, std::size_t total) {
    const double reach = settings.positionTolerance + settings.rampLength;
    const double first = std::ceil(startOfStep(settings, step) + reach);
    const double end = std::floor(startOfStep(settings, step + 1) - settings.positionTolerance);
    const auto clamp = [total](double position) {
        return static_cast<std::size_t>(std::clamp(position, 0.0, static_cast<double>(total)));
    };
    return {clamp(first), std::max(clamp(first), clamp(end))};
}

long stepCount(const GateSettings& settings, std::size_t frames) {
    return static_cast<long>(std::ceil(static_cast<double>(frames) / settings.samplesPerStep()));
}

// Where the gain first leaves `before` within the window around a boundary; -1 when it never
// does (no change there, or the change fell outside the window).
long departureNear(const std::vector<double>& gains, double boundary, double before,
                   double window) {
    const auto first = static_cast<long>(std::max(0.0, std::floor(boundary - window)));
    const auto last = std::min(static_cast<long>(gains.size()) - 1,
                               static_cast<long>(std::ceil(boundary + window)));
    for (long sample = first; sample <= last; ++sample) {
        if (!sameGain(gains[static_cast<std::size_t>(sample)], before)) {
            return sample;
        }
    }
    return -1;
}

} // namespace

double GateSettings::samplesPerStep() const {
    const double samplesPerQuarter = sampleRate * 60.0 / tempo;
    const double quartersPerBar = numerator * 4.0 / denominator;
    return samplesPerQuarter * quartersPerBar / 32.0;
}

void CheckReport::fail(const std::string& text) {
    if (failures.size() < failuresListed) {
        failures.push_back(text);
    } else {
        ++suppressedFailures;
        failures.back() = "... and " + std::to_string(suppressedFailures) + " more failures";
    }
}

void CheckReport::note(const std::string& text) {
    notes.push_back(text);
}

std::vector<double> gainsOf(const StereoAudio& output, const GateSettings& settings,
                            const std::string& label, CheckReport& report) {
    std::vector<double> gains(output.frames());
    for (std::size_t sample = 0; sample < output.frames(); ++sample) {
        const double left = static_cast<double>(output.left[sample]) / settings.inputLeft;
        const double right = static_cast<double>(output.right[sample]) / settings.inputRight;
        if (!std::isfinite(left) || !std::isfinite(right)) {
            report.fail(label + " sample " + std::to_string(sample) + " is not a number");
        } else if (!sameGain(left, right)) {
            std::ostringstream text;
            text << label << " sample " << sample << ": left gain " << left << ", right gain "
                 << right << " (channels not gated alike)";
            report.fail(text.str());
        }
        gains[sample] = left;
    }
    return gains;
}

void checkPattern(const std::vector<double>& gains, const GateSettings& settings,
                  CheckReport& report) {
    const long steps = stepCount(settings, gains.size());
    std::size_t samplesChecked = 0;
    for (long step = 0; step < steps; ++step) {
        const double level = levelOfStep(settings, step);
        const SampleRange settled = settledPartOfStep(settings, step, gains.size());
        for (std::size_t sample = settled.first; sample < settled.end; ++sample) {
            if (!sameGain(gains[sample], level)) {
                report.fail("pattern, step " + std::to_string(step % 32 + 1) + ", " +
                            describeSample(sample, gains[sample], level));
            }
        }
        samplesChecked += settled.end - settled.first;
        if (step == 0) {
            continue;
        }
        // Near the boundary the gain crosses from one level to the other, never beyond.
        const double before = levelOfStep(settings, step - 1);
        const SampleRange previous = settledPartOfStep(settings, step - 1, gains.size());
        for (std::size_t sample = previous.end; sample < settled.first; ++sample) {
            const double low = std::min(before, level) - gainTolerance;
            const double high = std::max(before, level) + gainTolerance;
            if (gains[sample] < low || gains[sample] > high) {
                report.fail("crossing into step " + std::to_string(step % 32 + 1) + ", " +
                            describeSample(sample, gains[sample], level) + " (or " +
                            std::to_string(before) + ")");
            }
        }
    }
    report.note("pattern: " + std::to_string(steps) + " steps of " +
                std::to_string(settings.samplesPerStep()) + " samples, " +
                std::to_string(samplesChecked) + " samples away from boundaries checked");
}

void checkRampShape(const std::vector<double>& gains, const GateSettings& settings,
                    const std::string& label, CheckReport& report) {
    const long steps = stepCount(settings, gains.size());
    double largestShare = 0.0;
    for (long step = 1; step < steps; ++step) {
        const double difference =
            std::fabs(levelOfStep(settings, step) - levelOfStep(settings, step - 1));
        if (difference <= gainTolerance) {
            continue;
        }
        const double allowed = difference / settings.rampLength + gainTolerance;
        const std::size_t first = settledPartOfStep(settings, step - 1, gains.size()).end;
        const std::size_t last = settledPartOfStep(settings, step, gains.size()).first;
        for (std::size_t sample = std::max<std::size_t>(first, 1);
             sample <= last && sample < gains.size(); ++sample) {
            const double change = std::fabs(gains[sample] - gains[sample - 1]);
            largestShare = std::max(largestShare, change / difference);
            if (change > allowed) {
                std::ostringstream text;
                text << label << ", crossing into step " << step % 32 + 1 << ", sample " << sample
                     << ": the gain moves from " << gains[sample - 1] << " to " << gains[sample]
                     << " at once, more than 1/" << settings.rampLength
                     << " of the change of level";
                report.fail(text.str());
            }
        }
    }
    std::ostringstream text;
    text << label << " ramps: the largest change from one sample to the next is "
         << largestShare * settings.rampLength << "/" << settings.rampLength
         << " of the change of level";
    report.note(text.str());
}

void compareWithReference(const std::vector<double>& gains, const std::vector<double>& reference,
                          const GateSettings& settings, CheckReport& report) {
    if (gains.size() != reference.size()) {
        report.fail("the export has " + std::to_string(gains.size()) + " frames, the reference " +
                    std::to_string(reference.size()));
        return;
    }
    const long steps = stepCount(settings, gains.size());
    for (long step = 0; step < steps; ++step) {
        const SampleRange settled = settledPartOfStep(settings, step, gains.size());
        for (std::size_t sample = settled.first; sample < settled.end; ++sample) {
            if (!sameGain(gains[sample], reference[sample])) {
                report.fail("against the reference, " +
                            describeSample(sample, gains[sample], reference[sample]));
            }
        }
    }

    // Where each change of level begins, in the export and in the reference.
    const double window = settings.positionTolerance + 1.0;
    long changes = 0;
    long identicalRamps = 0;
    long largestShift = 0;
    for (long step = 1; step < steps; ++step) {
        const double before = levelOfStep(settings, step - 1);
        if (sameGain(before, levelOfStep(settings, step))) {
            continue;
        }
        const double boundary = startOfStep(settings, step);
        if (boundary + window >= static_cast<double>(gains.size())) {
            break;
        }
        ++changes;
        const long exported = departureNear(gains, boundary, before, window);
        const long rendered = departureNear(reference, boundary, before, window);
        if (exported < 0 || rendered < 0) {
            report.fail("step " + std::to_string(step % 32 + 1) + " at sample " +
                        std::to_string(static_cast<long>(boundary)) + ": the level changes " +
                        (exported < 0 ? "too far from" : "") +
                        (rendered < 0 ? " (reference: too far from)" : "") + " the boundary");
            continue;
        }
        const long shift = exported - rendered;
        largestShift = std::max(largestShift, std::labs(shift));
        bool identical = true;
        for (long offset = 0; offset <= settings.rampLength; ++offset) {
            const auto at = [offset](long start) {
                return static_cast<std::size_t>(start + offset);
            };
            if (at(exported) < gains.size() && at(rendered) < reference.size() &&
                !sameGain(gains[at(exported)], reference[at(rendered)])) {
                identical = false;
            }
        }
        identicalRamps += identical ? 1 : 0;
    }
    std::ostringstream text;
    text << "boundaries: " << changes << " changes of level; the export's start at most "
         << largestShift << " samples from the reference's (tolerance "
         << settings.positionTolerance << "); " << identicalRamps
         << " ramps identical to the reference's after the shift";
    report.note(text.str());
}

std::string describeFirstBar(const std::vector<double>& gains, const GateSettings& settings) {
    std::ostringstream text;
    for (long step = 0; step < 32; ++step) {
        const double middle = startOfStep(settings, step) + settings.samplesPerStep() / 2.0;
        const auto sample = static_cast<std::size_t>(middle);
        if (sample >= gains.size()) {
            break;
        }
        text << (step == 0 ? "" : " ") << std::lround(gains[sample] * 32.0);
    }
    return text.str();
}

} // namespace stepveil::ardourcheck
