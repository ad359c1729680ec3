// Calling into a window procedure from inside the layer.
#pragma once

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/windowing/WindowManager.h"
#include "platform/win32.h"

#include <memory>

namespace stepveil::platform {

// Gives up the layer lock for the call, since the procedure calls the layer in turn, and
// takes it again afterwards. A missing procedure gets DefWindowProcA's treatment.
LRESULT callWindowProcedure(LayerLock& lock, HWND window, WNDPROC procedure, UINT message,
                            WPARAM wParam, LPARAM lParam);

// DestroyWindow's work on a window of the calling thread: WM_DESTROY to the window and then
// its children, each with the lock given up, then the display is told and the windows go.
void destroyWindowTree(LayerLock& lock, const std::shared_ptr<Window>& window);

} // namespace stepveil::platform
