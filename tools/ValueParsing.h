// Turns the texts of the command line into checked values. Every function either returns a
// value inside its documented range or throws a usage error that names the option and says
// what was expected, so a typo never reaches the plug-in as a strange number.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace stepveil::tool {

constexpr int stepCount = 32;

// Levels on the command line are given in 32nds of full level, as the editor shows them.
constexpr double levelUnitsPerFullLevel = 32.0;

using StepLevels = std::array<float, stepCount>;

struct Meter {
    int numerator = 4;
    int denominator = 4;

    double quarterNotesPerBar() const { return numerator * 4.0 / denominator; }
};

// Ranges accepted on the command line (see docs/CHOICES.md, "Command-line tool").
constexpr double minimumTempo = 1.0;
constexpr double maximumTempo = 1000.0;
constexpr int maximumMeterNumerator = 64;
constexpr int maximumMeterDenominator = 64;
constexpr long minimumSampleRate = 8000;
constexpr long maximumSampleRate = 768000;
constexpr int maximumBlockSize = 65536;
constexpr double maximumRenderSeconds = 24.0 * 60.0 * 60.0;

// A decimal number such as "120", "-0.5" or "1e3"; infinities and NaN are refused.
double parseNumber(std::string_view text, std::string_view optionName);

// A number in [minimum, maximum]; the message names the range.
double parseNumberInRange(std::string_view text, std::string_view optionName, double minimum,
                          double maximum);

// A whole decimal number in [minimum, maximum], without sign, fraction or exponent.
long parseWholeNumber(std::string_view text, std::string_view optionName, long minimum,
                      long maximum);

bool isWholeNumber(std::string_view text);

// "N/D" with N in 1..64 and D a power of two in 1..64.
Meter parseMeter(std::string_view text);

// Exactly 32 comma-separated levels in 32nds (0..32, fractions allowed), returned as the
// plug-in's parameter values 0..1.
StepLevels parseLevels(std::string_view text);

// The same levels written back in 32nds, for messages and listings: "32 16 16 0 ...".
std::string formatLevels(const StepLevels& levels);

// One level in 32nds: whole numbers without decimals, anything else with up to two.
std::string formatLevel(float level);

} // namespace stepveil::tool
