// Loading the plug-in file for the tool and the questions both commands ask of it, with the
// answers checked: a broken or foreign plug-in file gives a clear failure, not a crash or a
// loop over a billion programs.
#pragma once

#include "host/HostedPlugin.h"

#include <memory>
#include <string>
#include <vector>

namespace stepveil::tool {

using host::HostedPlugin;

// More than any real plug-in has; counts beyond it mean the record is not what it claims.
constexpr int maximumPluginCount = 4096;
constexpr int maximumPluginChannels = 64;

// Loads the file with the given block size announced and the call log off (the tool never
// reads it, and a long render would make it grow without end). Throws a failure naming the
// file and the reason when it is not a loadable plug-in.
std::unique_ptr<HostedPlugin> loadPlugin(const std::string& path, int blockSize = 512);

int programCount(HostedPlugin& plugin);
int parameterCount(HostedPlugin& plugin);

// The names of all programs. Uses the indexed query, and selects each program in turn only
// for a plug-in that does not answer it (leaving its first program selected).
std::vector<std::string> programNames(HostedPlugin& plugin);

} // namespace stepveil::tool
