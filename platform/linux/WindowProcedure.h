// Calling into a window procedure from inside the layer.
#pragma once

#include "platform/linux/LayerLock.h"
#include "platform/win32.h"

namespace stepveil::platform {

// Gives up the layer lock for the call, since the procedure calls the layer in turn, and
// takes it again afterwards. A missing procedure gets DefWindowProcA's treatment.
LRESULT callWindowProcedure(LayerLock& lock, HWND window, WNDPROC procedure, UINT message,
                            WPARAM wParam, LPARAM lParam);

} // namespace stepveil::platform
