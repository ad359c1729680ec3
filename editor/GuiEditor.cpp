#include "editor/GuiEditor.h"

#include "effect/EffectBaseEx.h"
#include "gui/Frame.h"

#include <cstdint>

std::atomic<EditorBase::int32> knobMode{0};

namespace {

// How far tick `later` lies after tick `earlier` (negative: before), as the signed 32-bit
// difference, so comparisons stay right across the wrap of the millisecond counter (every
// 49.7 days) as long as the two ticks are less than 24 days apart.
std::int32_t tickDifference(DWORD later, DWORD earlier) {
    return static_cast<std::int32_t>(later - earlier);
}

} // namespace

GuiEditor::GuiEditor(EffectBase* owner) : EditorBase(owner), frame(nullptr), inIdle(false) {
    if (effect) {
        effect->attachEditor(this);
        effect->setFlag(effFlagsHasEditor, true);
    }
    // OLE is the frame's business, on the thread that shows the window: the thread making the
    // effect (often a host's scanning thread) keeps its own COM state.
    nextIdleTime = GetTickCount();
}

GuiEditor::~GuiEditor() {
    for (LifeWatch* watch = lifeWatches; watch; watch = watch->outer) {
        watch->gone = true;
    }
}

void GuiEditor::prepareForDestruction() {
    if (frame) {
        close();
    }
}

void GuiEditor::closeFrame() {
    if (!frame) {
        return;
    }
    Frame* closing = frame;
    frame = nullptr;
    if (!closing->close()) {
        frameCallsLeftInside = true;
    }
    closing->release();
}

GuiEditor::LifeWatch::LifeWatch(GuiEditor& editor) : watched(editor), outer(editor.lifeWatches) {
    watched.lifeWatches = this;
}

GuiEditor::LifeWatch::~LifeWatch() {
    if (!gone) {
        watched.lifeWatches = outer;
    }
}

EditorBase::int32 GuiEditor::getRect(ERect** rectAddress) {
    if (rectAddress) {
        *rectAddress = &rect;
    }
    return 1;
}

EditorBase::int32 GuiEditor::open(void* parent) {
    markForUpdate();
    return EditorBase::open(parent);
}

void GuiEditor::idle() {
    // The host called effEditIdle from inside the pump's own call of its idle.
    if (inIdle) {
        return;
    }
    if (!dispatchPendingPlatformMessages()) {
        return;
    }
    runPendingUpdate();
    if (frame) {
        frame->idle();
    }
}

// ---- the one place where the editor's code differs between the systems ----
//
// On Windows the host's message loop delivers the window's messages. A Linux host runs no
// Win32 message loop for us, so the messages our platform layer has queued (paints, clicks)
// are delivered here, at the start of every host idle. Not from inside a pump pass or a
// message being handled: the pump delivers exactly one paint message per pass itself.
// A delivered click may start a drag whose host idle destroys the effect and this editor.
bool GuiEditor::dispatchPendingPlatformMessages() {
#if !defined(_WIN32)
    if (busyWithMessages) {
        return true;
    }
    busyWithMessages = true;
    LifeWatch watch(*this);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
        if (watch.editorGone()) {
            return false;
        }
    }
    busyWithMessages = false;
#endif
    return true;
}

EditorBase::int32 GuiEditor::onKeyDown(KeyCode& keyCode) {
    return frame ? frame->onKeyDown(keyCode) : -1;
}

EditorBase::int32 GuiEditor::onKeyUp(KeyCode& keyCode) {
    return frame ? frame->onKeyUp(keyCode) : -1;
}

EditorBase::int32 GuiEditor::setKnobMode(int32 mode) {
    knobMode.store(mode);
    return 1;
}

bool GuiEditor::onWheel(float distance) {
    return frame ? frame->onWheel(nullptr, Point(0, 0), distance) : false;
}

void GuiEditor::setParameter(int32, float) {
    markForUpdate();
}

void GuiEditor::redraw(int32) {
    if (frame) {
        frame->drawView(nullptr);
    }
}

// Called over and over by a control's drag loop: each call either sleeps a little or does
// one idle pass, one paint and one host idle, so the drag neither spins nor starves the host.
void GuiEditor::runIdlePump() {
    DWORD now = GetTickCount();
    if (tickDifference(now, nextIdleTime) < 0) {
        Sleep(pumpSleep);
        now += pumpSleep; // the clock is not read again
        if (tickDifference(now, nextIdleTime - pumpEarlyWindow) < 0) {
            return;
        }
    }
    bool wasBusy = busyWithMessages;
    busyWithMessages = true;
    idle();
    if (PeekMessageA(&pumpMessage, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        DispatchMessageA(&pumpMessage);
    }
    busyWithMessages = wasBusy;
    nextIdleTime = now + pumpInterval;
    inIdle = true;
    if (effect) {
        LifeWatch watch(*this);
        effect->hostIdle();
        if (watch.editorGone()) {
            return;
        }
    }
    inIdle = false;
}

void GuiEditor::beginEdit(std::int32_t index) {
    if (auto* extended = dynamic_cast<EffectBaseEx*>(effect)) {
        extended->beginEdit(index);
    }
}

bool GuiEditor::endEdit(std::int32_t index) {
    auto* extended = dynamic_cast<EffectBaseEx*>(effect);
    return extended ? extended->endEdit(index) : false;
}
