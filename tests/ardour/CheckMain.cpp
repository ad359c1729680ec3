// ardour_gate_check: the audio side of the Ardour test (run-ardour-test.sh).
//
//   ardour_gate_check constant --rate HZ --frames N [--left L] [--right R] OUTPUT.wav
//       writes the constant stereo signal that the session's generator produces, as input
//       for the reference render;
//   ardour_gate_check compare --export FILE --reference FILE --tempo BPM --meter N/D
//                             --levels "L1 ... L32" [--left L] [--right R] [--ticks N]
//                             [--tolerance SAMPLES] [--frames N]
//       checks a host's export against the program's levels (in 32nds) and against the
//       reference that `stepveil render` made from the same signal; --ticks is the host's
//       position resolution in ticks per quarter note (Ardour: 1920), from which the tolerance
//       for a boundary's place follows, unless --tolerance gives it in samples. --frames
//       checks only the first N frames of both files (a host may append silence of its own).
//       Used for Ardour and for LMMS.
//
// Exit status: 0 when every check passes, 1 when one fails, 2 for a wrong command line or an
// unreadable file.
#include "tests/ardour/GateComparison.h"
#include "tests/ardour/StereoAudio.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace stepveil::ardourcheck {
namespace {

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Options as name → value, and the remaining words in order.
struct Arguments {
    std::map<std::string, std::string> options;
    std::vector<std::string> positional;

    const std::string& required(const std::string& name) const {
        const auto found = options.find(name);
        if (found == options.end()) {
            throw UsageError("missing --" + name);
        }
        return found->second;
    }
    std::string optional(const std::string& name, const std::string& fallback) const {
        const auto found = options.find(name);
        return found == options.end() ? fallback : found->second;
    }
};

Arguments parseArguments(int argc, char** argv, int first) {
    Arguments arguments;
    for (int position = first; position < argc; ++position) {
        const std::string word = argv[position];
        if (word.rfind("--", 0) != 0) {
            arguments.positional.push_back(word);
            continue;
        }
        if (position + 1 >= argc) {
            throw UsageError(word + " needs a value");
        }
        arguments.options[word.substr(2)] = argv[++position];
    }
    return arguments;
}

double parseNumber(const std::string& name, const std::string& text) {
    std::size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !std::isfinite(value)) {
        throw UsageError("--" + name + " wants a number, not '" + text + "'");
    }
    return value;
}

int parseWholeNumber(const std::string& name, const std::string& text) {
    const double value = parseNumber(name, text);
    if (value != std::floor(value) || value < 1.0 || value > 1e9) {
        throw UsageError("--" + name + " wants a positive whole number, not '" + text + "'");
    }
    return static_cast<int>(value);
}

void parseMeter(const std::string& text, GateSettings& settings) {
    const auto slash = text.find('/');
    if (slash == std::string::npos) {
        throw UsageError("--meter wants N/D, not '" + text + "'");
    }
    settings.numerator = parseWholeNumber("meter", text.substr(0, slash));
    settings.denominator = parseWholeNumber("meter", text.substr(slash + 1));
}

void parseLevels(const std::string& text, GateSettings& settings) {
    std::istringstream words(text);
    std::size_t count = 0;
    for (std::string word; words >> word; ++count) {
        const double level = parseNumber("levels", word);
        if (count >= settings.levels.size() || level < 0.0 || level > 32.0) {
            throw UsageError("--levels wants 32 levels from 0 to 32");
        }
        settings.levels[count] = level / 32.0;
    }
    if (count != settings.levels.size()) {
        throw UsageError("--levels wants 32 levels, got " + std::to_string(count));
    }
}

void readInputValues(const Arguments& arguments, GateSettings& settings) {
    settings.inputLeft = parseNumber("left", arguments.optional("left", "1"));
    settings.inputRight = parseNumber("right", arguments.optional("right", "-0.5"));
    if (settings.inputLeft == 0.0 || settings.inputRight == 0.0) {
        throw UsageError("the input values must not be 0: the gain is read by dividing by them");
    }
}

