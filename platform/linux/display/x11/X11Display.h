// The display on a real X server. A layer window placed in a host's window (the parent handle
// the host passes is the XID of an X11 window of its own) is shown as an X child window of it,
// of the layer window's size; what the layer paints is pushed to it with XPutImage (or, where
// the server shares memory with us, XShmPutImage), and the server's events become the layer's
// messages and update regions (X11Events.cpp). Input state (GetAsyncKeyState, GetCursorPos) is
// read live from the server.
//
// The display has an X connection of its own, never the host's: opened when the first window
// is shown, closed when the last one goes (or when the library is unloaded). Every call on it
// is made with the layer's lock held, so the connection is used by one thread at a time
// (the host's editor thread, in practice) and the layer never calls XInitThreads, which is the
// host's business. Each call runs inside an X11ErrorGuard, so no error of ours reaches the
// host's error handler.
#pragma once

#include "platform/linux/display/Display.h"
#include "platform/linux/display/x11/X11DropReceiver.h"
#include "platform/linux/display/x11/X11SharedImage.h"
#include "platform/linux/windowing/WindowManager.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct _XDisplay;

namespace stepveil::platform {

// How a 32-bit X pixel holds red, green and blue (8 bits each), and the bits that are always
// set (the alpha of a 32-bit visual).
struct X11PixelLayout {
    int redShift = 16;
    int greenShift = 8;
    int blueShift = 0;
    std::uint32_t opaqueBits = 0;
};

// A key event the server sent to our window, kept until the editor has said whether it used
// the key: one it did not use goes on to the host's window.
struct X11KeyEvent {
    unsigned int keycode = 0;
    bool pressed = false;
    unsigned long time = 0;
    int rootX = 0;
    int rootY = 0;
    unsigned int state = 0;
};

// The X side of one layer window shown on the server. Code that speaks X protocols with other
// clients on our windows (drag and drop) finds the window here by either id.
struct X11Window {
    HWND layerWindow = nullptr;      // the layer's window shown
    unsigned long xid = 0;           // our X window
    unsigned long hostParent = 0;    // the host's X window it sits in
    unsigned long root = 0;          // the root window of its screen
    void* graphicsContext = nullptr; // Xlib's GC for the window
    unsigned long ownColormap = 0;   // made for a visual other than the parent's, else 0
    void* visual = nullptr;          // Xlib's Visual of the window
    int depth = 0;
    X11PixelLayout layout;
    bool lostToServer = false; // destroyed by the server with the host's window
    // The picture in memory shared with the server, once pushed; refused: not possible.
    std::unique_ptr<X11SharedImage> sharedImage;
    bool sharedMemoryRefused = false;
    // Key events in the order their messages were posted, until their message is taken; the
    // one whose message is being handled; and, by key code, whether a press that came here
    // went on to the host (false: the editor used it), so that its release goes the same way.
    std::deque<X11KeyEvent> keysAwaitingEditor;
    std::optional<X11KeyEvent> keyBeingHandled;
    std::map<unsigned int, bool> pressPassedOn;
};

class X11Display : public Display {
public:
    X11Display();
    ~X11Display() override;

    DWORD tickCount() override;
    DWORD sleep(DWORD milliseconds) override { return milliseconds; }
    POINT cursorPosition() override;
    bool isKeyDown(int virtualKey) override;
    bool buttonsSwapped() override;
    bool acceptsNativeParent(HWND parent) override;
    POINT nativeParentOrigin(HWND parent) override;
    bool windowCreated(HWND window) override;
    void windowDestroyed(HWND window) override;
    void windowChanged(HWND window, const RECT& area) override;
    void collectEvents() override;
    void messageTaken(const MSG& message) override;
    std::vector<HWND> windowsLostToTheSystem() override;
    void dropTargetChanged(HWND window, bool registered) override;
    void keyNotUsed(HWND window, UINT message, LPARAM lParam) override;
    std::uintptr_t nativeWindowOf(HWND window) override;

    // For the event translation and for protocols on our windows. The connection is null
    // while no window is shown.
    _XDisplay* connection() const { return xConnection; }
    X11Window* findByXid(unsigned long xid);
    X11Window* findByLayerWindow(HWND window);
    X11DropReceiver& dropReceiver() { return *receiver; }
    // Where the pointer is on the screen of our windows, and X's button and modifier state.
    bool pointerState(POINT& position, unsigned int& state) {
        return queryPointer(position, state);
    }
    // Sends a key event of our window on to the window of the host's that X would have given
    // it to, had our window not taken keys: the first ancestor, up to the focus window, that
    // asks for it.
    void passKeyOn(const X11Window& shown, const X11KeyEvent& key);

private:
    bool openConnection();
    void closeConnectionWhenUnused();
    bool createXWindow(X11Window& shown, const Window& layerWindow);
    void destroyXWindow(X11Window& shown);
    bool queryPointer(POINT& position, unsigned int& state);
    bool liveKeyDown(int virtualKey);
    void keyMessageTaken(const MSG& message);
    void pushPixels(X11Window& shown, const Window& layerWindow, const RECT& area);
    X11SharedImage* sharedImageFor(X11Window& shown, const Window& layerWindow);

    _XDisplay* xConnection = nullptr;
    std::unique_ptr<X11DropReceiver> receiver;
    unsigned long arrowCursor = 0;
    std::map<HWND, std::unique_ptr<X11Window>> windows;
    // The part of a window being pushed: composed with its children, then in the X server's
    // pixel format.
    std::vector<COLORREF> composedPixels;
    std::vector<std::uint32_t> pixelBuffer;

    // The buttons and keys of the button-down message being handled (its MK_* flags), while
    // the handler has not yet asked where the cursor is or read the queue again.
    bool pressHeld = false;
    WPARAM heldKeys = 0;
};

} // namespace stepveil::platform
