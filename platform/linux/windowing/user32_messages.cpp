// user32: the message queue. Posted messages come first, in order; WM_PAINT is made from a
// window's update region only when nothing else in the filter's range is waiting, one per
// window, and stays until the window is validated.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/LayerTasks.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/windowing/SentMessages.h"
#include "platform/linux/windowing/WindowManager.h"
#include "platform/linux/windowing/WindowProcedure.h"

using namespace stepveil::platform;

namespace {

// Windows whose host window went while the layer was not looking: each gets WM_DESTROY as in
// Win32, on the thread that owns it, before that thread reads its queue.
void destroyWindowsLostToTheSystem(LayerLock& lock) {
    for (HWND handle : currentDisplay().windowsLostToTheSystem()) {
        auto window = findWindow(handle);
        if (window && !window->destroying && window->thread == callingThread()) {
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
    waitWhileActedFor(lock);
    InMessageFunction reading;
    currentDisplay().collectEvents();
    destroyWindowsLostToTheSystem(lock);
    handleSentMessages(lock);
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
    waitWhileActedFor(lock);
    auto window = findWindow(message->hwnd);
    if (!window || window->destroying) {
        return 0;
    }
    return callWindowProcedure(lock, message->hwnd, window->procedure, message->message,
                               message->wParam, message->lParam);
}

// The message waits in the queue of the window's thread until that thread reads it.
BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || window->destroying) {
        return FALSE;
    }
    postMessage(MSG{handle, message, wParam, lParam, 0, POINT{0, 0}}, window->thread);
    return TRUE;
}

// Within the calling thread the procedure is called at once. A window of another thread gets
// the message through that thread's message functions, or from this thread acting for it
// when that thread is not reading messages (SentMessages.h). The flags are not needed: the
// wait never blocks this thread's own sent messages, and a thread that does not answer is
// waited for only until the time-out.
LRESULT SendMessageTimeoutA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, UINT,
                            UINT timeout, PDWORD_PTR result) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || window->destroying) {
        return 0;
    }
    LRESULT answer = 0;
    if (window->thread == callingThread()) {
        answer = callWindowProcedure(lock, handle, window->procedure, message, wParam, lParam);
    } else if (!sendToOtherThread(lock, *window, message, wParam, lParam, timeout, answer)) {
        return 0;
    }
    if (result != nullptr) {
        *result = static_cast<DWORD_PTR>(answer);
    }
    return 1;
}
