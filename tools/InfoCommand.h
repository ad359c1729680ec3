// `stepveil info`: what a host sees of the plug-in file.
#pragma once

#include "tools/CommandLine.h"

#include <cstdio>

namespace stepveil::tool {

void runInfo(const InfoOptions& options, std::FILE* report);

} // namespace stepveil::tool
