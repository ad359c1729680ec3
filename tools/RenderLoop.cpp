#include "tools/RenderLoop.h"

#include "tools/Interruption.h"
#include "tools/ToolError.h"

#include <algorithm>

namespace stepveil::tool {
namespace {

std::vector<std::vector<float>> makeChannels(int count, int frames) {
    return std::vector<std::vector<float>>(static_cast<std::size_t>(count),
                                           std::vector<float>(static_cast<std::size_t>(frames)));
}

std::vector<float*> pointersTo(std::vector<std::vector<float>>& channels) {
    std::vector<float*> pointers;
    for (auto& channel : channels) {
        pointers.push_back(channel.data());
    }
    return pointers;
}

} // namespace

RenderLoop::RenderLoop(host::HostedPlugin& plugin, int blockSize, int fileChannels,
                       host::ProcessMode mode)
    : plugin_(plugin), blockSize_(blockSize), fileChannels_(fileChannels), mode_(mode),
      sourceChannels_(makeChannels(fileChannels, blockSize)),
      pluginInputs_(makeChannels(plugin.effect()->numInputs, blockSize)),
      pluginOutputs_(makeChannels(plugin.effect()->numOutputs, blockSize)),
      sourcePointers_(pointersTo(sourceChannels_)), inputPointers_(pointersTo(pluginInputs_)),
      outputPointers_(pointersTo(pluginOutputs_)),
      interleaved_(static_cast<std::size_t>(blockSize) * static_cast<std::size_t>(fileChannels)) {
    if (pluginOutputs_.empty()) {
        throw failure("the plug-in has no audio outputs");
    }
}

std::int64_t RenderLoop::run(SignalSource& source, AudioOutput& output, ProgressBar& progress) {
    std::int64_t framesDone = 0;
    while (true) {
        if (interruptionRequested()) {
            throw ToolError(exitInterrupted, "interrupted; nothing was written");
        }
        const int frames = source.read(sourcePointers_.data(), blockSize_);
        if (frames <= 0) {
            break;
        }
        feedPluginInputs(frames);
        if (mode_ == host::ProcessMode::accumulating) {
            // The accumulating entry adds to the outputs: start each block from silence.
            for (auto& channel : pluginOutputs_) {
                std::fill_n(channel.begin(), frames, 0.0f);
            }
        }
        plugin_.processBlock(inputPointers_.data(), outputPointers_.data(), frames, mode_);
        collectPluginOutputs(frames);
        output.write(interleaved_.data(), frames);
        framesDone += frames;
        progress.update(framesDone);
    }
    return framesDone;
}

// A mono file feeds both of the plug-in's inputs; inputs beyond the second get silence.
void RenderLoop::feedPluginInputs(int frames) {
    for (std::size_t input = 0; input < pluginInputs_.size(); ++input) {
        auto& destination = pluginInputs_[input];
        if (input < 2) {
            const auto sourceChannel = std::min(input, sourceChannels_.size() - 1);
            std::copy_n(sourceChannels_[sourceChannel].begin(), frames, destination.begin());
        } else {
            std::fill_n(destination.begin(), frames, 0.0f);
        }
    }
}

// A mono file takes the first output, which the gate computes with the same gain as the
// second; a plug-in with a single output gives it to both channels of a stereo file.
void RenderLoop::collectPluginOutputs(int frames) {
    const auto channels = static_cast<std::size_t>(fileChannels_);
    for (std::size_t channel = 0; channel < channels; ++channel) {
        const auto& source = pluginOutputs_[std::min(channel, pluginOutputs_.size() - 1)];
        for (std::size_t frame = 0; frame < static_cast<std::size_t>(frames); ++frame) {
            interleaved_[frame * channels + channel] = source[frame];
        }
    }
}

} // namespace stepveil::tool
