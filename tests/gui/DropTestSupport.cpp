#include "DropTestSupport.h"

#if !defined(_WIN32)
#include "platform/headless.h"
#endif

#include <algorithm>
#include <cstring>
#include <new>

// The drop target allocates its file list and name blocks with nothrow array new; the tests
// keep the addresses of those that are alive. No other code of the toolkit allocates that way
// during a drop.
namespace {

constexpr std::size_t trackedCapacity = 4096;
void* tracked[trackedCapacity];
std::size_t trackedCount = 0;

void forget(void* address) {
    for (std::size_t index = 0; index < trackedCount; index++) {
        if (tracked[index] == address) {
            tracked[index] = tracked[--trackedCount];
            return;
        }
    }
}

} // namespace

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    void* address = ::operator new(size, tag);
    if (address != nullptr && trackedCount < trackedCapacity) {
        tracked[trackedCount++] = address;
    }
    return address;
}

void operator delete[](void* address) noexcept {
    forget(address);
    ::operator delete(address);
}

void operator delete[](void* address, std::size_t) noexcept {
    forget(address);
    ::operator delete(address);
}

namespace droptest {

std::size_t liveArrays() {
    return trackedCount;
}

#if defined(_WIN32)

HWND makeHostWindow() {
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = DefWindowProcA;
    hostClass.hInstance = GetModuleHandleA(nullptr);
    hostClass.lpszClassName = "StepveilDropTestHost";
    RegisterClassA(&hostClass);
    return CreateWindowExA(WS_EX_TOPMOST, "StepveilDropTestHost", "host", WS_POPUP | WS_VISIBLE,
                           hostX, hostY, 600, 240, nullptr, nullptr, hostClass.hInstance, nullptr);
}

void placeCursor(int frameX, int frameY) {
    SetCursorPos(hostX + frameX, hostY + frameY);
}

#else

HWND makeHostWindow() {
    return stepveil::platform::headless::createHostWindow(hostX, hostY, 600, 240);
}

void placeCursor(int frameX, int frameY) {
    stepveil::platform::headless::setCursorPos(hostX + frameX, hostY + frameY);
}

#endif

void destroyHostWindow(HWND host) {
    DestroyWindow(host);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

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
    arraysAtLastGetData = liveArrays();
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

bool DropView::onDrop(void** items, int32 count, int32 kind, Point where) {
    ReceivedDrop drop;
    drop.view = viewName;
    drop.kind = kind;
    drop.count = count;
    drop.where = where;
    drop.arraysAlive = liveArrays();
    if (kind == dropKindFiles) {
        for (int32 index = 0; index < count; index++) {
            drop.names.emplace_back(static_cast<const char*>(items[index]));
        }
    } else if (kind == dropKindText) {
        drop.text.assign(static_cast<const char*>(*items), static_cast<std::size_t>(count));
    }
    received->push_back(drop);
    return takes;
}

} // namespace droptest
