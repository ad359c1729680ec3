#include "gui/DropTarget.h"

#include "gui/Frame.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr UINT fileCountQuery = 0xFFFFFFFF;
// UTF-16 units for a shortcut's path: more than any name of nameCapacity bytes needs.
constexpr int widePathCapacity = 2048;
// No user interface, and the search for a moved target may look for any match; the high word
// is the time the search may take, in milliseconds.
constexpr DWORD shortcutSearchMilliseconds = 500;
constexpr DWORD resolveFlags = (shortcutSearchMilliseconds << 16) | SLR_NO_UI | SLR_ANY_MATCH;

// Both formats come whole, on a global memory block, for no particular device.
FORMATETC formatFor(UINT clipboardFormat) {
    FORMATETC format;
    format.cfFormat = static_cast<CLIPFORMAT>(clipboardFormat);
    format.ptd = nullptr;
    format.dwAspect = DVASPECT_CONTENT;
    format.lindex = -1;
    format.tymed = TYMED_HGLOBAL;
    return format;
}

bool offers(IDataObject* data, UINT clipboardFormat) {
    FORMATETC format = formatFor(clipboardFormat);
    return data->QueryGetData(&format) == S_OK;
}

// The block's size as the frame's count; a block beyond 2 GiB is handed on as its first 2 GiB.
std::int32_t countOfBytes(SIZE_T size) {
    constexpr auto largest = static_cast<SIZE_T>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(size < largest ? size : largest);
}

} // namespace

DropTarget::DropTarget(Frame* owningFrame) : frame(owningFrame) {}

DropTarget::~DropTarget() = default;

HRESULT DropTarget::QueryInterface(REFIID interfaceId, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(interfaceId, IID_IDropTarget) || IsEqualIID(interfaceId, IID_IUnknown)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DropTarget::AddRef() {
    refCount++;
    return static_cast<ULONG>(refCount);
}

// A Release without a reference to give back (the count already 0) changes nothing, so no
// caller can make the target free itself twice.
ULONG DropTarget::Release() {
    if (refCount <= 0) {
        return 0;
    }
    refCount--;
    if (refCount == 0) {
        delete this;
        return 0;
    }
    return static_cast<ULONG>(refCount);
}

HRESULT DropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    acceptsData = false;
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    if (data != nullptr && (offers(data, CF_TEXT) || offers(data, CF_HDROP))) {
        acceptsData = true;
        return DragOver(keyState, point, effect);
    }
    *effect = DROPEFFECT_NONE;
    return S_OK;
}

// The cursor shows copy while control is held and move otherwise, whatever the source allows
// (the system limits it to those effects).
HRESULT DropTarget::DragOver(DWORD keyState, POINTL, DWORD* effect) {
    if (effect == nullptr) {
        return E_INVALIDARG;
    }
    if (!acceptsData) {
        *effect = DROPEFFECT_NONE;
    } else {
        *effect = (keyState & MK_CONTROL) != 0 ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
    }
    return S_OK;
}

HRESULT DropTarget::DragLeave() {
    return S_OK;
}

// Only a drop that a view took reports an effect: a source told "move" may delete what it
// dragged. A drop that did not follow an accepting DragEnter delivers nothing.
HRESULT DropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) {
    // A view may close the editor while it takes the drop, and so revoke this target.
    AddRef();
    bool taken = acceptsData && data != nullptr && frame != nullptr && deliver(data);
    DWORD result = DROPEFFECT_NONE;
    if (taken) {
        DragOver(keyState, point, &result);
    }
    if (effect != nullptr) {
        *effect = result;
    }
    DragLeave();
    acceptsData = false; // the drag is over: another drop needs another DragEnter
    Release();
    return S_OK;
}

// Text is preferred to files. A medium that is not a global block is not read as one; every
// medium obtained is given back the way its kind and its owner require.
bool DropTarget::deliver(IDataObject* data) {
    STGMEDIUM medium{};
    FORMATETC text = formatFor(CF_TEXT);
    FORMATETC files = formatFor(CF_HDROP);
    bool isText = data->GetData(&text, &medium) == S_OK;
    if (!isText) {
        medium = STGMEDIUM{};
        if (data->GetData(&files, &medium) != S_OK) {
            return false;
        }
    }
    bool taken = false;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal != nullptr) {
        // The frame stays alive while its views look at the drop, whatever they do.
        Frame* receiver = frame;
        receiver->retain();
        taken = isText ? deliverText(medium.hGlobal) : deliverFiles(medium.hGlobal);
        receiver->release();
    }
    ReleaseStgMedium(&medium);
    return taken;
}

// The view receives the address of a pointer to the locked text and the block's size, which
// may exceed the text. A block that cannot be locked or is empty is not handed on.
bool DropTarget::deliverText(HGLOBAL block) {
    void* text = GlobalLock(block);
    if (text == nullptr) {
        return false;
    }
    bool taken = false;
    SIZE_T size = GlobalSize(block);
    if (size != 0) {
        Point where;
        frame->getCursorLocation(where);
        taken = frame->onDrop(&text, countOfBytes(size), dropKindText, where);
    }
    GlobalUnlock(block);
    return taken;
}

// Each listed name has a block of nameCapacity bytes of its own; names the system cannot give
// are left out, and only the names listed are counted, handed on and freed.
bool DropTarget::deliverFiles(HGLOBAL block) {
    auto drop = static_cast<HDROP>(block);
    UINT fileCount = DragQueryFileA(drop, fileCountQuery, nullptr, 0);
    if (fileCount == 0 || fileCount > static_cast<UINT>(std::numeric_limits<int32>::max())) {
        return false;
    }
    char** names = new (std::nothrow) char*[fileCount];
    if (names == nullptr) {
        return false;
    }
    int32 listed = 0;
    char buffer[nameCapacity];
    for (UINT file = 0; file < fileCount; file++) {
        if (DragQueryFileA(drop, file, buffer, nameCapacity) == 0) {
            continue;
        }
        resolveShortcut(buffer, buffer);
        char* name = new (std::nothrow) char[nameCapacity];
        if (name == nullptr) {
            continue;
        }
        std::memcpy(name, buffer, std::strlen(buffer) + 1);
        names[listed++] = name;
    }
    bool taken = false;
    if (listed > 0) {
        Point where;
        frame->getCursorLocation(where);
        taken = frame->onDrop(reinterpret_cast<void**>(names), listed, dropKindFiles, where);
    }
    for (int32 index = 0; index < listed; index++) {
        delete[] names[index];
    }
    delete[] names;
    return taken;
}

bool DropTarget::resolveShortcut(const char* path, char* out) {
    const char* extension = std::strrchr(path, '.');
    if (extension == nullptr || _stricmp(extension, ".lnk") != 0) {
        return false;
    }
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))) ||
        link == nullptr) {
        return false;
    }
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) ||
        file == nullptr) {
        link->Release();
        return false;
    }
    // The target goes to a buffer of its own first: `out` changes only when a whole path came.
    WCHAR widePath[widePathCapacity];
    char target[nameCapacity] = "";
    bool resolved = false;
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, widePathCapacity) != 0 &&
        SUCCEEDED(file->Load(widePath, STGM_READ)) &&
        SUCCEEDED(link->Resolve(nullptr, resolveFlags))) {
        WIN32_FIND_DATAA found;
        resolved = link->GetPath(target, nameCapacity, &found, SLGP_SHORTPATH) == S_OK &&
                   target[0] != '\0';
    }
    file->Release();
    link->Release();
    if (resolved) {
        target[nameCapacity - 1] = '\0';
        std::memcpy(out, target, std::strlen(target) + 1);
    }
    return resolved;
}
