// Win32's basic types, handles and records for builds that are not Windows. Sizes follow
// 64-bit Windows where code could notice: DWORD and LONG are 32 bits, handles are pointers,
// WCHAR is a UTF-16 unit.
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
using LPDWORD = DWORD*;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using SHORT = std::int16_t;
using CHAR = char;
using WCHAR = char16_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using PDWORD_PTR = DWORD_PTR*;
using SIZE_T = std::size_t;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using COLORREF = DWORD;
using ATOM = WORD;
using HANDLE = void*;

#define TRUE 1
#define FALSE 0

// Opaque handle types, one distinct type per kind as with Win32's STRICT declarations.
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
STEPVEIL_DECLARE_HANDLE(HICON);
STEPVEIL_DECLARE_HANDLE(HMENU);
using HMODULE = HINSTANCE;
using HCURSOR = HICON;
using HGDIOBJ = void*;
using HGLOBAL = HANDLE;
using FARPROC = INT_PTR (*)();

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define MAKEINTRESOURCEA(id)                                                                       \
    (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))))
#define IS_INTRESOURCE(pointer) ((reinterpret_cast<ULONG_PTR>(pointer) >> 16) == 0)

#define LOWORD(value) (static_cast<WORD>(static_cast<DWORD_PTR>(value) & 0xFFFF))
#define HIWORD(value) (static_cast<WORD>((static_cast<DWORD_PTR>(value) >> 16) & 0xFFFF))
#define MAKELONG(low, high)                                                                        \
    (static_cast<LONG>(static_cast<DWORD>(static_cast<WORD>(low)) |                                \
                       (static_cast<DWORD>(static_cast<WORD>(high)) << 16)))
#define MAKELPARAM(low, high) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high))))

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;
