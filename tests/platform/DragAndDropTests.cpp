// ole32 and shell32 of the layer: drop-target registration, the list of dropped files, the
// layer's own data object, storage media, object creation, and the session and tasks a display
// uses to deliver a drag from the window system.
#include "PlatformTestSupport.h"

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/LayerTasks.h"
#include "platform/linux/display/x11/XdndData.h"
#include "platform/linux/ole/DropDataObject.h"
#include "platform/linux/ole/DropSession.h"
#include "platform/linux/ole/DropTargetRegistry.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace platform_test;
using stepveil::platform::createDropDataObject;
namespace headless = stepveil::platform::headless;
namespace layer = stepveil::platform;

namespace {

// A target owned by the test that writes down every call it gets.
class RecordingTarget : public IDropTarget {
public:
    virtual ~RecordingTarget() = default;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                        DWORD* effect) override {
        seenData = data;
        return answer("enter", keys, point, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override {
        return answer("over", keys, point, effect);
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        calls.push_back("leave");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD keys, POINTL point, DWORD* effect) override {
        return answer("drop", keys, point, effect);
    }

    ULONG references = 1;
    DWORD effectToShow = DROPEFFECT_MOVE;
    IDataObject* seenData = nullptr;
    std::vector<std::string> calls;

private:
    HRESULT answer(const char* name, DWORD keys, POINTL point, DWORD* effect) {
        calls.push_back(std::string(name) + " " + std::to_string(keys) + " " +
                        std::to_string(point.x) + "," + std::to_string(point.y) + " allowed " +
                        std::to_string(*effect));
        *effect = effectToShow;
        return S_OK;
    }
};

HGLOBAL dropBlock(const void* names, std::size_t size, bool wide) {
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + size);
    auto* bytes = static_cast<char*>(GlobalLock(block));
    DROPFILES head{};
    head.pFiles = sizeof head;
    head.fWide = wide ? TRUE : FALSE;
    std::memcpy(bytes, &head, sizeof head);
    std::memcpy(bytes + sizeof head, names, size);
    GlobalUnlock(block);
    return block;
}

// Names given as a literal with their terminators; the literal's own ends the list.
template <std::size_t size> HGLOBAL ansiList(const char (&names)[size]) {
    return dropBlock(names, size, false);
}

std::string fileName(HGLOBAL block, UINT index, UINT capacity = 1024) {
    std::vector<char> buffer(capacity + 1, 'X');
    UINT length = DragQueryFileA(static_cast<HDROP>(block), index, buffer.data(), capacity);
    return length == 0 ? std::string("<none>") : std::string(buffer.data());
}

UINT fileCount(HGLOBAL block) {
    return DragQueryFileA(static_cast<HDROP>(block), 0xFFFFFFFF, nullptr, 0);
}

FORMATETC formatOf(UINT format, DWORD medium = TYMED_HGLOBAL) {
    return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, medium};
}

class DragAndDrop : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        host = headless::createHostWindow(10, 20, 300, 200);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "DropTestWindow";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "DropTestWindow", "w", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                                 host, nullptr, nullptr, nullptr);
        blocksBefore = headless::liveGlobalBlockCount();
    }
    void TearDown() override {
        DestroyWindow(host);
        UnregisterClassA("DropTestWindow", nullptr);
        OleUninitialize();
        EXPECT_EQ(headless::liveGlobalBlockCount(), blocksBefore) << "a block was not freed";
        PlatformTest::TearDown();
    }

    HWND host = nullptr;
    HWND window = nullptr; // a window of the layer's own, which can take drops
    std::size_t blocksBefore = 0;
};

} // namespace

