// Loading a plug-in file on Linux and other systems with the dynamic loader.
#include "host/PluginLibrary.h"

#include <dlfcn.h>

#include <cstring>

namespace stepveil::host {

namespace {

std::string lastLoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

} // namespace

PluginLibrary::~PluginLibrary() {
    dlclose(moduleHandle);
}

std::unique_ptr<PluginLibrary> PluginLibrary::open(const std::string& path,
                                                   std::string& errorText) {
    // Local symbols, so that two plug-ins with like-named internals cannot bind to each other.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        errorText = "cannot load plug-in file '" + path + "': " + lastLoaderError();
        return nullptr;
    }
    // Linux hosts look for the dedicated name first; `main` is the name every system knows.
    void* symbol = nullptr;
    for (const char* name : {"VSTPluginMain", "main"}) {
        dlerror();
        symbol = dlsym(handle, name);
        if (symbol != nullptr) {
            break;
        }
    }
    if (symbol == nullptr) {
        dlclose(handle);
        errorText =
            "'" + path + "' is not a VST 2 plug-in: it exports neither VSTPluginMain nor main";
        return nullptr;
    }
    // The loader hands out an object pointer; the entry is a function in that object.
    PluginEntry entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol), "function and object pointers differ in size");
    std::memcpy(&entry, &symbol, sizeof(entry));
    return std::unique_ptr<PluginLibrary>(new PluginLibrary(handle, entry, path));
}

} // namespace stepveil::host
