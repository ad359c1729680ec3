// What the frame learns about the system once and the drawing code reads afterwards: whether
// the mouse buttons are swapped, and where msimg32's transparent block copy is, if anywhere.
// Written while a frame is created or its window class registered and read while drawing,
// by the editors of every instance of the process, which may live on different threads.
#pragma once

#include "platform/win32.h"

#include <atomic>

using TransparentBltFunction = BOOL(WINAPI*)(HDC destination, int destinationX, int destinationY,
                                             int destinationWidth, int destinationHeight,
                                             HDC source, int sourceX, int sourceY, int sourceWidth,
                                             int sourceHeight, UINT transparentColor);

// Null when msimg32.dll or its TransparentBlt is missing, or the system is not of the NT
// family; bitmaps then fall back to the mask method.
extern std::atomic<TransparentBltFunction> transparentBltEntry;

// True when the user swapped the primary and secondary mouse buttons.
extern std::atomic<bool> buttonsSwapped;
