#include "tools/InfoCommand.h"

#include "tools/PluginLocation.h"
#include "tools/PluginQueries.h"
#include "tools/PluginState.h"

#include <cstdint>
#include <string>

namespace stepveil::tool {
namespace {

std::string uniqueIdText(vst2::int32 id) {
    const auto bits = static_cast<std::uint32_t>(id);
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        code += static_cast<char>((bits >> shift) & 0xFFu);
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", bits);
    for (const char c : code) {
        if (c < 0x20 || c > 0x7E) {
            return hex; // not a four-character code
        }
    }
    return code + " (" + hex + ")";
}

std::string flagsText(vst2::int32 flags) {
    struct FlagName {
        vst2::int32 bit;
        const char* name;
    };
    constexpr FlagName names[] = {
        {effFlagsHasEditor, "has editor"},
        {effFlagsHasClip, "has clip"},
        {effFlagsHasVu, "has vu"},
        {effFlagsCanMono, "can mono"},
        {effFlagsCanReplacing, "can replacing"},
        {effFlagsProgramChunks, "program chunks"},
        {effFlagsIsSynth, "is synth"},
        {effFlagsNoSoundInStop, "no sound in stop"},
    };
    char text[32];
    std::snprintf(text, sizeof text, "%d (0x%X)", flags, static_cast<unsigned>(flags));
    std::string described = text;
    const char* separator = ": ";
    for (const auto& flag : names) {
        if ((flags & flag.bit) != 0) {
            described += separator;
            described += flag.name;
            separator = ", ";
        }
    }
    return described;
}

std::string categoryText(vst2::intptr category) {
    const char* names[] = {"unknown",     "effect",      "synth",       "analysis",
                           "mastering",   "spacializer", "room effect", "surround",
                           "restoration", "offline",     "shell",       "generator"};
    const char* name = category >= 0 && category < 12 ? names[category] : "other";
    return std::string(name) + " (" + std::to_string(category) + ")";
}

void printField(std::FILE* report, const char* label, const std::string& value) {
    std::fprintf(report, "%-12s %s\n", label, value.c_str());
}

void printIdentity(std::FILE* report, HostedPlugin& plugin) {
    const AEffect& record = *plugin.effect();
    printField(report, "File", plugin.path());
    printField(report, "Name", plugin.effectName());
    printField(report, "Vendor", plugin.vendorString());
    printField(report, "Product", plugin.productString());
    printField(report, "Version",
               std::to_string(plugin.dispatch(effGetVendorVersion)) + " (record version " +
                   std::to_string(record.version) + ")");
    printField(report, "Unique id", uniqueIdText(record.uniqueID));
    printField(report, "Category", categoryText(plugin.dispatch(effGetPlugCategory)));
    printField(report, "Flags", flagsText(record.flags));
    printField(report, "Channels",
               std::to_string(record.numInputs) + " in, " + std::to_string(record.numOutputs) +
                   " out");
    printField(report, "Latency", std::to_string(record.initialDelay) + " samples");
}

// Each program is selected in turn and its levels read back as the parameters, as a host
// sees them; levels are shown in 32nds like the editor's number cells.
void printPrograms(std::FILE* report, HostedPlugin& plugin) {
    const std::vector<std::string> names = programNames(plugin);
    const int parameters = parameterCount(plugin);
    std::fprintf(report, "\nPrograms (%zu), levels of each parameter in 32nds:\n", names.size());
    for (std::size_t index = 0; index < names.size(); ++index) {
        plugin.setProgram(static_cast<vst2::int32>(index));
        std::string levels;
        for (int parameter = 0; parameter < parameters; ++parameter) {
            char cell[16];
            std::snprintf(cell, sizeof cell, "%3s",
                          formatLevel(plugin.getParameter(parameter)).c_str());
            levels += cell;
        }
        std::fprintf(report, "%4zu  %-24s%s\n", index, names[index].c_str(), levels.c_str());
    }
}

void printParameters(std::FILE* report, HostedPlugin& plugin) {
    const int parameters = parameterCount(plugin);
    std::fprintf(report, "\nParameters (%d), with the label of their display:\n", parameters);
    for (int index = 0; index < parameters; ++index) {
        const std::string label = plugin.parameterLabel(index);
        const std::string shownLabel = label.empty() ? std::string() : " [" + label + "]";
        std::fprintf(report, "%4d  %s%s\n", index, plugin.parameterName(index).c_str(),
                     shownLabel.c_str());
    }
}

} // namespace

void runInfo(const InfoOptions& options, std::FILE* report) {
    const std::string path = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    std::unique_ptr<HostedPlugin> plugin = loadPlugin(path);
    plugin->open();
    const SelectedProgram current = loadState(*plugin, options.state, std::nullopt);
    printIdentity(report, *plugin);
    printField(report, "Current",
               "program " + std::to_string(current.index) + " \"" + current.name + "\"");
    printPrograms(report, *plugin);
    plugin->setProgram(current.index);
    printParameters(report, *plugin);
}

} // namespace stepveil::tool
