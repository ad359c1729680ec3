// A data object of the tests' own, on both systems: it offers what a test tells it, each time
// on a new global block, and writes down what it was asked.
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

// COM interfaces have no virtual destructor by design; this object is the test's own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TestData : public IDataObject {
public:
    // Offered: text (the whole block, which may hold more than the text), a list of files
    // (fileList), any other format as a name only.
    std::optional<std::string> text;
    std::optional<std::string> files;
    std::optional<CLIPFORMAT> otherFormat;

    std::vector<CLIPFORMAT> asked;      // QueryGetData, in order
    std::vector<CLIPFORMAT> fetched;    // GetData, in order
    std::vector<HGLOBAL> handedOut;     // every block given
    std::function<void()> afterGetData; // called once a block was made
    ULONG references = 1;

    // Blocks given since the last call that are still allocated (asked right after a drop: a
    // freed handle may be given out again later).
    int unfreedBlocks();

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
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};
#pragma GCC diagnostic pop

} // namespace droptest
