// ole32: per-thread initialisation counting. The first OleInitialize of a thread answers S_OK,
// later ones S_FALSE, each to be matched by one OleUninitialize.
#include "platform/linux/LayerLock.h"
#include "platform/linux/WindowManager.h"

#include "platform/win32.h"

using namespace stepveil::platform;

namespace {

thread_local int initialisationCount = 0;

} // namespace

HRESULT OleInitialize(LPVOID) {
    return initialisationCount++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize() {
    if (initialisationCount > 0) {
        --initialisationCount;
    }
}

HRESULT RevokeDragDrop(HWND window) {
    auto lock = lockLayer();
    if (!findWindow(window)) {
        return DRAGDROP_E_INVALIDHWND;
    }
    return DRAGDROP_E_NOTREGISTERED;
}
