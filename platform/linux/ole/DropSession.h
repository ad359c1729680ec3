// One drag from the window system over one of the layer's windows, delivered to the drop
// target registered for it the way OLE's drag loop drives a target: DragEnter when the drag
// comes in, DragOver as it moves, then Drop, or DragLeave when it leaves or is cancelled.
// While the drag is over the window the session holds a reference to the target and to the
// data; it gives both back when the drag ends, also when it is destroyed in the middle (the
// source went away), so nothing of an unfinished drag stays behind.
//
// Call it without the layer lock (the target calls back into the layer) and on the thread
// that registered the target (HeldDropTarget::thread; see LayerTasks.h for getting there from
// a display's event handling). Points are in screen coordinates, key states are MK_ flags,
// `allowed` is the set of DROPEFFECT_ values the source allows; as OLE does, the target's
// answer is cut down to what the source allows.
#pragma once

#include "platform/win32.h"

namespace stepveil::platform {

class DropSession {
public:
    DropSession() = default;
    DropSession(const DropSession&) = delete;
    DropSession& operator=(const DropSession&) = delete;
    ~DropSession();

    // The drag comes over `window`: the effect its target shows, DROPEFFECT_NONE when the
    // window has no target. A session already in a drag leaves that one first.
    DWORD enter(HWND window, IDataObject* data, DWORD keyState, POINT point, DWORD allowed);
    DWORD over(DWORD keyState, POINT point, DWORD allowed);
    void leave();
    // The source let go: Drop when the target's last answer was an effect, DragLeave when it
    // was DROPEFFECT_NONE. Answers the effect the target reports for the drop.
    DWORD drop(DWORD keyState, POINT point, DWORD allowed);

    bool isActive() const { return target != nullptr; }
    DWORD lastEffect() const { return effect; }

private:
    // What the session held, taken out of it.
    struct Held {
        IDropTarget* target;
        IDataObject* data;
        void giveBack();
    };
    Held release();

    IDropTarget* target = nullptr;
    IDataObject* data = nullptr;
    DWORD effect = DROPEFFECT_NONE;
};

} // namespace stepveil::platform
