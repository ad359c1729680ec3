// The layer's windows, window classes and message queue. Every function here expects the
// caller to hold the layer lock; none of them calls a window procedure.
#pragma once

#include "platform/linux/drawing/Surface.h"
#include "platform/win32.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace stepveil::platform {

struct WindowClass {
    std::string name;
    WNDCLASSA description{};
    ATOM atom = 0;
    int windowCount = 0;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass; // null for host windows made by tests
    WNDPROC procedure = nullptr;
    DWORD style = 0;
    HWND parent = nullptr;       // a window of the layer, or null
    HWND nativeParent = nullptr; // a host window the layer did not make, or null
    POINT position{0, 0};        // relative to the parent, or on the screen without one
    int width = 0;
    int height = 0;
    LONG_PTR userData = 0;
    std::shared_ptr<Surface> surface;
    RECT update{0, 0, 0, 0}; // bounding box of the update region, empty when valid
    bool erasePending = false;
    bool destroying = false;
    std::thread::id thread;
    std::vector<HWND> children; // in creation order, the later ones on top
};

// Classes.
ATOM registerWindowClass(const WNDCLASSA& description);
bool unregisterWindowClass(const std::string& name, HINSTANCE instance);
std::shared_ptr<WindowClass> findWindowClass(const std::string& name);
std::size_t registeredClassCount();

// Windows.
std::shared_ptr<Window> findWindow(HWND handle);
HWND addWindow(std::shared_ptr<Window> window);
// The window and all its descendants, parents before children.
std::vector<std::shared_ptr<Window>> windowTree(HWND root);
void forgetWindow(HWND handle);
bool isWindowVisible(const Window& window);
// Where the window lies on the screen now; inside a host's window the display says where
// that one is.
POINT screenOrigin(const Window& window);
// The window of the layer that holds `window` (itself or an ancestor) and sits directly in a
// host's native window, or null.
std::shared_ptr<Window> windowInNativeParent(HWND window);
std::vector<std::shared_ptr<Window>> windowsOfThread(std::thread::id thread);

// Update regions, kept as their bounding rectangle in the window's coordinates.
void invalidateWindow(Window& window, const RECT* area, bool erase);

// The posted-message queue.
void postMessage(const MSG& message, std::thread::id thread);
bool takePostedMessage(MSG& message, HWND window, UINT first, UINT last, bool remove);
void forgetMessagesFor(HWND window);
// A window of the calling thread, matching the filter, that has an update region.
HWND windowNeedingPaint(HWND window);
bool messageInRange(UINT message, UINT first, UINT last);

} // namespace stepveil::platform
