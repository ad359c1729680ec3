// The system part of the Win32 subset (kernel32), declared with Win32's own signatures.
#pragma once

#include "platform/linux/win32/win32_types.h"

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

// The extended record, 156 bytes: GetVersionExA fills its further fields when the size field
// says 156, so a caller that says 156 must hand over this record.
struct OSVERSIONINFOEXA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008

DWORD GetTickCount();
void Sleep(DWORD milliseconds);
BOOL GetVersionExA(LPOSVERSIONINFOA version);

// GetModuleHandleExA options: the module holding an address, kept loaded until the process ends.
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

DWORD GetCurrentThreadId();

HMODULE LoadLibraryA(LPCSTR fileName);
BOOL GetModuleHandleExA(DWORD flags, LPCSTR moduleName, HMODULE* module);
FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName);
BOOL FreeLibrary(HMODULE module);

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);

// From the C runtime: comparison ignoring the case of ASCII letters, as in the "C" locale.
int _stricmp(const char* first, const char* second);

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textLength, LPWSTR wideText,
                        int wideLength);
