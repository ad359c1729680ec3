// A data object of the tests' own, on both systems: it offers what a test tells it, on new
// global blocks, and writes down what it was asked.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace droptest {

// A list of file names as a CF_HDROP block holds them: each name with its terminator, and the
// empty name that ends the list.
std::string fileList(const std::vector<std::string>& names);

// COM interfaces have no virtual destructor by design; the objects below are the test's own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

// Counts the references given back to it, as the owner of a medium.
class ReleaseCounter : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override {
        releases++;
        return 1;
    }
    int releases = 0;
};

class TestData : public IDataObject {
public:
    // What is offered: text (the whole block, so it may hold more than the text), a list of
    // files (fileList), and any other format as nothing but a name.
    std::optional<std::string> text;
    std::optional<std::string> files;
    std::optional<CLIPFORMAT> otherFormat;
    // Media come with a release object that owns their block.
    bool withOwner = false;

    std::vector<CLIPFORMAT> asked;      // QueryGetData, in order
    std::vector<CLIPFORMAT> fetched;    // GetData, in order
    std::vector<HGLOBAL> handedOut;     // every block given
    std::function<void()> afterGetData; // called once a block was made
    ReleaseCounter owner;
    ULONG references = 1;

    ~TestData();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }

    // Blocks given without an owner since the last call that are still allocated. (Asked
    // right after a drop: a freed handle may be given out again later.)
    int unfreedBlocks();

private:
    const std::string* contentOf(CLIPFORMAT format) const;
    std::vector<HGLOBAL> ownedBlocks;
};

#pragma GCC diagnostic pop

} // namespace droptest
