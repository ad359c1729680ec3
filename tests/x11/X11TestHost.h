// The host's side of the X11 editor tests: a connection of the host's own with its windows and
// its own Xlib error handler, a second connection standing for the user (real pointer and key
// input through XTest, from outside the plug-in), pictures read back from the server, and the
// same editor pictured on the headless display for comparison.
#pragma once

#include "HeadlessReference.h"

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace x11test {

// Frame coordinates of step i's slider column, and the row of the handle's middle for a
// level: a click there takes the handle without moving it.
constexpr int columnCentre(int step) {
    return 25 + 16 * step + 8;
}
constexpr int handleMiddle(float level) {
    return 53 + static_cast<int>(76.0f * (1.0f - level));
}

class X11Host {
public:
    X11Host();
    ~X11Host();
    X11Host(const X11Host&) = delete;
    X11Host& operator=(const X11Host&) = delete;

    ::Display* connection() const { return display; }
    // A top-level window of the host at a screen position, mapped; the server has it when
    // this returns.
    ::Window makeWindow(int x, int y, int width, int height, bool mapped = true);
    void destroyWindow(::Window window);
    void resizeAndMap(::Window window, int width, int height);
    std::vector<::Window> children(::Window window);
    XWindowAttributes attributes(::Window window);
    Image picture(::Window window);
    // How many clients the server has: shows whether the plug-in's connection is open.
    int clientCount();

    // Errors that reached the host's own handler, and whether it is still the one installed.
    int hostErrors() const;
    bool hostHandlerInstalled();

    // The user, through XTest on a connection of its own. Each call returns once the server
    // has taken the input.
    void movePointer(int screenX, int screenY);
    void button(unsigned int number, bool down);
    void key(unsigned long keysym, bool down);

private:
    ::Display* display = nullptr;
    ::Display* user = nullptr;
};

// The first pixel where two pictures differ, as text; empty when they are equal.
std::string firstDifference(const Image& shown, const Image& expected);

} // namespace x11test
