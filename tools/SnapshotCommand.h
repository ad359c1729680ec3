// `stepveil snapshot`: a picture of the plug-in's editor, taken without a screen.
#pragma once

#include "tools/CommandLine.h"

#include <cstdio>

namespace stepveil::tool {

// The environment variable through which the plug-in's headless display mirrors what it
// shows in the host's window into a PNG file.
constexpr const char* pictureVariable = "STEPVEIL_HEADLESS_PICTURE";

void runSnapshot(const SnapshotOptions& options, std::FILE* report);

} // namespace stepveil::tool
