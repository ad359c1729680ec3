#include "DropTestSupport.h"

#if !defined(_WIN32)
#include "platform/headless.h"
#endif

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

// Every array form goes through the single-object operators, so that allocation and release
// always match (also for the address sanitizer, which checks that they do).
void* operator new[](std::size_t size) {
    return ::operator new(size);
}

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
