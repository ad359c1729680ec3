// The OLE part of the Win32 subset (ole32): per-thread initialisation, COM's identifiers and
// base interface, the data-transfer records and interfaces of drag and drop, registration of
// drop targets, and object creation. Interfaces are declared with Win32's method order and
// signatures, so code written against them is the same on both systems.
#pragma once

#include "platform/linux/win32/win32_types.h"

#define STDMETHODCALLTYPE

using HRESULT = LONG;

#define SUCCEEDED(result) (static_cast<HRESULT>(result) >= 0)
#define FAILED(result) (static_cast<HRESULT>(result) < 0)

#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define E_NOTIMPL static_cast<HRESULT>(0x80004001L)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002L)
#define E_POINTER static_cast<HRESULT>(0x80004003L)
#define E_FAIL static_cast<HRESULT>(0x80004005L)
#define E_UNEXPECTED static_cast<HRESULT>(0x8000FFFFL)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000EL)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057L)
#define OLE_E_ADVISENOTSUPPORTED static_cast<HRESULT>(0x80040003L)
#define DV_E_FORMATETC static_cast<HRESULT>(0x80040064L)
#define DV_E_LINDEX static_cast<HRESULT>(0x80040068L)
#define DV_E_TYMED static_cast<HRESULT>(0x80040069L)
#define DV_E_DVASPECT static_cast<HRESULT>(0x8004006BL)
#define DRAGDROP_E_NOTREGISTERED static_cast<HRESULT>(0x80040100L)
#define DRAGDROP_E_ALREADYREGISTERED static_cast<HRESULT>(0x80040101L)
#define DRAGDROP_E_INVALIDHWND static_cast<HRESULT>(0x80040102L)
#define REGDB_E_CLASSNOTREG static_cast<HRESULT>(0x80040154L)
#define CO_E_NOTINITIALIZED static_cast<HRESULT>(0x800401F0L)

// ---- identifiers ----

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline BOOL IsEqualGUID(REFGUID first, REFGUID second) {
    for (int index = 0; index < 8; index++) {
        if (first.Data4[index] != second.Data4[index]) {
            return FALSE;
        }
    }
    return first.Data1 == second.Data1 && first.Data2 == second.Data2 && first.Data3 == second.Data3
               ? TRUE
               : FALSE;
}
#define IsEqualIID(first, second) IsEqualGUID(first, second)
#define IsEqualCLSID(first, second) IsEqualGUID(first, second)
inline bool operator==(REFGUID first, REFGUID second) {
    return IsEqualGUID(first, second) != FALSE;
}
inline bool operator!=(REFGUID first, REFGUID second) {
    return !(first == second);
}

extern const IID IID_IUnknown;
extern const IID IID_IDataObject;
extern const IID IID_IDropTarget;
extern const IID IID_IPersist;
extern const IID IID_IPersistFile;

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

// ---- the base interface ----
// Interfaces have no public destructor: an object is given back with Release, never deleted
// through an interface pointer.

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// ---- data transfer ----

using CLIPFORMAT = WORD;

// Only ever passed as a null pointer here: data for no particular target device.
struct DVTARGETDEVICE;

struct FORMATETC {
    CLIPFORMAT cfFormat;
    DVTARGETDEVICE* ptd;
    DWORD dwAspect;
    LONG lindex;
    DWORD tymed;
};
using LPFORMATETC = FORMATETC*;

#define DVASPECT_CONTENT 1

#define TYMED_NULL 0
#define TYMED_HGLOBAL 1
#define TYMED_FILE 2
#define TYMED_ISTREAM 4
#define TYMED_ISTORAGE 8
#define TYMED_GDI 16
#define TYMED_MFPICT 32
#define TYMED_ENHMF 64

// The media the subset knows: a global memory block, a GDI bitmap, or nothing. The union has
// the size of Win32's (one pointer).
struct STGMEDIUM {
    DWORD tymed;
    union {
        HBITMAP hBitmap;
        HGLOBAL hGlobal;
    };
    IUnknown* pUnkForRelease;
};
using LPSTGMEDIUM = STGMEDIUM*;

#define DATADIR_GET 1
#define DATADIR_SET 2

// Enumerators and advise sinks are not offered by the subset's objects.
struct IEnumFORMATETC;
struct IAdviseSink;
struct IEnumSTATDATA;

struct IDataObject : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* format,
                                                            FORMATETC* canonical) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium,
                                              BOOL release) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction,
                                                    IEnumFORMATETC** enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                              DWORD* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) = 0;

protected:
    ~IDataObject() = default;
};
using LPDATAOBJECT = IDataObject*;

// Frees what a medium holds: its block or bitmap unless a release object owns them, then that
// release object's reference. The medium is left empty (TYMED_NULL).
void ReleaseStgMedium(STGMEDIUM* medium);

// ---- drag and drop ----

struct POINTL {
    LONG x;
    LONG y;
};

#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4
#define DROPEFFECT_SCROLL 0x80000000

// The effect word is in and out: the effects the source allows in, the target's choice out.
struct IDropTarget : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                                DWORD* effect) = 0;
    virtual HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) = 0;
    virtual HRESULT STDMETHODCALLTYPE DragLeave() = 0;
    virtual HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                           DWORD* effect) = 0;

protected:
    ~IDropTarget() = default;
};
using LPDROPTARGET = IDropTarget*;

HRESULT OleInitialize(LPVOID reserved);
void OleUninitialize();
// The window's drop target holds one reference while registered. Win32's answers: E_INVALIDARG
// for a null target, E_OUTOFMEMORY on a thread without OleInitialize,
// DRAGDROP_E_INVALIDHWND, DRAGDROP_E_ALREADYREGISTERED, DRAGDROP_E_NOTREGISTERED.
HRESULT RegisterDragDrop(HWND window, LPDROPTARGET target);
HRESULT RevokeDragDrop(HWND window);

// ---- objects ----

#define CLSCTX_INPROC_SERVER 0x1
#define STGM_READ 0x00000000L

// No class is registered with the subset: it answers REGDB_E_CLASSNOTREG (CO_E_NOTINITIALIZED
// on a thread without OleInitialize), with the object set to null.
HRESULT CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID interfaceId,
                         LPVOID* object);

struct IPersist : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) = 0;

protected:
    ~IPersist() = default;
};

struct IPersistFile : IPersist {
    virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, DWORD mode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(LPCOLESTR fileName, BOOL remember) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR fileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* fileName) = 0;

protected:
    ~IPersistFile() = default;
};
