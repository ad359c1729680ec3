// Where the tool finds the plug-in file when --plugin is not given.
#pragma once

#include <string>

namespace stepveil::tool {

// The plug-in file beside the tool's own executable (a copied pair), else where an installation
// puts it relative to the tool, else the one this build produced. Throws a failure naming the
// places looked at and saying to use --plugin when none exists.
std::string defaultPluginPath();

} // namespace stepveil::tool
