#include "platform/native_window.h"

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/display/Display.h"

namespace stepveil::platform {

std::uintptr_t nativeWindowOf(HWND window) {
    LayerLock lock = lockLayer();
    return currentDisplay().nativeWindowOf(window);
}

} // namespace stepveil::platform
