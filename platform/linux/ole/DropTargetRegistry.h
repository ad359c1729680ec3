// The drop targets registered with RegisterDragDrop, by window: what a display asks when a
// drag from the window system reaches one of the layer's windows. Displays are told of every
// change through Display::dropTargetChanged.
#pragma once

#include "platform/win32.h"

#include <optional>
#include <thread>

namespace stepveil::platform {

// Whether a drop target is registered for the window, and the thread that registered it: the
// thread its calls belong on (see LayerTasks.h). The caller holds the layer lock (a display
// asks this while it handles events).
bool hasDropTarget(HWND window);
std::optional<std::thread::id> dropTargetThread(HWND window);

// The target registered for a live window, with one reference added that the caller gives
// back with Release, and the thread that registered it: the thread its calls belong on. Null
// when the window has none or is gone. Takes the layer lock itself: call without it.
struct HeldDropTarget {
    IDropTarget* target = nullptr;
    std::thread::id thread;
};
HeldDropTarget acquireDropTarget(HWND window);

} // namespace stepveil::platform
