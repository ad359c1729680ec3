#include "tools/ValueParsing.h"

#include "tools/ToolError.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace stepveil::tool {
namespace {

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Renders a range bound without trailing zeros: 1000, 0.5, 768000.
std::string boundText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

bool isPowerOfTwo(long value) {
    return value > 0 && (value & (value - 1)) == 0;
}

} // namespace

double parseNumber(std::string_view text, std::string_view optionName) {
    std::string_view digits = text;
    // from_chars refuses a leading '+', which people do write.
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    double value = 0.0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || error != std::errc() || stop != end || !std::isfinite(value)) {
        throw usageError(std::string(optionName) + ": expected a number, got " + quoted(text));
    }
    return value;
}

double parseNumberInRange(std::string_view text, std::string_view optionName, double minimum,
                          double maximum) {
    const double value = parseNumber(text, optionName);
    if (value < minimum || value > maximum) {
        throw usageError(std::string(optionName) + ": " + quoted(text) + " is outside " +
                         boundText(minimum) + ".." + boundText(maximum));
    }
    return value;
}

bool isWholeNumber(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

long parseWholeNumber(std::string_view text, std::string_view optionName, long minimum,
                      long maximum) {
    if (!isWholeNumber(text)) {
        throw usageError(std::string(optionName) + ": expected a whole number, got " +
                         quoted(text));
    }
    long value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range || value < minimum || value > maximum) {
        throw usageError(std::string(optionName) + ": " + quoted(text) + " is outside " +
                         std::to_string(minimum) + ".." + std::to_string(maximum));
    }
    return value;
}

Meter parseMeter(std::string_view text) {
    const std::string expectation =
        "--meter: expected a time signature such as 4/4 or 6/8, got " + quoted(text);
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) {
        throw usageError(expectation);
    }
    const std::string_view numeratorText = trimmed(text.substr(0, slash));
    const std::string_view denominatorText = trimmed(text.substr(slash + 1));
    if (!isWholeNumber(numeratorText) || !isWholeNumber(denominatorText)) {
        throw usageError(expectation);
    }
    Meter meter;
    meter.numerator = static_cast<int>(
        parseWholeNumber(numeratorText, "--meter beats per bar", 1, maximumMeterNumerator));
    const long denominator =
        parseWholeNumber(denominatorText, "--meter note value", 1, maximumMeterDenominator);
    if (!isPowerOfTwo(denominator)) {
        throw usageError("--meter: the note value must be 1, 2, 4, 8, 16, 32 or 64, got " +
                         quoted(denominatorText));
    }
    meter.denominator = static_cast<int>(denominator);
    return meter;
}

StepLevels parseLevels(std::string_view text) {
    StepLevels levels{};
    std::size_t count = 0;
    std::string_view rest = text;
    while (true) {
        const auto comma = rest.find(',');
        const std::string_view item = trimmed(rest.substr(0, comma));
        if (count < levels.size()) {
            const std::string name = "--levels value " + std::to_string(count + 1);
            const double units = parseNumberInRange(item, name, 0.0, levelUnitsPerFullLevel);
            levels[count] = static_cast<float>(units / levelUnitsPerFullLevel);
        }
        ++count;
        if (comma == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(comma + 1);
    }
    if (count != levels.size()) {
        throw usageError("--levels: expected 32 comma-separated levels (0..32 each), got " +
                         std::to_string(count));
    }
    return levels;
}

std::string formatLevel(float level) {
    const double units = static_cast<double>(level) * levelUnitsPerFullLevel;
    char buffer[32];
    if (units == std::floor(units)) {
        std::snprintf(buffer, sizeof buffer, "%.0f", units);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.2f", units);
    }
    return buffer;
}

std::string formatLevels(const StepLevels& levels) {
    std::string text;
    for (std::size_t step = 0; step < levels.size(); ++step) {
        if (step > 0) {
            text += ' ';
        }
        text += formatLevel(levels[step]);
    }
    return text;
}

} // namespace stepveil::tool
