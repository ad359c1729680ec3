// The one header the gui and editor code include for Win32 names. On Windows these are the
// real system libraries; elsewhere they are the project's own subset (platform/linux/), which
// keeps Win32's signatures and behaviour so the same code runs on both systems.
#pragma once

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// OLE and the shell are left out by WIN32_LEAN_AND_MEAN; the editor needs OLE's initialisation
// and drop targets, and the shell's list of dropped files and its shortcut (shell link) objects.
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

// The user-data slot under its 32-bit name, which 64-bit Windows headers leave out.
#ifndef GWL_USERDATA
#define GWL_USERDATA (-21)
#endif

#else

#include "platform/linux/win32/win32_gdi.h"
#include "platform/linux/win32/win32_kernel.h"
#include "platform/linux/win32/win32_ole.h"
#include "platform/linux/win32/win32_shell.h"
#include "platform/linux/win32/win32_types.h"
#include "platform/linux/win32/win32_user.h"

#endif

// The library attach hook every module defines. C linkage on both systems: the Windows C
// runtime looks it up by its plain name, and on Linux the platform layer calls it when the
// shared library is loaded and unloaded.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
