// The frame's native side: the process-wide window class, the child window, its window
// procedure (painting, button presses, the wheel, arrow keys, destruction), and what the frame
// finds out about the system when it is made.
#include "gui/Frame.h"

#include "effect/EffectBase.h"
#include "gui/DrawContext.h"
#include "gui/DropTarget.h"
#include "gui/SystemFeatures.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>

namespace {

// What all frames of the process share: the window class and the msimg32 library. Frames of
// instances whose editors live on different threads register, unregister, load and free at
// once, so these change only under the lock, and each count moves together with the Win32 call
// it stands for (the class is never unregistered while another thread registers it anew).
std::mutex sharedStateLock;
// "Plugin" and eight hexadecimal digits, with room to spare.
char classNameText[32];
Frame::int32 classRegistrationCount = 0;
// Frames that currently hold msimg32 loaded; the entry into it is forgotten with the last.
Frame::int32 msimg32Holders = 0;

constexpr DWORD childWindowStyle = WS_CHILD | WS_VISIBLE;
constexpr DWORD versionInfoSize = sizeof(OSVERSIONINFOEXA);

HINSTANCE libraryInstance() {
    return static_cast<HINSTANCE>(moduleInstance);
}

// For a window whose thread has not yet taken the frame's last reference: the window's
// procedure and the frame's code are this module's, and must outlive a host unloading it.
void keepModuleLoaded() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&classRegistrationCount), &self);
}

void formatClassName(char (&text)[sizeof classNameText]) {
    // The handle's low 32 bits: the name always has exactly eight digits.
    auto handleBits =
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(moduleInstance) & 0xFFFFFFFFu);
    std::snprintf(text, sizeof text, "Plugin%08x", handleBits);
}

Point pointFromMessage(LPARAM lParam) {
    auto bits = static_cast<std::uintptr_t>(lParam);
    return Point(static_cast<std::int32_t>(bits & 0xFFFF),
                 static_cast<std::int32_t>((bits >> 16) & 0xFFFF));
}

} // namespace

const char* Frame::windowClassName() {
    std::lock_guard<std::mutex> lock(sharedStateLock);
    formatClassName(classNameText);
    return classNameText;
}

Frame::int32 Frame::windowClassRegistrations() {
    std::lock_guard<std::mutex> lock(sharedStateLock);
    return classRegistrationCount;
}

void Frame::registerWindowClass() {
    std::lock_guard<std::mutex> lock(sharedStateLock);
    classRegistrationCount++;
    if (classRegistrationCount != 1) {
        return;
    }
    formatClassName(classNameText);
    WNDCLASSA windowClass;
    windowClass.style = CS_GLOBALCLASS;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = libraryInstance();
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = classNameText;
    RegisterClassA(&windowClass);
    buttonsSwapped = GetSystemMetrics(SM_SWAPBUTTON) > 0;
}

void Frame::unregisterWindowClass() {
    std::lock_guard<std::mutex> lock(sharedStateLock);
    classRegistrationCount--;
    if (classRegistrationCount == 0) {
        UnregisterClassA(classNameText, libraryInstance());
    }
}

// TransparentBlt is taken only on systems of the NT family; elsewhere bitmaps use the mask
// method.
// The entry is found anew by every frame and set in one step, so a frame drawing on another
// thread meanwhile sees the old entry or the new one, never a null in between.
void Frame::findTransparentBlt() {
    std::lock_guard<std::mutex> lock(sharedStateLock);
    msimg32Module = LoadLibraryA("msimg32.dll");
    if (!msimg32Module) {
        transparentBltEntry = nullptr;
        return;
    }
    msimg32Holders++;
    TransparentBltFunction found = nullptr;
    // The extended record (156 bytes), so the system may fill all it knows.
    OSVERSIONINFOEXA version;
    version.dwOSVersionInfoSize = versionInfoSize;
    if (GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&version)) &&
        version.dwPlatformId >= VER_PLATFORM_WIN32_NT) {
        FARPROC entry = GetProcAddress(msimg32Module, "TransparentBlt");
        // Through the generic function type, which converts to any other without complaint.
        found = reinterpret_cast<TransparentBltFunction>(reinterpret_cast<void (*)()>(entry));
    }
    transparentBltEntry = found;
}

void Frame::releaseTransparentBlt() {
    if (!msimg32Module) {
        return;
    }
    std::lock_guard<std::mutex> lock(sharedStateLock);
    FreeLibrary(msimg32Module);
    msimg32Module = nullptr;
    msimg32Holders--;
    // Once no frame holds the library it may be gone: never call into it again.
    if (msimg32Holders == 0) {
        transparentBltEntry = nullptr;
    }
}

