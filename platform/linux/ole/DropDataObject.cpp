#include "platform/linux/ole/DropDataObject.h"

#include <atomic>
#include <cstring>
#include <new>

namespace stepveil::platform {

namespace {

class DropDataObject final : public IDataObject {
public:
    DropDataObject(std::vector<std::string> paths, std::optional<std::string> dropText)
        : filePaths(std::move(paths)), text(std::move(dropText)) {}
    DropDataObject(const DropDataObject&) = delete;
    DropDataObject& operator=(const DropDataObject&) = delete;
    virtual ~DropDataObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (interfaceId == IID_IUnknown || interfaceId == IID_IDataObject) {
            *object = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }

    // A Release without a reference to give back changes nothing, so the object is never
    // freed twice.
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG count = references.load();
        while (count > 0 && !references.compare_exchange_weak(count, count - 1)) {
        }
        if (count == 1) {
            delete this;
            return 0;
        }
        return count == 0 ? 0 : count - 1;
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (medium == nullptr) {
            return E_INVALIDARG;
        }
        HRESULT offered = QueryGetData(format);
        if (offered != S_OK) {
            return offered;
        }
        HGLOBAL block = format->cfFormat == CF_TEXT ? makeTextBlock() : makeFileListBlock();
        if (block == nullptr) {
            return E_OUTOFMEMORY;
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        if (format == nullptr) {
            return E_INVALIDARG;
        }
        bool offered = (format->cfFormat == CF_TEXT && text) ||
                       (format->cfFormat == CF_HDROP && !filePaths.empty());
        if (!offered) {
            return DV_E_FORMATETC;
        }
        if (format->dwAspect != DVASPECT_CONTENT) {
            return DV_E_DVASPECT;
        }
        if (format->lindex != -1) {
            return DV_E_LINDEX;
        }
        return (format->tymed & TYMED_HGLOBAL) != 0 ? S_OK : DV_E_TYMED;
    }

    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* canonical) override {
        if (canonical != nullptr) {
            canonical->ptd = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC** enumerator) override {
        if (enumerator != nullptr) {
            *enumerator = nullptr;
        }
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) override {
        if (enumerator != nullptr) {
            *enumerator = nullptr;
        }
        return OLE_E_ADVISENOTSUPPORTED;
    }

private:
    static HGLOBAL blockWith(const void* head, std::size_t headSize, const std::string& body) {
        HGLOBAL block = GlobalAlloc(GHND, headSize + body.size());
        auto* bytes = static_cast<char*>(GlobalLock(block));
        if (bytes == nullptr) {
            GlobalFree(block);
            return nullptr;
        }
        std::memcpy(bytes, head, headSize);
        std::memcpy(bytes + headSize, body.data(), body.size());
        GlobalUnlock(block);
        return block;
    }

    // The text and its terminator.
    HGLOBAL makeTextBlock() const { return blockWith("", 0, std::string(text->c_str()) + '\0'); }

    // The head, the names one after another with their terminators, and the empty name that
    // ends the list.
    HGLOBAL makeFileListBlock() const {
        DROPFILES head{};
        head.pFiles = sizeof head;
        head.fWide = FALSE;
        std::string names;
        for (const std::string& path : filePaths) {
            names += path;
            names += '\0';
        }
        names += '\0';
        return blockWith(&head, sizeof head, names);
    }

    std::atomic<ULONG> references{1};
    const std::vector<std::string> filePaths;
    const std::optional<std::string> text;
};

bool canBeListed(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

} // namespace

IDataObject* createDropDataObject(const std::vector<std::string>& filePaths,
                                  const std::optional<std::string>& text) {
    try {
        std::vector<std::string> listed;
        for (const std::string& path : filePaths) {
            if (canBeListed(path)) {
                listed.push_back(path);
            }
        }
        return new DropDataObject(std::move(listed), text);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace stepveil::platform
