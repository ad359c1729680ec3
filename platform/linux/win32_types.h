// Win32's basic types and constants for builds that are not Windows. Sizes follow 64-bit
// Windows where code could notice (DWORD and LONG are 32 bits, handles are pointers).
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using CHAR = char;
using WCHAR = wchar_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using COLORREF = DWORD;
using ATOM = WORD;
using HANDLE = void*;

#define TRUE 1
#define FALSE 0

// Opaque handle types, distinct per kind as with STRICT Win32.
#define STEPVEIL_DECLARE_HANDLE(name)                                                              \
    struct name##__ {                                                                              \
        int unused;                                                                                \
    };                                                                                             \
    using name = name##__*

STEPVEIL_DECLARE_HANDLE(HINSTANCE);
STEPVEIL_DECLARE_HANDLE(HWND);
STEPVEIL_DECLARE_HANDLE(HDC);
STEPVEIL_DECLARE_HANDLE(HBITMAP);
STEPVEIL_DECLARE_HANDLE(HPEN);
STEPVEIL_DECLARE_HANDLE(HBRUSH);
STEPVEIL_DECLARE_HANDLE(HFONT);
STEPVEIL_DECLARE_HANDLE(HCURSOR);
STEPVEIL_DECLARE_HANDLE(HICON);
STEPVEIL_DECLARE_HANDLE(HMENU);
STEPVEIL_DECLARE_HANDLE(HRGN);
STEPVEIL_DECLARE_HANDLE(HPALETTE);
using HMODULE = HINSTANCE;
using HGDIOBJ = void*;
using HGLOBAL = HANDLE;
using FARPROC = LONG_PTR (*)();

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3
