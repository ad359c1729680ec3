// user32: the cursor, key state and system answers, read from the display in use.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/drawing/GdiObjects.h"

#include <cstring>

using namespace stepveil::platform;

namespace {

constexpr WORD arrowCursorId = 32512;
// Not a multiple of four, so never the value of a handle from the layer's tables.
const auto arrowCursor = reinterpret_cast<HCURSOR>(std::uintptr_t{0x10001});

} // namespace

BOOL GetCursorPos(LPPOINT point) {
    auto lock = lockLayer();
    if (point == nullptr) {
        return FALSE;
    }
    *point = currentDisplay().cursorPosition();
    return TRUE;
}

// Only the high bit (key down) is reported; the "pressed since the last call" bit, which
// Win32 itself does not promise, is never set.
SHORT GetAsyncKeyState(int virtualKey) {
    auto lock = lockLayer();
    if (virtualKey <= 0 || virtualKey > 0xFF) {
        return 0;
    }
    return currentDisplay().isKeyDown(virtualKey) ? static_cast<SHORT>(-32768) : SHORT{0};
}

int GetSystemMetrics(int index) {
    auto lock = lockLayer();
    if (index == SM_SWAPBUTTON) {
        return currentDisplay().buttonsSwapped() ? 1 : 0;
    }
    return 0;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    if (instance == nullptr && IS_INTRESOURCE(name) &&
        reinterpret_cast<std::uintptr_t>(name) == arrowCursorId) {
        return arrowCursor;
    }
    return nullptr;
}

HBRUSH GetSysColorBrush(int index) {
    auto lock = lockLayer();
    return reinterpret_cast<HBRUSH>(systemColourBrush(index));
}
