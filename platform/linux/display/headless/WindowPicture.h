// The pixels of a layer window as a screen would show them, and the mirror of what the
// layer shows in a host's native window into a PNG file. The mirror serves hosts that have
// no way to read the layer's pixels: on the headless display, a command-line host that
// wants a picture of a plug-in's editor names the file in STEPVEIL_HEADLESS_PICTURE, and
// after every change to a window the layer placed in a native parent, that window (with its
// children) is written there. Without the variable nothing is written.
#pragma once

#include "platform/headless.h"
#include "platform/linux/windowing/WindowManager.h"

namespace stepveil::platform {

// The environment variable naming the mirror's PNG file.
constexpr const char* hostWindowPictureVariable = "STEPVEIL_HEADLESS_PICTURE";

// A surface's pixels, row by row.
headless::Image surfacePicture(const Surface& surface);

// The window's pixels; with `withChildren`, its visible children drawn over it. The caller
// holds the layer lock.
headless::Image windowPicture(const Window& window, bool withChildren);

// Called with the layer lock held when part of `changed` was drawn: writes the picture of
// the window it belongs to in a host's native window, when a file is named.
void mirrorHostWindowPicture(HWND changed);

} // namespace stepveil::platform
