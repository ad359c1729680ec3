#include "platform/linux/core/ModuleHandle.h"

#include <dlfcn.h>

namespace stepveil::platform {

HINSTANCE moduleHandleOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) {
        return nullptr;
    }
    return static_cast<HINSTANCE>(info.dli_fbase);
}

// Opening the loaded file again with RTLD_NODELETE marks it never to be unloaded; the extra
// reference that opening takes is given back at once.
bool pinModuleOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0) {
        return false;
    }
    if (void* again = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE)) {
        dlclose(again);
    }
    return true;
}

HINSTANCE thisModuleHandle() {
    return moduleHandleOf(reinterpret_cast<const void*>(&thisModuleHandle));
}

} // namespace stepveil::platform
