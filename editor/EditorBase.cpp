#include "editor/EditorBase.h"

EditorBase::EditorBase(EffectBase* owner)
    : effect(owner), parentWindow(nullptr), updatePending(0) {}

EditorBase::~EditorBase() = default;

EditorBase::int32 EditorBase::getRect(ERect** rect) {
    if (rect) {
        *rect = nullptr;
    }
    return 0;
}

EditorBase::int32 EditorBase::open(void* parent) {
    parentWindow = parent;
    return 0;
}

void EditorBase::close() {}

void EditorBase::idle() {
    runPendingUpdate();
}

// The mark is taken in one step, so a mark set while `update` runs is kept for the next idle.
void EditorBase::runPendingUpdate() {
    if (updatePending.exchange(0) != 0) {
        update();
    }
}

void EditorBase::update() {}

void EditorBase::markForUpdate() {
    updatePending.store(1);
}

EditorBase::int32 EditorBase::onKeyDown(KeyCode&) {
    return -1;
}

EditorBase::int32 EditorBase::onKeyUp(KeyCode&) {
    return -1;
}

EditorBase::int32 EditorBase::setKnobMode(int32) {
    return 0;
}

bool EditorBase::onWheel(float) {
    return false;
}

void EditorBase::prepareForDestruction() {}

bool EditorBase::isInUseElsewhere() const {
    return false;
}
