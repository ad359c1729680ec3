#include "tools/PluginQueries.h"

#include "tools/ToolError.h"

namespace stepveil::tool {
namespace {

void checkCount(HostedPlugin& plugin, int count, int maximum, const char* what) {
    if (count < 0 || count > maximum) {
        throw failure("\"" + plugin.path() + "\" reports " + std::to_string(count) + " " + what +
                      ", which no working plug-in does");
    }
}

} // namespace

std::unique_ptr<HostedPlugin> loadPlugin(const std::string& path, int blockSize) {
    host::HostSettings settings;
    settings.blockSize = blockSize;
    host::LoadResult loaded = HostedPlugin::load(path, settings);
    if (!loaded) {
        throw failure("cannot load the plug-in: " + loaded.error);
    }
    std::unique_ptr<HostedPlugin> plugin = std::move(loaded.plugin);
    plugin->callLog().setEnabled(false);
    const AEffect& record = *plugin->effect();
    checkCount(*plugin, record.numPrograms, maximumPluginCount, "programs");
    checkCount(*plugin, record.numParams, maximumPluginCount, "parameters");
    checkCount(*plugin, record.numInputs, maximumPluginChannels, "inputs");
    checkCount(*plugin, record.numOutputs, maximumPluginChannels, "outputs");
    return plugin;
}

int programCount(HostedPlugin& plugin) {
    return plugin.effect()->numPrograms;
}

int parameterCount(HostedPlugin& plugin) {
    return plugin.effect()->numParams;
}

std::vector<std::string> programNames(HostedPlugin& plugin) {
    const int count = programCount(plugin);
    std::vector<std::string> names;
    bool answered = false;
    for (int index = 0; index < count; ++index) {
        names.push_back(plugin.programNameIndexed(index));
        answered = answered || !names.back().empty();
    }
    if (answered || count == 0) {
        return names;
    }
    for (int index = 0; index < count; ++index) {
        plugin.setProgram(index);
        names[static_cast<std::size_t>(index)] = plugin.programName();
    }
    plugin.setProgram(0);
    return names;
}

} // namespace stepveil::tool
