// user32: the message queue. Posted messages come first, in order; WM_PAINT is made from a
// window's update region only when nothing else in the filter's range is waiting, one per
// window, and stays until the window is validated.
#include "platform/linux/Display.h"
#include "platform/linux/LayerLock.h"
#include "platform/linux/LayerTasks.h"
#include "platform/linux/WindowManager.h"
#include "platform/linux/WindowProcedure.h"

using namespace stepveil::platform;

BOOL PeekMessageA(LPMSG message, HWND window, UINT firstMessage, UINT lastMessage, UINT removal) {
    auto lock = lockLayer();
    if (message == nullptr) {
        return FALSE;
    }
    currentDisplay().collectEvents();
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