TEST_F(DragAndDrop, RegistrationHoldsAReferenceAndAnswersAsWin32) {
    RecordingTarget target;
    EXPECT_EQ(RegisterDragDrop(window, nullptr), E_INVALIDARG);
    EXPECT_EQ(RegisterDragDrop(reinterpret_cast<HWND>(0x4321), &target), DRAGDROP_E_INVALIDHWND);
    HRESULT otherThread = S_OK; // a thread without OleInitialize
    std::thread([&] { otherThread = RegisterDragDrop(window, &target); }).join();
    EXPECT_EQ(otherThread, E_OUTOFMEMORY);
    EXPECT_EQ(target.references, 1u) << "a refused registration keeps no reference";

    ASSERT_EQ(RegisterDragDrop(window, &target), S_OK);
    EXPECT_EQ(target.references, 2u);
    EXPECT_TRUE(headless::acceptsDrops(window)) << "the display is told";
    {
        auto lock = layer::lockLayer();
        EXPECT_EQ(layer::dropTargetThread(window), std::this_thread::get_id());
        EXPECT_EQ(layer::dropTargetThread(host), std::nullopt);
    }
    EXPECT_EQ(RegisterDragDrop(window, &target), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(RevokeDragDrop(host), DRAGDROP_E_NOTREGISTERED);
    EXPECT_EQ(RevokeDragDrop(window), S_OK);
    EXPECT_EQ(target.references, 1u);
    EXPECT_FALSE(headless::acceptsDrops(window));
    EXPECT_EQ(RevokeDragDrop(window), DRAGDROP_E_NOTREGISTERED);
    DestroyWindow(window);
    EXPECT_EQ(RevokeDragDrop(window), DRAGDROP_E_INVALIDHWND);
}

TEST_F(DragAndDrop, DragQueryFileReadsAnsiAndWideListsWithinTheBlock) {
    // ANSI names are UTF-8; a cut never splits a character.
    HGLOBAL ansi = ansiList("/tmp/a b.txt\0/tmp/caf\xC3\xA9\0");
    EXPECT_EQ(fileCount(ansi), 2u);
    EXPECT_EQ(fileName(ansi, 0), "/tmp/a b.txt");
    EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(ansi), 1, nullptr, 0), 10u) << "bytes";
    EXPECT_EQ(fileName(ansi, 1, 10), "/tmp/caf") << "the two bytes of \xC3\xA9 go together";
    EXPECT_EQ(fileName(ansi, 1, 11), "/tmp/caf\xC3\xA9");
    char untouched[4] = "abc";
    EXPECT_EQ(DragQueryFileA(static_cast<HDROP>(ansi), 0, untouched, 0), 12u);
    EXPECT_STREQ(untouched, "abc") << "no room: the length, nothing written";
    EXPECT_EQ(fileName(ansi, 2), "<none>") << "past the end";
    GlobalFree(ansi);

    // Wide names become UTF-8; an unpaired surrogate has no UTF-8 form and cannot be given,
    // but counts. As on Win32 the first entry counts even when empty.
    const char16_t wide[] = u"/w\u00E9\0/\U0001F600\0/\xD800x\0";
    HGLOBAL wideList = dropBlock(wide, sizeof wide, true);
    EXPECT_EQ(fileCount(wideList), 3u);
    EXPECT_EQ(fileName(wideList, 0), "/w\xC3\xA9");
    EXPECT_EQ(fileName(wideList, 1), "/\xF0\x9F\x98\x80");
    EXPECT_EQ(fileName(wideList, 1, 4), "/") << "four bytes or none";
    EXPECT_EQ(fileName(wideList, 2), "<none>");
    HGLOBAL emptyFirst = ansiList("\0/b\0");
    EXPECT_EQ(fileCount(emptyFirst), 2u);
    EXPECT_EQ(fileName(emptyFirst, 0), "<none>");
    EXPECT_EQ(fileName(emptyFirst, 1), "/b");

    // A list running past its block stops at the last whole name; no block, no names.
    HGLOBAL unterminated = dropBlock("/one\0/tw", 8, false);
    EXPECT_EQ(fileCount(unterminated), 1u);
    for (HGLOBAL block : {wideList, emptyFirst, unterminated}) {
        GlobalFree(block);
    }
    EXPECT_EQ(fileCount(nullptr), 0u);
    EXPECT_EQ(fileCount(unterminated), 0u) << "a freed block";
}

