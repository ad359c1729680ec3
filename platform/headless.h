// The test interface of the layer's headless display: not part of Win32. Tests and tools use
// it to stand in for a host window, to set the clock, the cursor, the buttons and keys and
// the system's answers, to make failures happen, and to read pixels back. Linux only.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace stepveil::platform::headless {

// Pixels in COLORREF form (RGB(red, green, blue)), row by row from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    COLORREF at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A top-level window at the given screen position, standing for a host's parent window. It
// has no class of its own and no background; destroy it with DestroyWindow.
HWND createHostWindow(int screenX, int screenY, int width, int height);

// A window's pixels; with `withChildren`, its visible child windows drawn over it as a
// screen would show them. Empty for an unknown window.
Image captureWindow(HWND window, bool withChildren = true);
// A bitmap's pixels (monochrome ones as black and white). Empty for an unknown bitmap.
Image captureBitmap(HBITMAP bitmap);
// Writes an 8-bit RGB PNG; false when the file cannot be written.
bool savePng(const Image& image, const std::string& path);

// The virtual clock behind GetTickCount; Sleep advances it by its argument.
void setTickCount(DWORD ticks);
// The cursor position GetCursorPos reports, in screen coordinates.
void setCursorPos(int x, int y);
// Physical mouse buttons (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON) and keys held down.
void setKeyDown(int virtualKey, bool down);
void releaseAllKeys();

// A scripted sequence of input states for drag loops. Each step holds the keys listed and
// may move the cursor. A poll is a run of GetAsyncKeyState calls for different keys; asking
// for a key a second time starts the next step. The last step stays in force.
struct InputStep {
    std::vector<int> keysDown;
    std::optional<POINT> cursor;
};
void scriptInput(std::vector<InputStep> steps);

// GetSystemMetrics(SM_SWAPBUTTON).
void setButtonsSwapped(bool swapped);
// GetVersionExA's dwPlatformId (VER_PLATFORM_WIN32_NT unless changed).
void setPlatformId(DWORD platformId);
// Makes LoadLibraryA of the named module fail (or work again).
void setLibraryAvailable(const std::string& moduleName, bool available);
// Makes the next `count` GlobalAlloc calls fail.
void failGlobalAllocations(int count);
// Makes the next `count` creations of GDI objects (device contexts, bitmaps, pens, brushes,
// fonts) fail.
void failGdiObjectCreations(int count);

// Puts a message in the calling thread's queue, as another part of a program would post it.
void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Bookkeeping for tests: window classes registered, GDI objects and device contexts alive
// (stock objects aside), and global memory blocks alive, to show that code gives back what it
// takes.
std::size_t registeredClassCount();
std::size_t liveGdiObjectCount();
std::size_t liveGlobalBlockCount();

// Whether the display was told that the window takes drops (a drop target is registered for
// it), as a display on a real window system announces it to other programs.
bool acceptsDrops(HWND window);

// A drag from another program, delivered to a window as a window system's drag is: the data
// (local file paths and text, as the layer's own data object offers them) enters the window at
// the first point of `path`, moves over the others, and is dropped at the last one (or leaves
// without a drop). The cursor follows the points (screen coordinates); `keyState` holds the
// MK_ flags of the keys and buttons held, the left button being let go for the drop.
struct ExternalDrag {
    std::vector<std::string> files;
    std::optional<std::string> text;
    std::vector<POINT> path;
    DWORD keyState = MK_LBUTTON;
    DWORD allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    bool drop = true;
};
struct ExternalDragResult {
    std::vector<DWORD> effectsShown; // the target's answer at each point of the path
    DWORD finalEffect = DROPEFFECT_NONE;
};
// Call it on the thread that registered the window's target.
ExternalDragResult dragFromOutside(HWND window, const ExternalDrag& drag);

// Restores the input, the clock and the system's answers to their defaults.
void reset();

} // namespace stepveil::platform::headless
