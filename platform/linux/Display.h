// Where the layer's windows are shown and where its input and time come from. The headless
// display keeps everything in memory for tests; a display on a real window system fills the
// same interface. The layer calls every member with its lock held, so a display must not
// call back into the Win32 functions.
#pragma once

#include "platform/win32.h"

#include <memory>

namespace stepveil::platform {

class Display {
public:
    Display() = default;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    virtual ~Display() = default;

    // Milliseconds for GetTickCount, and the wait of Sleep.
    virtual DWORD tickCount() = 0;
    virtual void sleep(DWORD milliseconds) = 0;

    // Input as GetCursorPos, GetAsyncKeyState and GetSystemMetrics(SM_SWAPBUTTON) report it.
    // Keys are virtual-key codes; the mouse buttons are the physical ones.
    virtual POINT cursorPosition() = 0;
    virtual bool isKeyDown(int virtualKey) = 0;
    virtual bool buttonsSwapped() = 0;

    // A parent handle the layer did not make stands for the host's own window. Answers
    // whether the display can place a window in it, and where it lies on the screen.
    virtual bool acceptsNativeParent(HWND parent, POINT& screenOrigin) = 0;

    // Window life and pixels: a window was made or is going, or part of its pixels changed
    // (after EndPaint or ReleaseDC), in the window's own coordinates.
    virtual void windowCreated(HWND window) = 0;
    virtual void windowDestroyed(HWND window) = 0;
    virtual void windowChanged(HWND window, const RECT& area) = 0;

    // Called before the message queue is read, to turn the system's events into messages.
    virtual void collectEvents() = 0;

    // A drop target was registered for the window (true) or revoked (false): from now on the
    // window does or does not accept drags from other programs, and a display on a real
    // window system announces that there. The drops themselves reach the target through a
    // DropSession (DropSession.h), which must run without the lock: see LayerTasks.h.
    virtual void dropTargetChanged(HWND /*window*/, bool /*registered*/) {}
};

// The display in use; the headless one until another is installed.
Display& currentDisplay();
void installDisplay(std::unique_ptr<Display> display);

} // namespace stepveil::platform
