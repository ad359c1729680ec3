// A real OLE drag (Windows only): DoDragDrop from a drop source of the test's own on the
// calling thread, while a second thread moves the mouse with SendInput as a hand would, so the
// system's own drag loop finds the window under the pointer and drives its drop target.
#pragma once

#include "platform/win32.h"

#include <vector>

namespace droptest {

// One pointer position of the drag, in screen coordinates, with control held or not.
struct HandMove {
    int x = 0;
    int y = 0;
    bool control = false;
};

struct RealDrag {
    HRESULT result = E_FAIL;         // DoDragDrop's answer
    DWORD effect = DROPEFFECT_NONE;  // the final effect it reports
    std::vector<DWORD> effectsShown; // the effects the source was told, in order, changes only
};

// Presses the left button at `start`, runs DoDragDrop with `allowed`, moves through `moves`
// (each one waits until the drag loop has answered it) and lets go at the last one.
RealDrag dragWithTheMouse(IDataObject* data, POINT start, const std::vector<HandMove>& moves,
                          DWORD allowed);

} // namespace droptest
