// Calls the module's DllMain when the shared library that contains this layer is loaded and
// unloaded, as the Windows loader does for a DLL. The instance handle is the module's load
// address, which names exactly one module in the process; resources compiled into the same
// module register under the same address, so LoadBitmapA finds them through it.
#include "platform/linux/core/ModuleHandle.h"
#include "platform/win32.h"

// Weak: executables that link the layer (tests, tools) have no DllMain of their own.
extern "C" BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) __attribute__((weak));

namespace {

__attribute__((constructor)) void attachModule() {
    if (DllMain != nullptr) {
        DllMain(stepveil::platform::thisModuleHandle(), DLL_PROCESS_ATTACH, nullptr);
    }
}

__attribute__((destructor)) void detachModule() {
    if (DllMain != nullptr) {
        DllMain(stepveil::platform::thisModuleHandle(), DLL_PROCESS_DETACH, nullptr);
    }
}

} // namespace

// Referenced by the link options of the platform target so that the linker always takes
// this file out of the static library, even though nothing calls into it.
extern "C" void stepveil_platform_load_hook() {}