TEST_F(DragAndDrop, TheLayersDataObjectOffersFilesAndTextOnNewBlocks) {
    IDataObject* data = createDropDataObject({"/tmp/a b", "", "/tmp/c"}, std::string("h\xC3\xA9"));
    ASSERT_NE(data, nullptr);
    FORMATETC text = formatOf(CF_TEXT);
    FORMATETC files = formatOf(CF_HDROP);
    FORMATETC bitmap = formatOf(2);
    FORMATETC stream = formatOf(CF_HDROP, TYMED_ISTREAM);
    EXPECT_EQ(data->QueryGetData(&text), S_OK);
    EXPECT_EQ(data->QueryGetData(&files), S_OK);
    EXPECT_EQ(data->QueryGetData(&bitmap), DV_E_FORMATETC);
    EXPECT_EQ(data->QueryGetData(&stream), DV_E_TYMED);

    STGMEDIUM medium{};
    ASSERT_EQ(data->GetData(&files, &medium), S_OK);
    EXPECT_EQ(medium.pUnkForRelease, nullptr);
    EXPECT_EQ(fileCount(medium.hGlobal), 2u) << "an empty path cannot be listed";
    EXPECT_EQ(fileName(medium.hGlobal, 1), "/tmp/c");
    ReleaseStgMedium(&medium);
    EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_NULL));
    ASSERT_EQ(data->GetData(&text, &medium), S_OK);
    EXPECT_EQ(GlobalSize(medium.hGlobal), 4u);
    EXPECT_STREQ(static_cast<char*>(GlobalLock(medium.hGlobal)), "h\xC3\xA9");
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    headless::failGlobalAllocations(1);
    EXPECT_EQ(data->GetData(&text, &medium), E_OUTOFMEMORY);

    IUnknown* unknown = nullptr;
    EXPECT_EQ(data->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(data->Release(), 0u);
    IDataObject* filesOnly = createDropDataObject({"/x"}, std::nullopt);
    IDataObject* nothing = createDropDataObject({""}, std::nullopt);
    EXPECT_EQ(filesOnly->QueryGetData(&text), DV_E_FORMATETC);
    EXPECT_EQ(nothing->QueryGetData(&files), DV_E_FORMATETC);
    filesOnly->Release();
    nothing->Release();
}

TEST_F(DragAndDrop, MediaGoBackToTheirOwnerAndNoClassCanBeCreated) {
    RecordingTarget owner; // any object can own a medium
    HGLOBAL ownersBlock = GlobalAlloc(GHND, 4);
    STGMEDIUM owned{TYMED_HGLOBAL, {}, &owner};
    owned.hGlobal = ownersBlock;
    ReleaseStgMedium(&owned);
    EXPECT_EQ(owner.references, 0u);
    EXPECT_EQ(GlobalSize(ownersBlock), 4u) << "the block is the owner's";
    GlobalFree(ownersBlock);
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_EQ(GlobalLock(empty), nullptr) << "a movable block of no bytes is discarded";
    GlobalFree(empty);

    void* link = &owner;
    EXPECT_EQ(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, &link),
        REGDB_E_CLASSNOTREG);
    EXPECT_EQ(link, nullptr);
    HRESULT uninitialised = S_OK;
    std::thread([&] {
        uninitialised = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IShellLinkA, &link);
    }).join();
    EXPECT_EQ(uninitialised, CO_E_NOTINITIALIZED);
    EXPECT_EQ(_stricmp(".LNK", ".lnk"), 0);
    EXPECT_NE(_stricmp(".lnk.txt", ".lnk"), 0);
}