bool Frame::createWindow(HWND parent) {
    if (!parent || window) {
        return false;
    }
    // The drop target's calls arrive on the thread that initialised OLE: the window's. On a
    // thread the host made an apartment of another kind the call fails, and drops are lost.
    oleInitialised = OleInitialize(nullptr) >= 0; // S_OK or S_FALSE: ours to undo
    registerWindowClass();
    char className[sizeof classNameText];
    formatClassName(className);
    window = CreateWindowExA(0, className, "Window", childWindowStyle, 0, 0, size.width(),
                             size.height(), parent, nullptr, libraryInstance(), nullptr);
    if (!window) {
        // No window holds the class registration, so give it back now.
        unregisterWindowClass();
        releaseWindowResources();
        return false;
    }
    windowThread = GetWindowThreadProcessId(window, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    setDropEnabled(true);
    return true;
}

void Frame::releaseWindowResources() {
    setDropEnabled(false);
    if (oleInitialised) {
        oleInitialised = false;
        OleUninitialize();
    }
}

// The window's thread is the one that may destroy the window, revoke its drop target and end
// its OLE initialisation: the last reference goes there. A reference given back on another
// thread goes there too, and that thread waits until the frame is gone: the window's thread may
// be inside the frame's handling right now (painting, say), and once the editor is closed the
// host may unload the module under it.
void Frame::release() {
    if (mustReleaseOnWindowThread()) {
        handReferenceToWindowThread();
    } else {
        View::release();
    }
}

bool Frame::mustReleaseOnWindowThread() {
    return window && windowOpen.load() && GetCurrentThreadId() != windowThread;
}

// A sent message: the window's thread handles it when it reads its messages (on Linux, where
// no host thread reads messages for us, the layer lets this thread act for it). If it does not
// answer in time (it may be waiting for this thread), a posted message follows, which it finds
// when it reads its messages again; until then the window's procedure and the frame's code must
// stay, so the module is kept loaded for good, as it is when the frame outlives the wait.
void Frame::handReferenceToWindowThread() {
    std::shared_ptr<HandOver> handing;
    try {
        handing = std::make_shared<HandOver>(this);
    } catch (const std::bad_alloc&) {
        keepModuleLoaded(); // nothing to hand over with: the reference stays, and so does the code
        return;
    }
    handOver = handing;
    if (sendHandOver(handing, true)) {
        if (!handing->waitUntilFrameEnded(crossThreadWait)) {
            keepModuleLoaded();
        }
        return;
    }
    keepModuleLoaded();
    if (!windowOpen.load()) {
        handing->giveBack(); // the window went meanwhile: nothing of it is left to its thread
        return;
    }
    sendHandOver(handing, false);
}

bool Frame::sendHandOver(const std::shared_ptr<HandOver>& handing, bool waitForAnswer) {
    auto* carried = new (std::nothrow) std::shared_ptr<HandOver>(handing);
    if (!carried) {
        return false;
    }
    auto wParam = reinterpret_cast<WPARAM>(carried);
    handOverMessages[waitForAnswer ? 0 : 1] = wParam;
    DWORD_PTR answer = 0;
    bool delivered =
        waitForAnswer
            ? SendMessageTimeoutA(window, releaseOnWindowThread, wParam, 0,
                                  SMTO_NORMAL | SMTO_ABORTIFHUNG, crossThreadWait, &answer) != 0
            : PostMessageA(window, releaseOnWindowThread, wParam, 0) != FALSE;
    // A send given up on (or a post refused) leaves its copy here, unless the window's thread
    // took the message after all; one that arrives later still finds it taken back.
    if (!delivered && takeHandOverMessage(wParam)) {
        delete carried;
    }
    return delivered;
}

bool Frame::takeHandOverMessage(WPARAM wParam) {
    for (auto& sent : handOverMessages) {
        WPARAM expected = wParam;
        if (wParam != 0 && sent.compare_exchange_strong(expected, 0)) {
            return true;
        }
    }
    return false;
}

void Frame::dropPendingHandOvers() {
    MSG pending;
    while (
        PeekMessageA(&pending, window, releaseOnWindowThread, releaseOnWindowThread, PM_REMOVE)) {
        if (takeHandOverMessage(pending.wParam)) {
            delete reinterpret_cast<std::shared_ptr<HandOver>*>(pending.wParam);
        }
    }
}

void Frame::HandOver::giveBack() {
    if (!given.exchange(true)) {
        handed->View::release();
    }
}

bool Frame::HandOver::waitUntilFrameEnded(DWORD milliseconds) {
    std::unique_lock<std::mutex> lock(guard);
    return changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                            [this] { return ended; });
}

void Frame::HandOver::frameEnded() {
    std::lock_guard<std::mutex> lock(guard);
    ended = true;
    changed.notify_all();
}

bool Frame::setDropEnabled(bool enabled) {
    if (!dropActive && !enabled) {
        return true;
    }
    if (!window) {
        return false;
    }
    if (enabled && !dropActive) {
        registerDropTarget();
    } else if (!enabled) {
        revokeDropTarget();
    }
    return true;
}

// dropActive means "registered": a target that could not be made or registered is given back
// at once, and the frame works without one.
void Frame::registerDropTarget() {
    auto* target = new (std::nothrow) DropTarget(this);
    if (!target) {
        return;
    }
    target->AddRef();
    if (RegisterDragDrop(window, target) == S_OK) {
        dropTarget = target;
        dropActive = true;
        return;
    }
    target->detachFrame();
    target->Release();
}

