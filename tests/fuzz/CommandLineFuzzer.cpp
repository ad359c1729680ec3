// The tool's command line: any arguments (the input split at zero bytes). Parsing either gives
// a command or fails with a usage error (exit status 2) and nothing else. A render's values then
// go where the render puts them: onto the host's transport, which throws at anything it cannot
// play, into the plug-in's levels, and into the built-in source, whose first block must be
// finite and within full scale.
#include "FuzzInput.h"

#include "host/Transport.h"
#include "tools/CommandLine.h"
#include "tools/DemoSource.h"
#include "tools/RenderCommand.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace stepveil::tool;
using fuzzinput::check;

void checkLevels(const std::optional<StepLevels>& levels) {
    for (const float level : levels.value_or(StepLevels{})) {
        check(level >= 0.0f && level <= 1.0f, "a level outside 0..1");
    }
}

void checkRender(const RenderOptions& options) {
    check(options.blockSize >= 1 && options.blockSize <= maximumBlockSize, "block out of range");
    checkLevels(options.levels);
    const int sampleRate = options.sampleRate.value_or(defaultSampleRate);
    stepveil::host::Transport transport;
    transport.setSampleRate(sampleRate);
    transport.setTempo(options.tempo);
    transport.setTimeSignature(options.meter.numerator, options.meter.denominator);
    transport.setPpqPosition(options.startPosition);
    if (!options.inputPath.empty()) {
        return;
    }
    const std::int64_t frames = builtInSourceFrames(options, sampleRate);
    check(frames >= 1 && frames <= static_cast<std::int64_t>(maximumRenderSeconds * sampleRate) + 1,
          "built-in source of an impossible length");
    DemoSource source(sampleRate, options.tempo, options.meter, options.startPosition, frames);
    const int block = std::min(options.blockSize, 4096);
    std::vector<float> left(static_cast<std::size_t>(block)), right(left);
    float* channels[2] = {left.data(), right.data()};
    const int read = source.read(channels, block);
    check(read >= 0 && read <= block, "the source read more than it was asked");
    for (std::size_t k = 0; k < static_cast<std::size_t>(read); ++k) {
        check(std::fabs(left[k]) <= 1.0f && std::fabs(right[k]) <= 1.0f,
              "the built-in source beyond full scale");
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
            checkLevels(snapshot->levels);
        }
    } catch (const ToolError& error) {
        check(error.status() == exitUsage, "a command-line error without the usage status");
    }
    return 0;
}
