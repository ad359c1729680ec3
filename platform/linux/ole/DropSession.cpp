#include "platform/linux/ole/DropSession.h"

#include "platform/linux/ole/DropTargetRegistry.h"

namespace stepveil::platform {

namespace {

POINTL pointOf(POINT point) {
    return POINTL{point.x, point.y};
}

// A target that fails a call shows no effect.
DWORD answered(HRESULT result, DWORD chosen, DWORD allowed) {
    return SUCCEEDED(result) ? (chosen & allowed) : DROPEFFECT_NONE;
}

} // namespace

DropSession::~DropSession() {
    leave();
}

DWORD DropSession::enter(HWND window, IDataObject* dragData, DWORD keyState, POINT point,
                         DWORD allowed) {
    leave();
    HeldDropTarget held = acquireDropTarget(window);
    if (held.target == nullptr) {
        return DROPEFFECT_NONE;
    }
    target = held.target;
    data = dragData;
    if (data != nullptr) {
        data->AddRef();
    }
    DWORD chosen = allowed;
    HRESULT result = target->DragEnter(data, keyState, pointOf(point), &chosen);
    effect = answered(result, chosen, allowed);
    return effect;
}

DWORD DropSession::over(DWORD keyState, POINT point, DWORD allowed) {
    if (target == nullptr) {
        return DROPEFFECT_NONE;
    }
    DWORD chosen = allowed;
    HRESULT result = target->DragOver(keyState, pointOf(point), &chosen);
    effect = answered(result, chosen, allowed);
    return effect;
}

void DropSession::leave() {
    if (target == nullptr) {
        return;
    }
    Held held = release();
    held.target->DragLeave();
    held.giveBack();
}

DWORD DropSession::drop(DWORD keyState, POINT point, DWORD allowed) {
    if (target == nullptr) {
        return DROPEFFECT_NONE;
    }
    // The session is over before the target hears of the drop: a view that pumps messages
    // while it takes the drop may start the next drag on this session.
    DWORD shown = effect;
    Held held = release();
    DWORD result = DROPEFFECT_NONE;
    if (shown == DROPEFFECT_NONE) {
        held.target->DragLeave();
    } else {
        DWORD chosen = allowed;
        HRESULT answer = held.target->Drop(held.data, keyState, pointOf(point), &chosen);
        result = answered(answer, chosen, allowed);
    }
    held.giveBack();
    return result;
}

DropSession::Held DropSession::release() {
    Held held{target, data};
    target = nullptr;
    data = nullptr;
    effect = DROPEFFECT_NONE;
    return held;
}

void DropSession::Held::giveBack() {
    if (data != nullptr) {
        data->Release();
    }
    if (target != nullptr) {
        target->Release();
    }
}

} // namespace stepveil::platform