void Frame::revokeDropTarget() {
    RevokeDragDrop(window);
    if (dropTarget) {
        dropTarget->detachFrame();
        dropTarget->Release();
        dropTarget = nullptr;
    }
    dropActive = false;
}

LRESULT CALLBACK Frame::windowProcedure(HWND messageWindow, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    auto* frame = reinterpret_cast<Frame*>(GetWindowLongPtrA(messageWindow, GWLP_USERDATA));
    if (message == releaseOnWindowThread) {
        if (!frame || !frame->takeHandOverMessage(wParam)) {
            return 0; // not one of ours: some other program's message of the same number
        }
        std::unique_ptr<std::shared_ptr<HandOver>> carried(
            reinterpret_cast<std::shared_ptr<HandOver>*>(wParam));
        (*carried)->giveBack();
        return 1;
    }
    if (!frame) {
        return DefWindowProcA(messageWindow, message, wParam, lParam);
    }
    // Handling a message may reach the host (a drag runs its idle), and the host may close the
    // editor or destroy the effect meanwhile: the frame stays alive until the handling is done.
    frame->retain();
    LRESULT result = frame->handleMessage(messageWindow, message, wParam, lParam);
    frame->release();
    return result;
}

// A closed frame still learns that its window went, and leaves everything else to the system.
LRESULT Frame::handleMessage(HWND messageWindow, UINT message, WPARAM wParam, LPARAM lParam) {
    if (closed && message != WM_DESTROY) {
        return DefWindowProcA(messageWindow, message, wParam, lParam);
    }
    switch (message) {
    case WM_DESTROY:
        windowDestroyed();
        return DefWindowProcA(messageWindow, message, wParam, lParam);
    case WM_PAINT:
        return paint(messageWindow, message, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return mouseDown(lParam);
    case WM_MOUSEWHEEL:
        // The frame finds the view under the cursor itself; the point in lParam is not needed.
        onWheel(nullptr, Point(0, 0),
                static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (keyMessage(wParam, message == WM_KEYDOWN)) {
            return 0;
        }
        return DefWindowProcA(messageWindow, message, wParam, lParam);
    default:
        return DefWindowProcA(messageWindow, message, wParam, lParam);
    }
}

// The window's own keys reach the views as the host's keys do (effEditKeyDown): as the
// interface's key record, for the keys the views know, the arrows. True when a view used it.
bool Frame::keyMessage(WPARAM virtualKey, bool down) {
    VstKeyCode key{};
    switch (virtualKey) {
    case VK_LEFT:
        key.virt = VKEY_LEFT;
        break;
    case VK_UP:
        key.virt = VKEY_UP;
        break;
    case VK_RIGHT:
        key.virt = VKEY_RIGHT;
        break;
    case VK_DOWN:
        key.virt = VKEY_DOWN;
        break;
    default:
        return false;
    }
    if (GetAsyncKeyState(VK_SHIFT) < 0) {
        key.modifier |= MODIFIER_SHIFT;
    }
    if (GetAsyncKeyState(VK_CONTROL) < 0) {
        key.modifier |= MODIFIER_CONTROL;
    }
    if (GetAsyncKeyState(VK_MENU) < 0) {
        key.modifier |= MODIFIER_ALTERNATE;
    }
    return (down ? onKeyDown(key) : onKeyUp(key)) != keyNotHandled;
}

// The window is still there during WM_DESTROY: the last moment to give its drop registration
// back, which would otherwise be lost with the window.
void Frame::windowDestroyed() {
    releaseWindowResources();
    windowOpen = false;
    parentWindow = nullptr;
}

LRESULT Frame::paint(HWND paintedWindow, UINT message, WPARAM wParam, LPARAM lParam) {
    RECT updateArea;
    if (!GetUpdateRect(paintedWindow, &updateArea, FALSE)) {
        return DefWindowProcA(paintedWindow, message, wParam, lParam);
    }
    PAINTSTRUCT paintInfo;
    HDC deviceContext = BeginPaint(paintedWindow, &paintInfo);
    // Without a device context or a context object there is nothing to paint with; the
    // message is still answered so the system does not send it again and again.
    DrawContext* context = nullptr;
    if (deviceContext) {
        context = new (std::nothrow) DrawContext(this, deviceContext, paintedWindow);
    }
    if (context) {
        const RECT& area = paintInfo.rcPaint;
        drawUpdateRect(context, Rect(area.left, area.top, area.right, area.bottom));
        delete context;
    }
    EndPaint(paintedWindow, &paintInfo);
    return 0;
}

// The whole drag that may follow happens inside the receiving view's onMouseDown. A click
// whose context cannot be made reaches no view.
LRESULT Frame::mouseDown(LPARAM lParam) {
    HDC deviceContext = GetDC(window);
    if (!deviceContext) {
        return 0;
    }
    auto* context = new (std::nothrow) DrawContext(this, deviceContext, window);
    if (context) {
        onMouseDown(context, pointFromMessage(lParam));
        delete context;
    }
    ReleaseDC(window, deviceContext);
    return 0;
}
