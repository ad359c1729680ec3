// Program and bank files between the plug-in and the disk, as a host imports and exports them:
// a bank or program file taken into the plug-in (its own chunk through effSetChunk, or a
// parameter list program by program), and the plug-in's bank or current program written out.
#pragma once

#include "tools/CommandLine.h"
#include "tools/PluginQueries.h"
#include "tools/PresetFile.h"

#include <optional>
#include <string>
#include <vector>

namespace stepveil::tool {

struct SelectedProgram {
    int index = 0;
    std::string name;
};

// What every command does before it works with the plug-in: the bank file (--bank), then the
// program (--program; without it the bank's current program, or the first), then the program
// file (--preset) into that program. A file that is not such a file, is damaged, or belongs
// to another plug-in is a failure naming the file and the fault, found before anything is
// taken from it. The plug-in must be open.
SelectedProgram loadState(HostedPlugin& plugin, const StateFiles& files,
                          const std::optional<ProgramChoice>& program);

// The plug-in's bank, or its current program, as the file a host would write: its own chunk
// when it keeps its state in chunks, else the parameter lists.
std::vector<std::uint8_t> stateFileOf(HostedPlugin& plugin, PresetKind kind);

} // namespace stepveil::tool
