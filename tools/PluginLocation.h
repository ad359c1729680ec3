// Where the tool finds the plug-in file when --plugin is not given.
#pragma once

#include <string>

namespace stepveil::tool {

// The plug-in file beside the tool's own executable (an installed or copied pair), else the
// one this build produced. Throws a failure saying to use --plugin when neither exists.
std::string defaultPluginPath();

} // namespace stepveil::tool
