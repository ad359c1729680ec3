// The Ardour checker's ramp check must reject the clicks it is there to find: a change of
// level without a ramp, and a ramp started again from the old level.
#include "tests/ardour/GateComparison.h"

#include <gtest/gtest.h>

namespace stepveil::ardourcheck {
namespace {

// Four steps of 1000 samples, levels 1.0 and 0.0 in turn, ramps starting at each boundary.
struct Crossings {
    GateSettings settings;
    std::vector<double> gains;

    Crossings() {
        settings.sampleRate = 48000.0;
        settings.tempo = 48000.0 * 60.0 / (1000.0 * 8.0); // a 4/4 bar of 32 000 samples
        for (std::size_t step = 0; step < settings.levels.size(); ++step) {
            settings.levels[step] = step % 2 == 0 ? 1.0 : 0.0;
        }
        settings.positionTolerance = 8.0;
        for (int step = 0; step < 4; ++step) {
            const double from = step == 0 ? 1.0 : settings.levels[step - 1];
            const double to = settings.levels[static_cast<std::size_t>(step)];
            for (int j = 1; j <= 1000; ++j) {
                gains.push_back(j < 16 ? from + j / 16.0 * (to - from) : to);
            }
        }
    }

    bool passes() const {
        CheckReport report;
        checkRampShape(gains, settings, "test", report);
        return report.passed();
    }
};

TEST(ArdourRampCheck, AcceptsRampsAndRejectsClicks) {
    Crossings ramps;
    EXPECT_TRUE(ramps.passes());

    // The crossing into step 3 four samples late and without a ramp.
    Crossings hardJump;
    for (std::size_t sample = 1996; sample < 2020; ++sample) {
        hardJump.gains[sample] = sample < 2004 ? 0.0 : 1.0;
    }
    EXPECT_FALSE(hardJump.passes());

    // The ramp into step 2 begun again from the old level after three samples.
    Crossings restarted;
    for (int j = 1; j <= 15; ++j) {
        restarted.gains[static_cast<std::size_t>(1002 + j)] = 1.0 - j / 16.0;
    }
    restarted.gains[1018] = 0.0;
    EXPECT_FALSE(restarted.passes());
}

} // namespace
} // namespace stepveil::ardourcheck
