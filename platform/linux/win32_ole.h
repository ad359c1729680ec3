// The start of the OLE part of the Win32 subset (ole32): initialisation and revoking a drop
// target. Drop targets themselves, their registration and the data they receive are still
// to come; until then no window is ever registered.
#pragma once

#include "platform/linux/win32_types.h"

using HRESULT = LONG;

#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define DRAGDROP_E_NOTREGISTERED static_cast<HRESULT>(0x80040100L)
#define DRAGDROP_E_INVALIDHWND static_cast<HRESULT>(0x80040102L)

HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();
HRESULT RevokeDragDrop(HWND window);
