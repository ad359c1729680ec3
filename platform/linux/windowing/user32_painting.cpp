// user32: device contexts of windows, update regions and the painting protocol.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/drawing/GdiObjects.h"
#include "platform/linux/windowing/WindowManager.h"
#include "platform/linux/windowing/WindowProcedure.h"

#include <cstring>

using namespace stepveil::platform;

namespace {

HDC windowContext(const Window& window, const RECT& clip) {
    return reinterpret_cast<HDC>(
        createDeviceContext(DcKind::Window, window.handle, window.surface, clip));
}

// Sends WM_ERASEBKGND with the given context; true when the window erased its background.
bool eraseBackground(LayerLock& lock, const Window& window, HDC dc) {
    WPARAM context = reinterpret_cast<WPARAM>(dc);
    return callWindowProcedure(lock, window.handle, window.procedure, WM_ERASEBKGND, context, 0) !=
           0;
}

} // namespace

HDC GetDC(HWND handle) {
    auto lock = lockLayer();
    if (handle == nullptr) {
        // The screen: headless has none, so what is drawn on it goes nowhere.
        return reinterpret_cast<HDC>(
            createDeviceContext(DcKind::Screen, nullptr, nullptr, RECT{0, 0, 0, 0}));
    }
    auto window = findWindow(handle);
    if (!window) {
        return nullptr;
    }
    return windowContext(*window, window->surface->bounds());
}

int ReleaseDC(HWND handle, HDC dc) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context || context->dcKind == DcKind::Memory || context->window != handle) {
        return 0;
    }
    RECT changed = context->drawn;
    destroyDeviceContext(reinterpret_cast<std::uintptr_t>(dc));
    if (handle != nullptr && !isEmpty(changed) && findWindow(handle)) {
        currentDisplay().windowChanged(handle, changed);
    }
    return 1;
}

HDC BeginPaint(HWND handle, LPPAINTSTRUCT paint) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window || paint == nullptr) {
        return nullptr;
    }
    // Take the update region and validate it first, so that painting sees a valid window.
    RECT area = window->update;
    bool erase = window->erasePending;
    HDC dc = windowContext(*window, area);
    if (dc == nullptr) {
        return nullptr;
    }
    window->update = RECT{0, 0, 0, 0};
    window->erasePending = false;
    std::memset(paint, 0, sizeof *paint);
    paint->hdc = dc;
    paint->rcPaint = area;
    paint->fErase = FALSE;
    if (erase && !isEmpty(area)) {
        paint->fErase = eraseBackground(lock, *window, dc) ? FALSE : TRUE;
    }
    return dc;
}

BOOL EndPaint(HWND handle, const PAINTSTRUCT* paint) {
    if (paint == nullptr) {
        return FALSE;
    }
    return ReleaseDC(handle, paint->hdc) != 0 ? TRUE : FALSE;
}

BOOL GetUpdateRect(HWND handle, LPRECT rect, BOOL erase) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window) {
        if (rect != nullptr) {
            *rect = RECT{0, 0, 0, 0};
        }
        return FALSE;
    }
    RECT area = window->update;
    if (rect != nullptr) {
        *rect = area;
    }
    if (isEmpty(area)) {
        return FALSE;
    }
    if (erase && window->erasePending) {
        window->erasePending = false;
        HDC dc = windowContext(*window, area);
        if (dc != nullptr) {
            eraseBackground(lock, *window, dc);
            destroyDeviceContext(reinterpret_cast<std::uintptr_t>(dc));
        }
    }
    return TRUE;
}

BOOL InvalidateRect(HWND handle, const RECT* rect, BOOL erase) {
    auto lock = lockLayer();
    if (handle == nullptr) {
        for (const auto& window : windowsOfThread(callingThread())) {
            invalidateWindow(*window, nullptr, erase != FALSE);
        }
        return TRUE;
    }
    auto window = findWindow(handle);
    if (!window) {
        return FALSE;
    }
    invalidateWindow(*window, rect, erase != FALSE);
    return TRUE;
}
