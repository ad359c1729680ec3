#include "tools/RenderCommand.h"

#include "tools/AudioInput.h"
#include "tools/AudioOutput.h"
#include "tools/DemoSource.h"
#include "tools/PluginLocation.h"
#include "tools/PluginQueries.h"
#include "tools/PluginState.h"
#include "tools/ProgressBar.h"
#include "tools/RenderLoop.h"
#include "tools/ToolError.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace stepveil::tool {
namespace {

std::unique_ptr<SignalSource> openSource(const RenderOptions& options) {
    if (options.inputPath.empty()) {
        const int rate = options.sampleRate.value_or(defaultSampleRate);
        return std::make_unique<DemoSource>(rate, options.tempo, options.meter,
                                            options.startPosition,
                                            builtInSourceFrames(options, rate));
    }
    auto input = std::make_unique<AudioInput>(options.inputPath);
    const auto inputRate = static_cast<int>(input->sampleRate());
    if (options.sampleRate && *options.sampleRate != inputRate) {
        throw usageError("--rate " + std::to_string(*options.sampleRate) + " differs from the " +
                         std::to_string(inputRate) + " Hz of \"" + options.inputPath +
                         "\"; the tool does not resample");
    }
    return input;
}

// The host's side of the session: tempo, metre, position and rate on the transport, then
// the start-up a host performs, the bank, program and levels, then switching the effect on.
std::string preparePlugin(HostedPlugin& plugin, const RenderOptions& options, int sampleRate) {
    host::Transport& transport = plugin.transport();
    transport.setSampleRate(sampleRate);
    transport.setTempo(options.tempo);
    transport.setTimeSignature(options.meter.numerator, options.meter.denominator);
    transport.setPpqPosition(options.startPosition);
    plugin.open();

    const SelectedProgram program = loadState(plugin, options.state, options.program);
    if (options.levels) {
        if (parameterCount(plugin) < stepCount) {
            throw failure("--levels needs a plug-in with 32 parameters; this one has " +
                          std::to_string(parameterCount(plugin)));
        }
        for (int step = 0; step < stepCount; ++step) {
            plugin.setParameter(step, (*options.levels)[static_cast<std::size_t>(step)]);
        }
    }
    plugin.resume();
    return std::to_string(program.index) + " \"" + program.name + "\"" +
           (options.levels ? " with the levels given" : "");
}

} // namespace

std::int64_t builtInSourceFrames(const RenderOptions& options, int sampleRate) {
    const SourceLength length = options.length.value_or(SourceLength{});
    const double seconds =
        length.unit == SourceLength::Unit::seconds
            ? length.amount
            : length.amount * options.meter.quarterNotesPerBar() * 60.0 / options.tempo;
    return std::max<std::int64_t>(1, std::llround(seconds * sampleRate));
}

void runRender(const RenderOptions& options, std::FILE* report, std::FILE* progressStream) {
    std::unique_ptr<SignalSource> source = openSource(options);
    const auto sampleRate = static_cast<int>(source->sampleRate());
    const std::string pluginPath =
        options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    std::unique_ptr<HostedPlugin> plugin = loadPlugin(pluginPath, options.blockSize);
    const std::string programText = preparePlugin(*plugin, options, sampleRate);

    const int channels = source->channelCount();
    AudioOutput output(options.outputPath, options.outputFormat, channels, sampleRate,
                       source->totalFrames());
    if (const auto* input = dynamic_cast<const AudioInput*>(source.get())) {
        output.setTags(input->tags());
    }
    const auto mode =
        options.accumulate ? host::ProcessMode::accumulating : host::ProcessMode::replacing;
    RenderLoop loop(*plugin, options.blockSize, channels, mode);
    ProgressBar progress(progressStream, source->totalFrames(), sampleRate);
    const std::int64_t frames = loop.run(*source, output, progress);
    progress.finish();
    output.commit();

    std::fprintf(report, "wrote %s: %.2f s, %s, %d Hz, program %s\n", options.outputPath.c_str(),
                 static_cast<double>(frames) / sampleRate, channels == 1 ? "mono" : "stereo",
                 sampleRate, programText.c_str());
}

} // namespace stepveil::tool
