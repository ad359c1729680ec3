// user32: window classes, windows, their data slot and position, and the default handling
// of messages.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/drawing/GdiObjects.h"
#include "platform/linux/windowing/WindowManager.h"
#include "platform/linux/windowing/WindowProcedure.h"

#include <algorithm>

#include <unistd.h>

using namespace stepveil::platform;

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
    auto lock = lockLayer();
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
        IS_INTRESOURCE(windowClass->lpszClassName) || windowClass->lpfnWndProc == nullptr) {
        return 0;
    }
    return registerWindowClass(*windowClass);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
    auto lock = lockLayer();
    if (className == nullptr || IS_INTRESOURCE(className)) {
        return FALSE;
    }
    return unregisterWindowClass(className, instance) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
    auto lock = lockLayer();
    if (className == nullptr || IS_INTRESOURCE(className)) {
        return nullptr;
    }
    auto windowClass = findWindowClass(className);
    if (!windowClass) {
        return nullptr;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (static_cast<std::int64_t>(width) * height > maximumSurfacePixels) {
        return nullptr;
    }
    auto window = std::make_shared<Window>();
    if (parent != nullptr) {
        auto parentWindow = findWindow(parent);
        if (parentWindow) {
            window->parent = parent;
        } else if (currentDisplay().acceptsNativeParent(parent)) {
            window->nativeParent = parent;
        } else {
            return nullptr;
        }
    } else if (style & WS_CHILD) {
        return nullptr;
    }
    window->windowClass = windowClass;
    window->procedure = windowClass->description.lpfnWndProc;
    window->style = style;
    window->position = POINT{x, y};
    window->width = width;
    window->height = height;
    window->surface = std::make_shared<Surface>(width, height, false);
    window->thread = callingThread();
    HWND handle = addWindow(window);
    invalidateWindow(*window, nullptr, true);
    if (!currentDisplay().windowCreated(handle)) {
        forgetWindow(handle);
        return nullptr;
    }
    return handle;
}

BOOL DestroyWindow(HWND handle) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || window->destroying || window->thread != callingThread()) {
        return FALSE;
    }
    destroyWindowTree(lock, window);
    return TRUE;
}

namespace stepveil::platform {

void destroyWindowTree(LayerLock& lock, const std::shared_ptr<Window>& window) {
    HWND handle = window->handle;
    auto tree = windowTree(handle);
    for (const auto& member : tree) {
        member->destroying = true;
    }
    // WM_DESTROY goes to the window first, then to its children, as in Win32.
    for (const auto& member : tree) {
        callWindowProcedure(lock, member->handle, member->procedure, WM_DESTROY, 0, 0);
    }
    auto parent = findWindow(window->parent);
    bool wasVisible = isWindowVisible(*window);
    for (auto member = tree.rbegin(); member != tree.rend(); ++member) {
        currentDisplay().windowDestroyed((*member)->handle);
        forgetWindow((*member)->handle);
    }
    if (parent && wasVisible) {
        RECT covered{window->position.x, window->position.y, window->position.x + window->width,
                     window->position.y + window->height};
        invalidateWindow(*parent, &covered, true);
    }
}

} // namespace stepveil::platform

DWORD GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window) {
        return 0;
    }
    if (processId != nullptr) {
        *processId = static_cast<DWORD>(getpid());
    }
    return threadNumber(window->thread);
}

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || index != GWLP_USERDATA) {
        return 0;
    }
    return window->userData;
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || index != GWLP_USERDATA) {
        return 0;
    }
    LONG_PTR previous = window->userData;
    window->userData = value;
    return previous;
}

// The 32-bit forms read and write the low 32 bits of the slot, as on 64-bit Windows.
LONG GetWindowLongA(HWND handle, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(handle, index));
}

LONG SetWindowLongA(HWND handle, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(handle, index, value));
}

BOOL GetWindowRect(HWND handle, LPRECT rect) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || rect == nullptr) {
        return FALSE;
    }
    POINT origin = screenOrigin(*window);
    *rect = RECT{origin.x, origin.y, origin.x + window->width, origin.y + window->height};
    return TRUE;
}

namespace {

// Moves a point by the window's screen origin, now: +1 from client to screen, -1 back.
BOOL moveByWindowOrigin(HWND handle, LPPOINT point, int direction) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || point == nullptr) {
        return FALSE;
    }
    POINT origin = screenOrigin(*window);
    point->x += direction * origin.x;
    point->y += direction * origin.y;
    return TRUE;
}

} // namespace

BOOL ScreenToClient(HWND handle, LPPOINT point) {
    return moveByWindowOrigin(handle, point, -1);
}

BOOL ClientToScreen(HWND handle, LPPOINT point) {
    return moveByWindowOrigin(handle, point, 1);
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN || message == WM_KEYUP) {
        auto lock = lockLayer();
        currentDisplay().keyNotUsed(handle, message, lParam);
        return 0;
    }
    if (message == WM_PAINT) {
        PAINTSTRUCT paint{};
        if (BeginPaint(handle, &paint) != nullptr) {
            EndPaint(handle, &paint);
        }
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        auto lock = lockLayer();
        auto window = findWindow(handle);
        if (!window || !window->windowClass ||
            window->windowClass->description.hbrBackground == nullptr) {
            return 0;
        }
        HBRUSH brush = window->windowClass->description.hbrBackground;
        lock.unlock();
        RECT whole{0, 0, window->width, window->height};
        return FillRect(reinterpret_cast<HDC>(wParam), &whole, brush) != 0 ? 1 : 0;
    }
    return 0;
}
