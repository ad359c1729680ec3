// The plain editor interface the effect's dispatcher talks to. The windowed editor derives
// from it; an effect without a window may attach one of these directly.
#pragma once

#include "effect/EffectBase.h"

class EditorBase {
public:
    using int32 = vst2::int32;

    explicit EditorBase(EffectBase* effect);
    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    virtual ~EditorBase();
    virtual int32 getRect(ERect** rect);
    virtual int32 open(void* parent);
    virtual void close();
    virtual void idle();
    virtual void update();
    virtual void markForUpdate();
    virtual int32 onKeyDown(KeyCode& keyCode);
    virtual int32 onKeyUp(KeyCode& keyCode);
    virtual int32 setKnobMode(int32 mode);
    virtual bool onWheel(float distance);

    EffectBase* getEffect() const { return effect; }

protected:
    EffectBase* effect;
    void* parentWindow;
    int32 updatePending;
};
