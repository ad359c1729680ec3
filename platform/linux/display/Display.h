// Where the layer's windows are shown and where its input and time come from. The headless
// display keeps everything in memory for tests; the X11 display shows the windows the layer
// places in a host's X11 window. The layer calls every member with its lock held, so a display
// must not call back into the Win32 functions (the layer's internal tables are its to use).
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace stepveil::platform {

class Display {
public:
    Display() = default;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    virtual ~Display() = default;

    // Milliseconds for GetTickCount. Sleep asks the display first and then waits, with the
    // layer's lock given up, for as long as the answer says (a virtual clock answers 0).
    virtual DWORD tickCount() = 0;
    virtual DWORD sleep(DWORD milliseconds) = 0;

    // Input as GetCursorPos, GetAsyncKeyState and GetSystemMetrics(SM_SWAPBUTTON) report it.
    // Keys are virtual-key codes; the mouse buttons are the physical ones.
    virtual POINT cursorPosition() = 0;
    virtual bool isKeyDown(int virtualKey) = 0;
    virtual bool buttonsSwapped() = 0;

    // A parent handle the layer did not make stands for the host's own window. Answers
    // whether the display can place a window in it, and where it lies on the screen now.
    virtual bool acceptsNativeParent(HWND parent) = 0;
    virtual POINT nativeParentOrigin(HWND parent) = 0;

    // Window life and pixels: a window was made (false: the display cannot show it, and the
    // window must not be made) or is going, or part of its pixels changed (after EndPaint or
    // ReleaseDC), in the window's own coordinates.
    virtual bool windowCreated(HWND window) = 0;
    virtual void windowDestroyed(HWND window) = 0;
    virtual void windowChanged(HWND window, const RECT& area) = 0;

    // Called before the message queue is read, to turn the system's events into messages,
    // and when a message has been taken from the queue to be handled.
    virtual void collectEvents() = 0;
    virtual void messageTaken(const MSG&) {}
    // Windows the system destroyed under the layer (their host window went): the layer
    // destroys them as Win32 does, with WM_DESTROY, on the thread that owns them.
    virtual std::vector<HWND> windowsLostToTheSystem() { return {}; }

    // A drop target was registered for the window (true) or revoked (false): from now on the
    // window does or does not accept drags from other programs, and a display on a real
    // window system announces that there. The drops themselves reach the target through a
    // DropSession (DropSession.h), which must run without the lock: see LayerTasks.h.
    virtual void dropTargetChanged(HWND /*window*/, bool /*registered*/) {}

    // A window's procedure left a key message (WM_KEYDOWN, WM_KEYUP) to DefWindowProcA: the
    // window did not use the key. A display that delivered it from a host's window passes it
    // on there.
    virtual void keyNotUsed(HWND /*window*/, UINT /*message*/, LPARAM /*lParam*/) {}

    // The system's handle of a window placed in a host's window (0: none), for hosts that
    // embed it by that handle.
    virtual std::uintptr_t nativeWindowOf(HWND /*window*/) { return 0; }
};

// The display in use. Chosen at its first use: the headless one when the environment variable
// STEPVEIL_DISPLAY is "headless", otherwise the X11 display.
Display& currentDisplay();
void installDisplay(std::unique_ptr<Display> display);

// The environment variable, and its value, that choose the headless display.
constexpr const char* displayChoiceVariable = "STEPVEIL_DISPLAY";
constexpr const char* headlessDisplayName = "headless";

} // namespace stepveil::platform
