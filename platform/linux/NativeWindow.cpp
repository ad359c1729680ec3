#include "platform/native_window.h"

#include "platform/linux/Display.h"
#include "platform/linux/LayerLock.h"

namespace stepveil::platform {

std::uintptr_t nativeWindowOf(HWND window) {
    LayerLock lock = lockLayer();
    return currentDisplay().nativeWindowOf(window);
}

} // namespace stepveil::platform
