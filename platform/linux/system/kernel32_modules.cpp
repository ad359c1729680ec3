// kernel32: module loading. The layer loads no files: the modules it knows are built in, and
// the only one is msimg32.dll with its TransparentBlt.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ModuleHandle.h"
#include "platform/linux/system/SystemSettings.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

using namespace stepveil::platform;

namespace {

struct BuiltInModule {
    const char* name;
    std::uintptr_t handleValue; // odd, so never the value of a table handle
    FARPROC transparentBlt;
    int loadCount;
};

// Function pointers pass through the generic `void (*)()` on their way to FARPROC, the one
// conversion that does not claim the two types match.
FARPROC asFarProc(void (*function)()) {
    return reinterpret_cast<FARPROC>(function);
}

BuiltInModule& msimg32() {
    static BuiltInModule module{"msimg32.dll", 0x7A110001,
                                asFarProc(reinterpret_cast<void (*)()>(&TransparentBlt)), 0};
    return module;
}

// "MSIMG32", "msimg32.dll" and "C:\\Windows\\System32\\msimg32.dll" all name the module.
std::string moduleName(const char* fileName) {
    std::string name = fileName;
    std::size_t separator = name.find_last_of("\\/");
    if (separator != std::string::npos) {
        name.erase(0, separator + 1);
    }
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char character) {
        return static_cast<char>(std::tolower(character));
    });
    if (name.find('.') == std::string::npos) {
        name += ".dll";
    }
    return name;
}

BuiltInModule* loadedModule(HMODULE handle) {
    BuiltInModule& module = msimg32();
    if (reinterpret_cast<std::uintptr_t>(handle) != module.handleValue || module.loadCount == 0) {
        return nullptr;
    }
    return &module;
}

} // namespace

HMODULE LoadLibraryA(LPCSTR fileName) {
    auto lock = lockLayer();
    if (fileName == nullptr) {
        return nullptr;
    }
    std::string name = moduleName(fileName);
    BuiltInModule& module = msimg32();
    if (name != module.name || systemSettings().unavailableLibraries.count(name) > 0) {
        return nullptr;
    }
    ++module.loadCount;
    return reinterpret_cast<HMODULE>(module.handleValue);
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procedureName) {
    auto lock = lockLayer();
    BuiltInModule* module = loadedModule(handle);
    if (module == nullptr || procedureName == nullptr || IS_INTRESOURCE(procedureName) ||
        std::strcmp(procedureName, "TransparentBlt") != 0) {
        return nullptr;
    }
    return module->transparentBlt;
}

BOOL FreeLibrary(HMODULE handle) {
    auto lock = lockLayer();
    BuiltInModule* module = loadedModule(handle);
    if (module == nullptr) {
        return FALSE;
    }
    --module->loadCount;
    return TRUE;
}

// Only the module holding an address is known here (the plug-in asking for its own file, to
// keep it loaded); the built-in modules are reached through LoadLibraryA.
BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module) {
    if (module == nullptr) {
        return FALSE;
    }
    *module = nullptr;
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) == 0 || moduleName == nullptr) {
        return FALSE;
    }
    HMODULE found = moduleHandleOf(moduleName);
    if (found == nullptr) {
        return FALSE;
    }
    if ((flags & GET_MODULE_HANDLE_EX_FLAG_PIN) != 0 && !pinModuleOf(moduleName)) {
        return FALSE;
    }
    *module = found;
    return TRUE;
}
