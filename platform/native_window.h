// The window system's own name for a layer window that sits in a host's window: what a host
// that embeds the window by its system handle (an LV2 host's X11 UI, for one) is given. Not
// part of Win32's subset. Linux only.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace stepveil::platform {

// The X window id of `window` on the X11 display; 0 for a window that is not placed directly
// in a host's window, and for every window on the headless display.
std::uintptr_t nativeWindowOf(HWND window);

} // namespace stepveil::platform
