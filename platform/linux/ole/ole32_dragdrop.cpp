// ole32: registration of drop targets. A registered window holds one reference to its target
// until RevokeDragDrop gives it back. References are taken and given back outside the layer
// lock where the object's own code may run (Release may destroy it).
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/ole/DropTargetRegistry.h"
#include "platform/linux/ole/OleThreads.h"
#include "platform/linux/windowing/WindowManager.h"

#include <map>

using namespace stepveil::platform;

namespace {

struct Registration {
    IDropTarget* target = nullptr;
    std::thread::id thread;
};

std::map<HWND, Registration>& registrations() {
    static std::map<HWND, Registration> table;
    return table;
}

// A window of the layer's own, also while it is being destroyed (its WM_DESTROY handler may
// still revoke, as on Win32).
bool isLayerWindow(HWND handle) {
    return findWindow(handle) != nullptr;
}

// A window that can still receive drops.
bool isLiveWindow(HWND handle) {
    auto window = findWindow(handle);
    return window && !window->destroying;
}

} // namespace

namespace stepveil::platform {

bool hasDropTarget(HWND window) {
    return registrations().count(window) > 0;
}

std::optional<std::thread::id> dropTargetThread(HWND window) {
    auto found = registrations().find(window);
    if (found == registrations().end()) {
        return std::nullopt;
    }
    return found->second.thread;
}

HeldDropTarget acquireDropTarget(HWND window) {
    auto lock = lockLayer();
    auto found = registrations().find(window);
    if (found == registrations().end() || !isLiveWindow(window)) {
        return HeldDropTarget{};
    }
    // Under the lock, so that no RevokeDragDrop can give the last reference back meanwhile.
    // AddRef is a counter in every drop target; it does not call back into the layer.
    found->second.target->AddRef();
    return HeldDropTarget{found->second.target, found->second.thread};
}

} // namespace stepveil::platform

// Win32's order of checks: the thread's OLE initialisation, the target, the window, an
// earlier registration.
HRESULT RegisterDragDrop(HWND window, LPDROPTARGET target) {
    {
        auto lock = lockLayer();
        if (!isOleInitialised(callingThread())) {
            return E_OUTOFMEMORY;
        }
    }
    if (target == nullptr) {
        return E_INVALIDARG;
    }
    // The reference is taken before the registration is visible, and given back if it fails.
    target->AddRef();
    HRESULT result = S_OK;
    {
        auto lock = lockLayer();
        if (!isLayerWindow(window)) {
            result = DRAGDROP_E_INVALIDHWND;
        } else if (hasDropTarget(window)) {
            result = DRAGDROP_E_ALREADYREGISTERED;
        } else {
            registrations()[window] = Registration{target, callingThread()};
            currentDisplay().dropTargetChanged(window, true);
        }
    }
    if (result != S_OK) {
        target->Release();
    }
    return result;
}

HRESULT RevokeDragDrop(HWND window) {
    IDropTarget* target = nullptr;
    {
        auto lock = lockLayer();
        if (!isLayerWindow(window)) {
            return DRAGDROP_E_INVALIDHWND;
        }
        auto found = registrations().find(window);
        if (found == registrations().end()) {
            return DRAGDROP_E_NOTREGISTERED;
        }
        target = found->second.target;
        registrations().erase(found);
        currentDisplay().dropTargetChanged(window, false);
    }
    target->Release();
    return S_OK;
}
