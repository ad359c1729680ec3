// user32: the message queue. Posted messages come first, in order; WM_PAINT is made from a
// window's update region only when nothing else in the filter's range is waiting, one per
// window, and stays until the window is validated.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/LayerTasks.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/windowing/WindowManager.h"
#include "platform/linux/windowing/WindowProcedure.h"

using namespace stepveil::platform;

namespace {

// Windows whose host window went while the layer was not looking: each gets WM_DESTROY as in
// Win32, on the thread that owns it, before that thread reads its queue.
void destroyWindowsLostToTheSystem(LayerLock& lock) {
    for (HWND handle : currentDisplay().windowsLostToTheSystem()) {
        auto window = findWindow(handle);
        if (window && !window->destroying && window->thread == std::this_thread::get_id()) {
            destroyWindowTree(lock, window);
        }
    }
}

} // namespace

BOOL PeekMessageA(LPMSG message, HWND window, UINT firstMessage, UINT lastMessage, UINT removal) {
    auto lock = lockLayer();
    if (message == nullptr) {
        return FALSE;
    }
    currentDisplay().collectEvents();
    destroyWindowsLostToTheSystem(lock);
    runLayerTasks(lock);
    MSG found{};
    bool remove = (removal & PM_REMOVE) != 0;
    if (!takePostedMessage(found, window, firstMessage, lastMessage, remove)) {
        HWND needsPaint = messageInRange(WM_PAINT, firstMessage, lastMessage)
                              ? windowNeedingPaint(window)
                              : nullptr;
        if (needsPaint == nullptr) {
            return FALSE;
        }
        found = MSG{needsPaint, WM_PAINT, 0, 0, 0, POINT{0, 0}};
    }
    found.time = currentDisplay().tickCount();
    found.pt = currentDisplay().cursorPosition();
    if (remove) {
        currentDisplay().messageTaken(found);
    }
    *message = found;
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
    auto lock = lockLayer();
    if (message == nullptr) {
        return 0;
    }
    auto window = findWindow(message->hwnd);
    if (!window || window->destroying) {
        return 0;
    }
    return callWindowProcedure(lock, message->hwnd, window->procedure, message->message,
                               message->wParam, message->lParam);
}