int writeConstant(const Arguments& arguments) {
    if (arguments.positional.size() != 1) {
        throw UsageError("constant wants one output file");
    }
    GateSettings values;
    readInputValues(arguments, values);
    StereoAudio audio;
    audio.sampleRate = parseWholeNumber("rate", arguments.required("rate"));
    const auto frames =
        static_cast<std::size_t>(parseWholeNumber("frames", arguments.required("frames")));
    audio.left.assign(frames, static_cast<float>(values.inputLeft));
    audio.right.assign(frames, static_cast<float>(values.inputRight));
    writeStereoFloatWav(arguments.positional.front(), audio);
    return 0;
}

int compare(const Arguments& arguments) {
    GateSettings settings;
    readInputValues(arguments, settings);
    settings.tempo = parseNumber("tempo", arguments.required("tempo"));
    parseMeter(arguments.required("meter"), settings);
    parseLevels(arguments.required("levels"), settings);
    const double ticksPerQuarter = parseNumber("ticks", arguments.optional("ticks", "1920"));

    StereoAudio exported = readStereo(arguments.required("export"));
    StereoAudio reference = readStereo(arguments.required("reference"));
    settings.sampleRate = exported.sampleRate;
    const double samplesPerTick = settings.sampleRate * 60.0 / settings.tempo / ticksPerQuarter;
    settings.positionTolerance = std::ceil(samplesPerTick) + 1.0;
    if (arguments.options.count("tolerance") != 0) {
        settings.positionTolerance = parseWholeNumber("tolerance", arguments.required("tolerance"));
    }

    CheckReport report;
    if (arguments.options.count("frames") != 0) {
        const auto frames =
            static_cast<std::size_t>(parseWholeNumber("frames", arguments.required("frames")));
        for (StereoAudio* audio : {&exported, &reference}) {
            if (audio->frames() < frames) {
                report.fail("a file has " + std::to_string(audio->frames()) +
                            " frames, fewer than the " + std::to_string(frames) + " checked");
            } else {
                audio->left.resize(frames);
                audio->right.resize(frames);
            }
        }
    }
    if (reference.sampleRate != exported.sampleRate) {
        report.fail("the export runs at " + std::to_string(exported.sampleRate) +
                    " Hz, the reference at " + std::to_string(reference.sampleRate) + " Hz");
    }
    const std::vector<double> gains = gainsOf(exported, settings, "export", report);
    const std::vector<double> referenceGains = gainsOf(reference, settings, "reference", report);
    checkPattern(gains, settings, report);
    checkRampShape(gains, settings, "export", report);
    checkRampShape(referenceGains, settings, "reference", report);
    compareWithReference(gains, referenceGains, settings, report);

    std::printf("first bar of the export, in 32nds: %s\n",
                describeFirstBar(gains, settings).c_str());
    for (const std::string& note : report.noteTexts()) {
        std::printf("%s\n", note.c_str());
    }
    for (const std::string& failure : report.failureTexts()) {
        std::printf("FAILED: %s\n", failure.c_str());
    }
    std::printf("%s\n", report.passed() ? "audio check passed" : "audio check FAILED");
    return report.passed() ? 0 : 1;
}

} // namespace
} // namespace stepveil::ardourcheck

int main(int argc, char** argv) {
    using namespace stepveil::ardourcheck;
    try {
        const std::string command = argc > 1 ? argv[1] : "";
        const Arguments arguments = parseArguments(argc, argv, 2);
        if (command == "constant") {
            return writeConstant(arguments);
        }
        if (command == "compare") {
            return compare(arguments);
        }
        throw UsageError("the command is 'constant' or 'compare'");
    } catch (const UsageError& error) {
        std::fprintf(stderr, "ardour_gate_check: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "ardour_gate_check: %s\n", error.what());
        return 2;
    }
}
