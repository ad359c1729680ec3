#include "platform/linux/display/x11/X11Events.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace stepveil::platform {

namespace {

struct KeyPair {
    unsigned long keysym;
    int virtualKey;
};

// Keys that are not letters, digits or function keys. The keypad's keys without Num Lock
// are the navigation keys they are labelled with.
constexpr KeyPair namedKeys[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_Return, VK_RETURN},
    {XK_KP_Enter, VK_RETURN},
    {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},
    {XK_Prior, VK_PRIOR},
    {XK_Next, VK_NEXT},
    {XK_End, VK_END},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Insert, VK_INSERT},
    {XK_Delete, VK_DELETE},
    {XK_KP_Prior, VK_PRIOR},
    {XK_KP_Next, VK_NEXT},
    {XK_KP_End, VK_END},
    {XK_KP_Home, VK_HOME},
    {XK_KP_Left, VK_LEFT},
    {XK_KP_Up, VK_UP},
    {XK_KP_Right, VK_RIGHT},
    {XK_KP_Down, VK_DOWN},
    {XK_KP_Insert, VK_INSERT},
    {XK_KP_Delete, VK_DELETE},
    {XK_KP_Multiply, VK_MULTIPLY},
    {XK_KP_Add, VK_ADD},
    {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, VK_DECIMAL},
    {XK_KP_Divide, VK_DIVIDE},
    {XK_Shift_L, VK_SHIFT},
    {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL},
    {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},
    {XK_Alt_R, VK_MENU},
    {XK_Meta_L, VK_MENU},
    {XK_Meta_R, VK_MENU},
};

constexpr int functionKeyCount = 12;

LPARAM clientPoint(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
}

void post(const Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
    postMessage(MSG{window.handle, message, wParam, lParam, 0, POINT{0, 0}}, window.thread);
}

// Buttons 1 to 3 are the left, middle and right buttons after X's own button mapping; 4 and 5
// are the wheel turned up and down, one notch each (X sends no release worth a message).
void translateButton(const Window& window, const XButtonEvent& event, bool pressed) {
    constexpr unsigned int wheelUp = 4;
    constexpr unsigned int wheelDown = 5;
    if (event.button == wheelUp || event.button == wheelDown) {
        if (pressed) {
            int delta = event.button == wheelUp ? WHEEL_DELTA : -WHEEL_DELTA;
            WPARAM wParam = mouseKeysOfState(event.state) |
                            (static_cast<WPARAM>(static_cast<WORD>(delta)) << 16);
            // As in Win32, the wheel's point is in screen coordinates.
            post(window, WM_MOUSEWHEEL, wParam, clientPoint(event.x_root, event.y_root));
        }
        return;
    }
    struct ButtonMessages {
        unsigned int mask;
        UINT down;
        UINT up;
    };
    constexpr ButtonMessages buttons[] = {
        {Button1Mask, WM_LBUTTONDOWN, WM_LBUTTONUP},
        {Button2Mask, WM_MBUTTONDOWN, WM_MBUTTONUP},
        {Button3Mask, WM_RBUTTONDOWN, WM_RBUTTONUP},
    };
    if (event.button < 1 || event.button > 3) {
        return;
    }
    const ButtonMessages& button = buttons[event.button - 1];
    // X's state is the one before the event; Win32's keys are the ones after it.
    unsigned int after = pressed ? event.state | button.mask : event.state & ~button.mask;
    post(window, pressed ? button.down : button.up, mouseKeysOfState(after),
         clientPoint(event.x, event.y));
}

// Only the latest of the motion events waiting for the window is passed on, as Win32 merges
// mouse moves.
void translateMotion(X11Display& display, const Window& window, XEvent& event) {
    while (
        XCheckTypedWindowEvent(display.connection(), event.xmotion.window, MotionNotify, &event)) {
    }
    post(window, WM_MOUSEMOVE, mouseKeysOfState(event.xmotion.state),
         clientPoint(event.xmotion.x, event.xmotion.y));
}

