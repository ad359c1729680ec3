#include "TestDataObject.h"

#include <algorithm>
#include <cstring>

namespace droptest {

std::string fileList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    list += '\0';
    return list;
}

HRESULT ReleaseCounter::QueryInterface(REFIID, void** object) {
    *object = nullptr;
    return E_NOINTERFACE;
}

TestData::~TestData() {
    for (HGLOBAL block : ownedBlocks) {
        GlobalFree(block);
    }
}

HRESULT TestData::QueryInterface(REFIID interfaceId, void** object) {
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IDataObject)) {
        *object = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

const std::string* TestData::contentOf(CLIPFORMAT format) const {
    if (format == CF_TEXT && text) {
        return &*text;
    }
    if (format == CF_HDROP && files) {
        return &*files;
    }
    return nullptr;
}

HRESULT TestData::QueryGetData(FORMATETC* format) {
    asked.push_back(format->cfFormat);
    bool offered =
        contentOf(format->cfFormat) != nullptr || (otherFormat && *otherFormat == format->cfFormat);
    if (!offered) {
        return DV_E_FORMATETC;
    }
    return format->tymed & TYMED_HGLOBAL ? S_OK : DV_E_TYMED;
}

HRESULT TestData::GetData(FORMATETC* format, STGMEDIUM* medium) {
    fetched.push_back(format->cfFormat);
    const std::string* content = contentOf(format->cfFormat);
    if (content == nullptr || !(format->tymed & TYMED_HGLOBAL)) {
        return DV_E_FORMATETC;
    }
    std::size_t head = format->cfFormat == CF_HDROP ? sizeof(DROPFILES) : 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, head + content->size());
    if (block == nullptr) {
        return E_OUTOFMEMORY;
    }
    // An empty content is a block of no bytes, which cannot even be locked.
    if (auto* bytes = static_cast<char*>(GlobalLock(block))) {
        if (head != 0) {
            DROPFILES listHead{};
            listHead.pFiles = sizeof listHead;
            std::memcpy(bytes, &listHead, sizeof listHead);
        }
        std::memcpy(bytes + head, content->data(), content->size());
        GlobalUnlock(block);
    }
    handedOut.push_back(block);
    if (afterGetData) {
        afterGetData();
    }
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    if (withOwner) {
        medium->pUnkForRelease = &owner;
        ownedBlocks.push_back(block);
    }
    return S_OK;
}

int TestData::unfreedBlocks() {
    int alive = 0;
    for (HGLOBAL block : handedOut) {
        bool owned = std::find(ownedBlocks.begin(), ownedBlocks.end(), block) != ownedBlocks.end();
        // Freed blocks are unknown to the system: it knows no size for them.
        alive += !owned && GlobalSize(block) != 0 ? 1 : 0;
    }
    handedOut.clear();
    return alive;
}

} // namespace droptest
