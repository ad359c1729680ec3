// The whole tool behind main(): parses the command line, runs the subcommand, and turns
// every error into a message on standard error and an exit status.
#pragma once

#include <string>
#include <vector>

namespace stepveil::tool {

// arguments excludes the program's own name. Answers the process's exit status.
int runTool(const std::vector<std::string>& arguments);

} // namespace stepveil::tool
