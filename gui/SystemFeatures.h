// What the frame learns about the system once and the drawing code reads afterwards: whether
// the mouse buttons are swapped, and where msimg32's transparent block copy is, if anywhere.
// Written only while a frame is created or its window class registered, on the
// user-interface thread; read while drawing on the same thread.
#pragma once

#include "platform/win32.h"

using TransparentBltFunction = BOOL(WINAPI*)(HDC destination, int destinationX, int destinationY,
                                             int destinationWidth, int destinationHeight,
                                             HDC source, int sourceX, int sourceY, int sourceWidth,
                                             int sourceHeight, UINT transparentColor);

// Null when msimg32.dll or its TransparentBlt is missing, or the system is not of the NT
// family; bitmaps then fall back to the mask method.
extern TransparentBltFunction transparentBltEntry;

// True when the user swapped the primary and secondary mouse buttons.
extern bool buttonsSwapped;
