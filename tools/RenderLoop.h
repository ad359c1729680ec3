// Moves audio from a source through the hosted plug-in into the output file, block by
// block, with every buffer allocated up front.
#pragma once

#include "host/HostedPlugin.h"
#include "tools/AudioOutput.h"
#include "tools/ProgressBar.h"
#include "tools/SignalSource.h"

#include <cstdint>
#include <vector>

namespace stepveil::tool {

class RenderLoop {
public:
    // fileChannels is the channel count of both the source and the output file (1 or 2).
    RenderLoop(host::HostedPlugin& plugin, int blockSize, int fileChannels, host::ProcessMode mode);

    // Renders the whole source; answers the number of frames written. Throws ToolError when
    // the user interrupts or a file fails.
    std::int64_t run(SignalSource& source, AudioOutput& output, ProgressBar& progress);

private:
    void feedPluginInputs(int frames);
    void collectPluginOutputs(int frames);

    host::HostedPlugin& plugin_;
    int blockSize_;
    int fileChannels_;
    host::ProcessMode mode_;
    std::vector<std::vector<float>> sourceChannels_;
    std::vector<std::vector<float>> pluginInputs_;
    std::vector<std::vector<float>> pluginOutputs_;
    std::vector<float*> sourcePointers_;
    std::vector<float*> inputPointers_;
    std::vector<float*> outputPointers_;
    std::vector<float> interleaved_;
};

} // namespace stepveil::tool
