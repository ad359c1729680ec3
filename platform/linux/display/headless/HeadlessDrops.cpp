// The headless display's drags from other programs: what a display on a real window system
// does with a drag that reaches a window, through the same data object and session.
#include "platform/headless.h"

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/display/headless/HeadlessDisplay.h"
#include "platform/linux/ole/DropDataObject.h"
#include "platform/linux/ole/DropSession.h"

namespace stepveil::platform::headless {

bool acceptsDrops(HWND window) {
    auto lock = lockLayer();
    auto* display = dynamic_cast<HeadlessDisplay*>(&currentDisplay());
    return display != nullptr && display->acceptsDrops(window);
}

ExternalDragResult dragFromOutside(HWND window, const ExternalDrag& drag) {
    ExternalDragResult result;
    if (drag.path.empty()) {
        return result;
    }
    IDataObject* data = createDropDataObject(drag.files, drag.text);
    DropSession session;
    for (std::size_t step = 0; step < drag.path.size(); step++) {
        const POINT point = drag.path[step];
        setCursorPos(point.x, point.y);
        result.effectsShown.push_back(
            step == 0 ? session.enter(window, data, drag.keyState, point, drag.allowedEffects)
                      : session.over(drag.keyState, point, drag.allowedEffects));
    }
    if (drag.drop) {
        result.finalEffect = session.drop(drag.keyState & ~static_cast<DWORD>(MK_LBUTTON),
                                          drag.path.back(), drag.allowedEffects);
    } else {
        session.leave();
    }
    if (data != nullptr) {
        data->Release();
    }
    return result;
}

} // namespace stepveil::platform::headless
