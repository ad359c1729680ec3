#include "platform/linux/windowing/WindowProcedure.h"

#include "platform/linux/windowing/SentMessages.h"

namespace stepveil::platform {

LRESULT callWindowProcedure(LayerLock& lock, HWND window, WNDPROC procedure, UINT message,
                            WPARAM wParam, LPARAM lParam) {
    // A thread running a window procedure reads its messages again soon (a drag's idle pump),
    // or returns to the message function that called it.
    InMessageFunction running;
    lock.unlock();
    LRESULT result = procedure != nullptr ? procedure(window, message, wParam, lParam)
                                          : DefWindowProcA(window, message, wParam, lParam);
    lock.lock();
    return result;
}

} // namespace stepveil::platform
