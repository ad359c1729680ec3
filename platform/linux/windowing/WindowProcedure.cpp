#include "platform/linux/windowing/WindowProcedure.h"

namespace stepveil::platform {

LRESULT callWindowProcedure(LayerLock& lock, HWND window, WNDPROC procedure, UINT message,
                            WPARAM wParam, LPARAM lParam) {
    lock.unlock();
    LRESULT result = procedure != nullptr ? procedure(window, message, wParam, lParam)
                                          : DefWindowProcA(window, message, wParam, lParam);
    lock.lock();
    return result;
}

} // namespace stepveil::platform
