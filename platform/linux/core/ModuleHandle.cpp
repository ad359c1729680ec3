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

HINSTANCE thisModuleHandle() {
    return moduleHandleOf(reinterpret_cast<const void*>(&thisModuleHandle));
}

} // namespace stepveil::platform
