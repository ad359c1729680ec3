// `stepveil render`: gates an input file or the built-in source through the plug-in file
// into an audio file.
#pragma once

#include "tools/CommandLine.h"

#include <cstdint>
#include <cstdio>

namespace stepveil::tool {

// Frames of the built-in source a render without INPUT makes at this rate (at least one).
std::int64_t builtInSourceFrames(const RenderOptions& options, int sampleRate);

// Throws ToolError on failure; the output file is then left as it was.
void runRender(const RenderOptions& options, std::FILE* report, std::FILE* progressStream);

} // namespace stepveil::tool