// lParam carries a repeat count of 1, the key code as scan code, and for a release the
// previous-state and transition bits. A key without a virtual key of its own comes as 0xFF,
// as Win32 gives such keys. The event is kept until the editor has handled the message: a key
// it does not use goes on to the host's window then, in the order the keys came.
void translateKey(X11Window& shown, const Window& window, XKeyEvent& event, bool pressed) {
    constexpr int noVirtualKey = 0xFF;
    int virtualKey = virtualKeyOfKeysym(XLookupKeysym(&event, 0));
    if (virtualKey == 0) {
        virtualKey = noVirtualKey;
    }
    // Messages that are never taken (their window went) leave no growing trail.
    constexpr std::size_t keysKept = 256;
    if (shown.keysAwaitingEditor.size() == keysKept) {
        shown.keysAwaitingEditor.pop_front();
    }
    shown.keysAwaitingEditor.push_back(
        X11KeyEvent{event.keycode, pressed, event.time, event.x_root, event.y_root, event.state});
    auto lParam = static_cast<LPARAM>(1 | ((event.keycode & 0xFFu) << 16));
    if (!pressed) {
        lParam |= static_cast<LPARAM>(0xC0000000u);
    }
    post(window, pressed ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(virtualKey), lParam);
}

} // namespace

void translateEvent(X11Display& display, _XEvent& event) {
    if (handleClientProtocolEvent(display, event)) {
        return;
    }
    X11Window* shown = display.findByXid(event.xany.window);
    auto window = shown ? findWindow(shown->layerWindow) : nullptr;
    if (!window) {
        return;
    }
    switch (event.type) {
    case Expose: {
        const XExposeEvent& exposed = event.xexpose;
        RECT area{exposed.x, exposed.y, exposed.x + exposed.width, exposed.y + exposed.height};
        invalidateWindow(*window, &area, true);
        break;
    }
    case ButtonPress:
    case ButtonRelease:
        translateButton(*window, event.xbutton, event.type == ButtonPress);
        break;
    case MotionNotify:
        translateMotion(display, *window, event);
        break;
    case KeyPress:
    case KeyRelease:
        translateKey(*shown, *window, event.xkey, event.type == KeyPress);
        break;
    case DestroyNotify:
        // The host destroyed its window and ours with it.
        if (event.xdestroywindow.window == shown->xid) {
            shown->lostToServer = true;
        }
        break;
    default:
        break;
    }
}

bool handleClientProtocolEvent(X11Display& display, _XEvent& event) {
    return display.dropReceiver().handleEvent(event);
}

WPARAM mouseKeysOfState(unsigned int state) {
    WPARAM keys = 0;
    if (state & Button1Mask) {
        keys |= MK_LBUTTON;
    }
    if (state & Button2Mask) {
        keys |= MK_MBUTTON;
    }
    if (state & Button3Mask) {
        keys |= MK_RBUTTON;
    }
    if (state & ShiftMask) {
        keys |= MK_SHIFT;
    }
    if (state & ControlMask) {
        keys |= MK_CONTROL;
    }
    return keys;
}

unsigned int stateMaskOfVirtualKey(int virtualKey) {
    switch (virtualKey) {
    case VK_LBUTTON:
        return Button1Mask;
    case VK_MBUTTON:
        return Button2Mask;
    case VK_RBUTTON:
        return Button3Mask;
    case VK_SHIFT:
        return ShiftMask;
    case VK_CONTROL:
        return ControlMask;
    case VK_MENU:
        return Mod1Mask;
    default:
        return 0;
    }
}

unsigned long keysymOfVirtualKey(int virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return XK_a + static_cast<unsigned long>(virtualKey - 'A');
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        return XK_0 + static_cast<unsigned long>(virtualKey - '0');
    }
    if (virtualKey >= VK_F1 && virtualKey < VK_F1 + functionKeyCount) {
        return XK_F1 + static_cast<unsigned long>(virtualKey - VK_F1);
    }
    for (const KeyPair& pair : namedKeys) {
        if (pair.virtualKey == virtualKey) {
            return pair.keysym;
        }
    }
    return 0;
}

int virtualKeyOfKeysym(unsigned long keysym) {
    if (keysym >= XK_a && keysym <= XK_z) {
        return 'A' + static_cast<int>(keysym - XK_a);
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return '0' + static_cast<int>(keysym - XK_0);
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return VK_NUMPAD0 + static_cast<int>(keysym - XK_KP_0);
    }
    if (keysym >= XK_F1 && keysym < XK_F1 + functionKeyCount) {
        return VK_F1 + static_cast<int>(keysym - XK_F1);
    }
    for (const KeyPair& pair : namedKeys) {
        if (pair.keysym == keysym) {
            return pair.virtualKey;
        }
    }
    return 0;
}

} // namespace stepveil::platform
