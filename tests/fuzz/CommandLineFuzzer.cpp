// The tool's command line: any arguments (the input split at zero bytes). Parsing either
// gives a command whose every value lies in its documented range, or fails with a usage
// error (exit status 2) and nothing else. A render's values then go where the render puts
// them: onto the host's transport, and into the built-in source, whose first block must be
// finite and within full scale.
#include "FuzzInput.h"

#include "host/Transport.h"
#include "tools/CommandLine.h"
#include "tools/DemoSource.h"
#include "tools/RenderCommand.h"
#include "tools/ToolError.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace stepveil::tool;
using fuzzinput::fail;

void check(bool condition, const char* what) {
    if (!condition) {
        fail(what);
    }
}

void checkLevels(const std::optional<StepLevels>& levels) {
    if (!levels) {
        return;
    }
    for (const float level : *levels) {
        check(level >= 0.0f && level <= 1.0f, "a level outside 0..1");
    }
    check(!formatLevels(*levels).empty(), "levels without a text");
}

bool isPowerOfTwo(int value) {
    return value > 0 && (value & (value - 1)) == 0;
}

// Plays the first block of the built-in source as `render` would make it.
void checkBuiltInSource(const RenderOptions& options, int sampleRate) {
    const std::int64_t frames = builtInSourceFrames(options, sampleRate);
    check(frames >= 1 && frames <= static_cast<std::int64_t>(maximumRenderSeconds * sampleRate) + 1,
          "built-in source of an impossible length");
    DemoSource source(sampleRate, options.tempo, options.meter, options.startPosition, frames);
    const int block = std::min(options.blockSize, 4096);
    std::vector<float> left(static_cast<std::size_t>(block));
    std::vector<float> right(static_cast<std::size_t>(block));
    float* channels[2] = {left.data(), right.data()};
    const int read = source.read(channels, block);
    check(read >= 0 && read <= block, "the source read more than it was asked");
    for (int k = 0; k < read; ++k) {
        const auto index = static_cast<std::size_t>(k);
        check(std::fabs(left[index]) <= 1.0f && std::fabs(right[index]) <= 1.0f,
              "the built-in source beyond full scale");
    }
}

void checkRender(const RenderOptions& options) {
    check(options.tempo >= minimumTempo && options.tempo <= maximumTempo, "tempo out of range");
    check(options.meter.numerator >= 1 && options.meter.numerator <= maximumMeterNumerator &&
              isPowerOfTwo(options.meter.denominator) &&
              options.meter.denominator <= maximumMeterDenominator,
          "metre out of range");
    check(std::fabs(options.startPosition) <= 1.0e6, "start out of range");
    check(options.blockSize >= 1 && options.blockSize <= maximumBlockSize, "block out of range");
    check(!options.outputPath.empty(), "no output file");
    check(!options.program.number ||
              (*options.program.number >= 0 && *options.program.number <= 9999),
          "program number out of range");
    check(options.program.number || !options.program.name.empty(), "no program");
    check(!options.length || options.inputPath.empty(), "a length with an input file");
    checkLevels(options.levels);
    if (options.sampleRate) {
        check(*options.sampleRate >= minimumSampleRate && *options.sampleRate <= maximumSampleRate,
              "rate out of range");
    }
    const int sampleRate = options.sampleRate.value_or(defaultSampleRate);
    // The transport refuses what it cannot play with an exception: that would be a value the
    // parser let through.
    stepveil::host::Transport transport;
    transport.setSampleRate(sampleRate);
    transport.setTempo(options.tempo);
    transport.setTimeSignature(options.meter.numerator, options.meter.denominator);
    transport.setPpqPosition(options.startPosition);
    if (options.inputPath.empty()) {
        checkBuiltInSource(options, sampleRate);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size && arguments.size() <= 40; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    try {
        const Command command = parseCommandLine(arguments);
        if (const auto* help = std::get_if<HelpRequest>(&command)) {
            check(!usageText(help->topic).empty(), "no help text");
        } else if (const auto* render = std::get_if<RenderOptions>(&command)) {
            checkRender(*render);
        } else if (const auto* snapshot = std::get_if<SnapshotOptions>(&command)) {
            check(snapshot->outputPath.size() >= 4, "snapshot without a file name");
            checkLevels(snapshot->levels);
        }
    } catch (const ToolError& error) {
        check(error.status() == exitUsage, "a command-line error without the usage status");
    }
    return 0;
}
