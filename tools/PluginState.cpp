#include "tools/PluginState.h"

#include "tools/ProgramLookup.h"
#include "tools/ToolError.h"

#include <cstdio>

namespace stepveil::tool {
namespace {

std::string idText(vst2::int32 id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(id));
    return text;
}

ToolError fault(const std::string& path, const std::string& what) {
    return failure("cannot load \"" + path + "\": " + what);
}

bool keepsChunks(HostedPlugin& plugin) {
    return (plugin.effect()->flags & effFlagsProgramChunks) != 0;
}

// The checks that need the plug-in: its id, its counts, whether it takes chunks at all.
void checkSuits(HostedPlugin& plugin, const PresetFile& file, const std::string& path) {
    const AEffect& record = *plugin.effect();
    if (file.pluginId != record.uniqueID) {
        throw fault(path, "it holds programs of another plug-in (id " + idText(file.pluginId) +
                              "), not of \"" + plugin.path() + "\" (id " + idText(record.uniqueID) +
                              ")");
    }
    if (file.isChunk && !keepsChunks(plugin)) {
        throw fault(path, "it holds a chunk, and \"" + plugin.path() + "\" takes none");
    }
    if (static_cast<int>(file.programs.size()) > record.numPrograms) {
        throw fault(path, "it holds " + std::to_string(file.programs.size()) +
                              " programs; the plug-in has " + std::to_string(record.numPrograms));
    }
    for (const ProgramRecord& program : file.programs) {
        if (static_cast<int>(program.parameters.size()) != record.numParams) {
            throw fault(path, "its programs have " + std::to_string(program.parameters.size()) +
                                  " parameters; the plug-in has " +
                                  std::to_string(record.numParams));
        }
    }
}

void setProgramFrom(HostedPlugin& plugin, const ProgramRecord& program) {
    plugin.setProgramName(program.name);
    for (std::size_t index = 0; index < program.parameters.size(); ++index) {
        plugin.setParameter(static_cast<vst2::int32>(index), program.parameters[index]);
    }
}

void load(HostedPlugin& plugin, const PresetFile& file, const std::string& path) {
    checkSuits(plugin, file, path);
    const bool isBank = file.kind == PresetKind::bank;
    if (file.isChunk) {
        std::vector<std::uint8_t> chunk = file.chunk;
        if (chunk.empty() ||
            plugin.dispatch(effSetChunk, isBank ? 0 : 1, static_cast<vst2::intptr>(chunk.size()),
                            chunk.data()) == 0) {
            throw fault(path, "the plug-in refused the chunk in it (damaged, or written by a "
                              "version of the plug-in that this one cannot read)");
        }
        return;
    }
    if (!isBank) {
        setProgramFrom(plugin, file.programs.front());
        return;
    }
    for (std::size_t index = 0; index < file.programs.size(); ++index) {
        plugin.setProgram(static_cast<vst2::int32>(index));
        setProgramFrom(plugin, file.programs[index]);
    }
    plugin.setProgram(file.currentProgram.value_or(0));
}

// A stored value as a file may hold it: a parameter of 0..1.
float fileValue(float value) {
    return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f;
}

ProgramRecord currentProgramOf(HostedPlugin& plugin) {
    ProgramRecord program;
    program.name = plugin.programName();
    for (int index = 0; index < parameterCount(plugin); ++index) {
        program.parameters.push_back(fileValue(plugin.getParameter(index)));
    }
    return program;
}

} // namespace

SelectedProgram loadState(HostedPlugin& plugin, const StateFiles& files,
                          const std::optional<ProgramChoice>& program) {
    // Both files are read and parsed before either is taken into the plug-in.
    std::optional<PresetFile> bank;
    std::optional<PresetFile> preset;
    if (!files.bankPath.empty()) {
        bank = readPresetFile(files.bankPath, PresetKind::bank);
    }
    if (!files.presetPath.empty()) {
        preset = readPresetFile(files.presetPath, PresetKind::program);
    }
    if (bank) {
        load(plugin, *bank, files.bankPath);
    }
    const int current = static_cast<int>(plugin.program());
    const std::vector<std::string> names = programNames(plugin);
    SelectedProgram selected;
    if (program || !names.empty()) {
        selected.index = resolveProgram(program.value_or(ProgramChoice{current, {}}), names);
        plugin.setProgram(selected.index);
    }
    if (preset) {
        load(plugin, *preset, files.presetPath);
    }
    selected.name = plugin.programName();
    return selected;
}

std::vector<std::uint8_t> stateFileOf(HostedPlugin& plugin, PresetKind kind) {
    const AEffect& record = *plugin.effect();
    PresetFile file;
    file.kind = kind;
    file.pluginId = record.uniqueID;
    file.pluginVersion = static_cast<std::int32_t>(plugin.dispatch(effGetVendorVersion));
    const int current = static_cast<int>(plugin.program());
    if (kind == PresetKind::bank) {
        file.currentProgram = current;
    }
    if (keepsChunks(plugin)) {
        void* data = nullptr;
        const auto size = plugin.dispatch(effGetChunk, kind == PresetKind::bank ? 0 : 1, 0, &data);
        if (size <= 0 || data == nullptr) {
            throw failure("\"" + plugin.path() + "\" gave no chunk to save");
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        file.isChunk = true;
        file.chunk.assign(bytes, bytes + size);
        file.programCount = record.numPrograms;
        file.parameterCount = record.numParams;
        file.programName = plugin.programName();
    } else if (kind == PresetKind::program) {
        file.programs.push_back(currentProgramOf(plugin));
    } else {
        for (int index = 0; index < programCount(plugin); ++index) {
            plugin.setProgram(index);
            file.programs.push_back(currentProgramOf(plugin));
        }
        plugin.setProgram(current);
    }
    return encodePresetFile(file);
}

} // namespace stepveil::tool
