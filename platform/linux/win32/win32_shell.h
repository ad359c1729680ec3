// The shell part of the Win32 subset (shell32): the list of dropped files and the shell-link
// interface, declared with Win32's records, method order and signatures. The subset has no
// shell-link class (CoCreateInstance refuses it); the interface is here so that code which
// resolves shortcuts compiles unchanged.
#pragma once

#include "platform/linux/win32/win32_ole.h"
#include "platform/linux/win32/win32_types.h"

#define MAX_PATH 260

// ---- dropped files ----

STEPVEIL_DECLARE_HANDLE(HDROP);

// The head of a CF_HDROP block: pFiles is the offset of the names from the block's start; the
// names follow one after another, each zero-terminated, and an empty name ends the list. They
// are UTF-16 when fWide is set, in the ANSI code page otherwise.
struct DROPFILES {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};
using LPDROPFILES = DROPFILES*;

// With `file` 0xFFFFFFFF: the number of names. With a null buffer: the length of name `file`
// in bytes of the ANSI code page, without its terminator. Otherwise copies the name, cut to
// bufferSize - 1 bytes, and answers the bytes copied; 0 when the name cannot be given.
UINT DragQueryFileA(HDROP drop, UINT file, LPSTR buffer, UINT bufferSize);

// ---- shell links ----

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

struct ITEMIDLIST;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;

#define SLR_NO_UI 0x0001
#define SLR_ANY_MATCH 0x0002
#define SLGP_SHORTPATH 0x0001

extern const CLSID CLSID_ShellLink;
extern const IID IID_IShellLinkA;

struct IShellLinkA : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int capacity, WIN32_FIND_DATAA* found,
                                              DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* list) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE list) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(LPSTR name, int capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR directory, int capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR directory) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArguments(LPSTR arguments, int capacity) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR arguments) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCommand) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShowCmd(int showCommand) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR iconPath, int capacity,
                                                      int* iconIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR iconPath, int iconIndex) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR path, DWORD reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Resolve(HWND window, DWORD flags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPath(LPCSTR file) = 0;

protected:
    ~IShellLinkA() = default;
};
