#include "bench/X11Stage.h"

namespace stepveil::bench {

std::unique_ptr<X11Stage> X11Stage::open(int width, int height, std::string& error) {
    Display* opened = XOpenDisplay(nullptr);
    if (opened == nullptr) {
        error = "cannot open the X display \"" + std::string(XDisplayName(nullptr)) +
                "\" (run under xvfb-run -a)";
        return nullptr;
    }
    return std::unique_ptr<X11Stage>(new X11Stage(opened, width, height));
}

X11Stage::X11Stage(Display* opened, int pictureWidth, int pictureHeight)
    : connection(opened), width(pictureWidth), height(pictureHeight) {
    // Side by side, so that neither covers the other: a covered window would take no pixels.
    host = makeWindow(0);
    bare = makeWindow(width + 10);
    context = XCreateGC(connection, bare, 0, nullptr);
    sync();
    takePicture();
}

X11Stage::~X11Stage() {
    if (picture != nullptr) {
        XDestroyImage(picture);
    }
    XFreeGC(connection, context);
    XDestroyWindow(connection, bare);
    XDestroyWindow(connection, host);
    XCloseDisplay(connection);
}

// A top-level window on the default visual, mapped. Xvfb has no window manager, so it is
// viewable as soon as the server has handled the map.
Window X11Stage::makeWindow(int x) {
    const int screen = DefaultScreen(connection);
    Window window =
        XCreateSimpleWindow(connection, RootWindow(connection, screen), x, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                            BlackPixel(connection, screen), WhitePixel(connection, screen));
    XMapWindow(connection, window);
    return window;
}

Window X11Stage::editorWindow() const {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(connection, host, &root, &parent, &children, &count) == 0) {
        return 0;
    }
    const Window found = count == 1 ? children[0] : 0;
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

void X11Stage::takePicture() {
    const Window editor = editorWindow();
    XImage* taken =
        XGetImage(connection, editor != 0 ? editor : host, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (taken == nullptr) {
        return;
    }
    if (picture != nullptr) {
        XDestroyImage(picture);
    }
    picture = taken;
}

void X11Stage::pushBare() {
    if (picture != nullptr) {
        XPutImage(connection, bare, context, picture, 0, 0, 0, 0, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    }
    XFlush(connection);
}

} // namespace stepveil::bench
