// Finds the program that --program names among the names the plug-in reports.
#pragma once

#include "tools/CommandLine.h"

#include <string>
#include <vector>

namespace stepveil::tool {

// Answers the index of the chosen program. A name matches exactly, or else ignoring case
// (the first such program). Throws a usage error that lists the programs when nothing fits.
int resolveProgram(const ProgramChoice& choice, const std::vector<std::string>& programNames);

} // namespace stepveil::tool
