// Shared pieces of the drop tests, on both systems: a data object of the tests' own that offers
// what a test tells it and writes down what it was asked, a view that takes drops and copies
// what it receives, a count of the blocks the drop target allocates, and the host window.
#pragma once

#include "gui/DropTarget.h"
#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/View.h"
#include "platform/win32.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace droptest {

// Where the host window lies on the screen.
constexpr int hostX = 40;
constexpr int hostY = 30;

HWND makeHostWindow();
void destroyHostWindow(HWND host);
// Puts the cursor at a point of the frame window (whose origin is the host's).
void placeCursor(int frameX, int frameY);

// Arrays the drop target allocates (the file list and each name's block) that are still alive.
std::size_t liveArrays();

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

    std::vector<CLIPFORMAT> asked;       // QueryGetData, in order
    std::vector<CLIPFORMAT> fetched;     // GetData, in order
    std::vector<HGLOBAL> handedOut;      // every block given
    std::size_t arraysAtLastGetData = 0; // liveArrays() once the block was made
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

// What a view received in one onDrop call, copied during the call.
struct ReceivedDrop {
    std::string view;
    std::int32_t kind = -1;
    std::int32_t count = 0;
    Point where;
    std::vector<std::string> names; // kind 0
    std::string text;               // kind 1: the whole block
    std::size_t arraysAlive = 0;    // the target's arrays alive during the call
};

class DropView : public View {
public:
    DropView(const Rect& viewSize, bool takesDrops, std::vector<ReceivedDrop>* log,
             std::string name)
        : View(viewSize), takes(takesDrops), received(log), viewName(std::move(name)) {}
    bool onDrop(void** items, int32 count, int32 kind, Point where) override;

private:
    bool takes;
    std::vector<ReceivedDrop>* received;
    std::string viewName;
};

class QuietEditor : public FrameEditor {
public:
    void beginEdit(std::int32_t) override {}
    bool endEdit(std::int32_t) override { return true; }
    void runIdlePump() override {}
};

} // namespace droptest
