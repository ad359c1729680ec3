// `stepveil open`: the plug-in's editor in a window of the tool's own on the X display, as a
// host shows it, so that the editor can be tried without a host application.
#pragma once

#include "tools/CommandLine.h"

#include <cstdio>

namespace stepveil::tool {

// Shows the editor until its window is closed or the tool is interrupted, printing every
// level the editor changes to `report`.
void runOpen(const OpenOptions& options, std::FILE* report);

} // namespace stepveil::tool
