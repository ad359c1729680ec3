// Reading a bitmap's pixels back, on both systems, for programs that compare the layer's
// drawing with real Win32's: not part of Win32's subset, and not linked into the plug-in.
#pragma once

#include "platform/win32.h"

#include <vector>

namespace stepveil::platform::snapshot {

// The instance handle of the running program, whose resources LoadBitmapA reads.
HINSTANCE currentModule();

// The bitmap's pixels in COLORREF form, row by row from the top; false when the bitmap
// cannot be read (or is selected into a device context, which Win32 does not allow here).
bool readBitmap(HBITMAP bitmap, int& width, int& height, std::vector<COLORREF>& pixels);

} // namespace stepveil::platform::snapshot
