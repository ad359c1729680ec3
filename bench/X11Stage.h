// The editor benchmark's side of the X server: a connection of its own, the host window the
// editor opens in, a second window of the same size for the bare XPutImage beside it, and the
// editor's picture as an image for that push. Everything here runs on the benchmark's one
// thread, the same that idles the editor.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>

namespace stepveil::bench {

class X11Stage {
public:
    // Opens the display named by DISPLAY and maps both windows, each `width` x `height`;
    // null with the reason in `error` when there is no display.
    static std::unique_ptr<X11Stage> open(int width, int height, std::string& error);
    ~X11Stage();
    X11Stage(const X11Stage&) = delete;
    X11Stage& operator=(const X11Stage&) = delete;

    Display* display() const { return connection; }
    // The host's window, to hand to effEditOpen.
    Window hostWindow() const { return host; }
    // The editor's window: the one child of the host's window; 0 when it has none (the
    // plug-in did not show its editor on this display).
    Window editorWindow() const;

    // Takes what the editor's window shows (or, without one, the host window) as the picture
    // the bare push sends.
    void takePicture();
    // The bare push: the picture, whole, into the second window with one XPutImage; flushed.
    void pushBare();
    // A round trip: returns when the server has handled every request of this connection.
    void sync() { XSync(connection, False); }
    // The number the next request of this connection will carry.
    unsigned long nextRequest() const { return NextRequest(connection); }

private:
    X11Stage(Display* opened, int width, int height);
    Window makeWindow(int x);

    Display* connection;
    int width;
    int height;
    Window host = 0;
    Window bare = 0;
    GC context = nullptr;
    XImage* picture = nullptr;
};

} // namespace stepveil::bench
