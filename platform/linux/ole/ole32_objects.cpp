// ole32: the interface identifiers the subset declares, object creation (no class is
// registered), and giving back what a storage medium holds.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/ole/OleThreads.h"

#include "platform/win32.h"

using namespace stepveil::platform;

// Win32's published identifiers.
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IDropTarget = {0x00000122, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersist = {0x0000010C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IShellLinkA = {0x000214EE, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

HRESULT CoCreateInstance(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    auto lock = lockLayer();
    return isOleInitialised(callingThread()) ? REGDB_E_CLASSNOTREG : CO_E_NOTINITIALIZED;
}

// A release object, when there is one, owns the block or bitmap: only its reference is given
// back.
void ReleaseStgMedium(STGMEDIUM* medium) {
    if (medium == nullptr) {
        return;
    }
    IUnknown* owner = medium->pUnkForRelease;
    if (owner == nullptr) {
        if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal != nullptr) {
            GlobalFree(medium->hGlobal);
        } else if (medium->tymed == TYMED_GDI && medium->hBitmap != nullptr) {
            DeleteObject(medium->hBitmap);
        }
    }
    medium->tymed = TYMED_NULL;
    medium->hGlobal = nullptr;
    medium->pUnkForRelease = nullptr;
    if (owner != nullptr) {
        owner->Release();
    }
}
