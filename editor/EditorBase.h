// The plain editor interface the effect's dispatcher talks to. The windowed editor derives
// from it; an effect without a window may attach one of these directly.
#pragma once

#include "effect/EffectBase.h"

#include <atomic>

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
    // Called before the effect destroys the editor: an editor with a window closes it here.
    virtual void prepareForDestruction();
    // True when, after a close, the editor's thread was still inside the editor's calls: the
    // editor (and its effect) must then not be destroyed.
    virtual bool isInUseElsewhere() const;

    EffectBase* getEffect() const { return effect; }
    bool isUpdatePending() const { return updatePending.load() != 0; }

protected:
    // Runs `update` when a mark is pending, clearing the mark first.
    void runPendingUpdate();

    EffectBase* effect;
    void* parentWindow;
    // Set by parameter changes on any thread (the host's audio thread included) and cleared
    // by the user-interface thread's idle, so it is an atomic.
    std::atomic<int32> updatePending;
};
