// A plug-in file loaded into the process, and its entry point. One implementation per system:
// dlopen on Linux (entry `VSTPluginMain`, then `main`), LoadLibrary on Windows (entry `main`).
#pragma once

#include "vst2/vst2.h"

#include <memory>
#include <string>

namespace stepveil::host {

using PluginEntry = AEffect*(VST2_CALL*)(audioMasterCallback hostCallback);

class PluginLibrary {
public:
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    // Unloads the file. Every effect made from it must have been closed first.
    ~PluginLibrary();

    // Loads the file and finds its entry. On failure answers null and puts a message that
    // names the file and the reason into errorText.
    static std::unique_ptr<PluginLibrary> open(const std::string& path, std::string& errorText);

    PluginEntry entry() const { return entryPoint; }
    const std::string& path() const { return filePath; }

private:
    PluginLibrary(void* handle, PluginEntry foundEntry, std::string loadedPath)
        : moduleHandle(handle), entryPoint(foundEntry), filePath(std::move(loadedPath)) {}

    void* moduleHandle;
    PluginEntry entryPoint;
    std::string filePath;
};

} // namespace stepveil::host
