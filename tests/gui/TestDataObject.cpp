#include "TestDataObject.h"

#include <cstring>

namespace droptest {

std::string fileList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        list += name + '\0';
    }
    return list + '\0';
}

HRESULT TestData::QueryInterface(REFIID interfaceId, void** object) {
    *object = nullptr;
    if (!IsEqualIID(interfaceId, IID_IUnknown) && !IsEqualIID(interfaceId, IID_IDataObject)) {
        return E_NOINTERFACE;
    }
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

HRESULT TestData::QueryGetData(FORMATETC* format) {
    asked.push_back(format->cfFormat);
    bool offered = (format->cfFormat == CF_TEXT && text) ||
                   (format->cfFormat == CF_HDROP && files) || format->cfFormat == otherFormat;
    return offered && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
}

HRESULT TestData::GetData(FORMATETC* format, STGMEDIUM* medium) {
    fetched.push_back(format->cfFormat);
    bool isText = format->cfFormat == CF_TEXT && text;
    if ((!isText && !(format->cfFormat == CF_HDROP && files)) || !(format->tymed & TYMED_HGLOBAL)) {
        return DV_E_FORMATETC;
    }
    const std::string& content = isText ? *text : *files;
    DROPFILES head{};
    head.pFiles = sizeof head;
    std::size_t headSize = isText ? 0 : sizeof head;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, headSize + content.size());
    // An empty content is a block of no bytes, which cannot even be locked.
    if (auto* bytes = static_cast<char*>(GlobalLock(block))) {
        std::memcpy(bytes, &head, headSize);
        std::memcpy(bytes + headSize, content.data(), content.size());
        GlobalUnlock(block);
    }
    handedOut.push_back(block);
    if (afterGetData) {
        afterGetData();
    }
    *medium = STGMEDIUM{};
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    return S_OK;
}

// The system knows no size for a freed block.
int TestData::unfreedBlocks() {
    int alive = 0;
    for (HGLOBAL block : handedOut) {
        alive += GlobalSize(block) != 0 ? 1 : 0;
    }
    handedOut.clear();
    return alive;
}

} // namespace droptest