TEST_F(DragAndDrop, ASessionDrivesTheTargetAsOleDoesAndLeavesNothingBehind) {
    RecordingTarget target;
    ASSERT_EQ(RegisterDragDrop(window, &target), S_OK);
    IDataObject* data = createDropDataObject({"/tmp/x"}, std::nullopt);
    {
        layer::DropSession session;
        EXPECT_EQ(session.enter(window, data, MK_LBUTTON, POINT{15, 25}, 3), 2u);
        EXPECT_EQ(target.seenData, data);
        EXPECT_EQ(target.references, 3u) << "held while the drag is over the window";
        target.effectToShow = DROPEFFECT_MOVE | DROPEFFECT_LINK;
        EXPECT_EQ(session.over(MK_LBUTTON | MK_CONTROL, POINT{16, 26}, DROPEFFECT_MOVE), 2u)
            << "cut down to what the source allows";
        EXPECT_EQ(session.drop(MK_CONTROL, POINT{16, 26}, DROPEFFECT_MOVE), 2u);
        EXPECT_FALSE(session.isActive());

        // A drop whose last answer was "none" is a DragLeave; so is a source that vanishes.
        target.effectToShow = DROPEFFECT_NONE;
        session.enter(window, data, MK_LBUTTON, POINT{1, 1}, DROPEFFECT_COPY);
        EXPECT_EQ(session.drop(0, POINT{1, 1}, DROPEFFECT_COPY), 0u);
        target.effectToShow = DROPEFFECT_COPY;
        session.enter(window, data, MK_LBUTTON, POINT{2, 2}, DROPEFFECT_COPY);
    }
    EXPECT_EQ(target.calls,
              (std::vector<std::string>{"enter 1 15,25 allowed 3", "over 9 16,26 allowed 2",
                                        "drop 8 16,26 allowed 2", "enter 1 1,1 allowed 1", "leave",
                                        "enter 1 2,2 allowed 1", "leave"}));
    EXPECT_EQ(target.references, 2u);
    EXPECT_EQ(data->Release(), 0u) << "the session gave the data back";
    layer::DropSession nowhere;
    EXPECT_EQ(nowhere.enter(host, nullptr, 0, POINT{0, 0}, DROPEFFECT_COPY), 0u)
        << "a window without a target";
    RevokeDragDrop(window);
}

TEST_F(DragAndDrop, DisplayTasksRunInPeekMessageWithoutTheLock) {
    std::vector<DWORD> ran;
    {
        auto lock = layer::lockLayer();
        // GetTickCount takes the layer lock: the task would hang if it ran under it.
        layer::postLayerTask(std::this_thread::get_id(), [&] { ran.push_back(GetTickCount()); });
    }
    headless::setTickCount(42);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_EQ(ran, (std::vector<DWORD>{42})) << "run once";
}

// What the X11 display makes of the data of a drag from another X program.
TEST(XdndData, UriListsGiveLocalPathsAndLatin1BecomesUtf8) {
    using layer::localPathsOfUriList;
    const std::string list = "# a comment\r\n"
                             "file:///home/me/a%20b/%C3%BC%25.wav\r\n"
                             "file://localhost/tmp/x\r\n"
                             "file://studio/srv/take.wav\r\n"
                             "FILE://Studio/srv/upper\n"
                             "file:/short/form\r\n"
                             "file://elsewhere/tmp/remote\r\n"
                             "https://example.org/page\r\n"
                             "file:///bad%2escape%zz\r\n"
                             "file:///cut%2\r\n"
                             "file:///query?x=1#part\r\n"
                             "file:relative\r\n";
    EXPECT_EQ(localPathsOfUriList(list, "studio"),
              (std::vector<std::string>{"/home/me/a b/\xC3\xBC%.wav", "/tmp/x", "/srv/take.wav",
                                        "/srv/upper", "/short/form", "/query"}));
    // Without a host name of its own, only the empty host and localhost are this machine.
    EXPECT_EQ(localPathsOfUriList("file://studio/a\r\nfile:///b", ""),
              std::vector<std::string>{"/b"});
    EXPECT_TRUE(localPathsOfUriList("", "studio").empty());

    EXPECT_EQ(layer::utf8OfLatin1("Stufe f\xFCnf \xA9"), "Stufe f\xC3\xBCnf \xC2\xA9");
    EXPECT_EQ(layer::utf8OfLatin1("plain"), "plain");
}
