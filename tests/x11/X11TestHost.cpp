#include "X11TestHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>

#include <stdexcept>

namespace x11test {

namespace {

int hostErrorCount = 0;

int hostErrorHandler(::Display*, XErrorEvent*) {
    ++hostErrorCount;
    return 0;
}

int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

} // namespace

X11Host::X11Host() {
    display = XOpenDisplay(nullptr);
    user = XOpenDisplay(nullptr);
    if (display == nullptr || user == nullptr) {
        throw std::runtime_error("no X server: run the X11 tests under xvfb-run");
    }
    hostErrorCount = 0;
    XSetErrorHandler(hostErrorHandler);
}

X11Host::~X11Host() {
    XCloseDisplay(user);
    XCloseDisplay(display);
    XSetErrorHandler(nullptr);
}

::Window X11Host::makeWindow(int x, int y, int width, int height, bool mapped) {
    ::Window window = XCreateSimpleWindow(
        display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, BlackPixel(display, 0), BlackPixel(display, 0));
    if (mapped) {
        XMapWindow(display, window);
    }
    XSync(display, False);
    return window;
}

void X11Host::destroyWindow(::Window window) {
    XDestroyWindow(display, window);
    XSync(display, False);
}

void X11Host::resizeAndMap(::Window window, int width, int height) {
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XMapWindow(display, window);
    XSync(display, False);
}

std::vector<::Window> X11Host::children(::Window window) {
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* list = nullptr;
    unsigned int count = 0;
    std::vector<::Window> result;
    if (XQueryTree(display, window, &root, &parent, &list, &count) != 0) {
        result.assign(list, list + count);
    }
    if (list != nullptr) {
        XFree(list);
    }
    return result;
}

XWindowAttributes X11Host::attributes(::Window window) {
    XWindowAttributes found{};
    XGetWindowAttributes(display, window, &found);
    return found;
}

Image X11Host::picture(::Window window) {
    XWindowAttributes shape = attributes(window);
    Image image;
    XImage* read = XGetImage(display, window, 0, 0, static_cast<unsigned>(shape.width),
                             static_cast<unsigned>(shape.height), AllPlanes, ZPixmap);
    if (read == nullptr) {
        return image;
    }
    image.width = shape.width;
    image.height = shape.height;
    Visual* visual = shape.visual;
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            unsigned long pixel = XGetPixel(read, x, y);
            auto channel = [&](unsigned long mask) {
                return static_cast<COLORREF>((pixel & mask) >> shiftOf(mask)) & 0xFF;
            };
            image.pixels.push_back(channel(visual->red_mask) | channel(visual->green_mask) << 8 |
                                   channel(visual->blue_mask) << 16);
        }
    }
    XDestroyImage(read);
    return image;
}

int X11Host::clientCount() {
    int count = 0;
    XResClient* clients = nullptr;
    XResQueryClients(display, &count, &clients);
    if (clients != nullptr) {
        XFree(clients);
    }
    return count;
}

int X11Host::hostErrors() const {
    return hostErrorCount;
}

bool X11Host::hostHandlerInstalled() {
    XErrorHandler current = XSetErrorHandler(hostErrorHandler);
    return current == hostErrorHandler;
}

void X11Host::movePointer(int screenX, int screenY) {
    XTestFakeMotionEvent(user, 0, screenX, screenY, CurrentTime);
    XSync(user, False);
}

void X11Host::button(unsigned int number, bool down) {
    XTestFakeButtonEvent(user, number, down ? True : False, CurrentTime);
    XSync(user, False);
}

void X11Host::key(unsigned long keysym, bool down) {
    XTestFakeKeyEvent(user, XKeysymToKeycode(user, keysym), down ? True : False, CurrentTime);
    XSync(user, False);
}

std::string firstDifference(const Image& shown, const Image& expected) {
    if (shown.width != expected.width || shown.height != expected.height) {
        return "size " + std::to_string(shown.width) + " x " + std::to_string(shown.height) +
               " instead of " + std::to_string(expected.width) + " x " +
               std::to_string(expected.height);
    }
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            if (shown.at(x, y) != expected.at(x, y)) {
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                       std::to_string(shown.at(x, y)) + ", expected " +
                       std::to_string(expected.at(x, y));
            }
        }
    }
    return "";
}

} // namespace x11test
