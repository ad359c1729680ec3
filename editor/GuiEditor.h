// The editor with a window: it owns the frame the derived editor builds, forwards keys and the
// wheel to it, tells the host about edits, and runs the time-limited idle pump that keeps the
// host and the window alive while a control holds the mouse.
#pragma once

#include "editor/EditorBase.h"
#include "gui/FrameEditor.h"
#include "platform/win32.h"

#include <atomic>

class Frame;

// The host's last word on how knobs should react to the mouse; kept for the whole process
// and read by nothing so far. Editors on different threads may set it at once.
extern std::atomic<EditorBase::int32> knobMode;

class GuiEditor : public EditorBase, public FrameEditor {
public:
    // Milliseconds the pump sleeps while its work is not due, the window before the due time
    // in which it works anyway, and the interval between two working passes.
    static constexpr DWORD pumpSleep = 4;
    static constexpr DWORD pumpEarlyWindow = 50;
    static constexpr DWORD pumpInterval = 100;

    explicit GuiEditor(EffectBase* effect);
    ~GuiEditor() override;

    int32 getRect(ERect** rect) override;
    int32 open(void* parent) override;
    void idle() override;
    int32 onKeyDown(KeyCode& keyCode) override;
    int32 onKeyUp(KeyCode& keyCode) override;
    int32 setKnobMode(int32 mode) override;
    bool onWheel(float distance) override;
    void prepareForDestruction() override;
    bool isInUseElsewhere() const override { return frameCallsLeftInside; }

    // A parameter changed in the effect, on whatever thread the change came from.
    virtual void setParameter(int32 index, float value);
    // Draws the whole frame at once; the argument is not used.
    virtual void redraw(int32 unused);
    void runIdlePump() override;

    void beginEdit(std::int32_t index) override;
    bool endEdit(std::int32_t index) override;

    Frame* getFrame() const { return frame; }
    DWORD getNextIdleTime() const { return nextIdleTime; }

protected:
    // Closes the frame, detaching it from this editor, and lets go of it. A close on another
    // thread than the window's may find that thread still inside the editor after the frame's
    // wait: that is remembered (isInUseElsewhere).
    void closeFrame();

    ERect rect{};
    Frame* frame;
    DWORD nextIdleTime;
    bool inIdle;
    bool frameCallsLeftInside = false;

    // Marks, on the stack of a call that reaches the host, whether this editor was destroyed
    // meanwhile (a host may destroy the effect, and the editor with it, from inside its idle or
    // an automation call); the call then touches nothing of the editor any more.
    class LifeWatch {
    public:
        explicit LifeWatch(GuiEditor& editor);
        ~LifeWatch();
        LifeWatch(const LifeWatch&) = delete;
        LifeWatch& operator=(const LifeWatch&) = delete;
        bool editorGone() const { return gone; }

    private:
        friend class GuiEditor;
        GuiEditor& watched;
        LifeWatch* outer;
        bool gone = false;
    };

private:
    // False when the editor was destroyed by a message it delivered.
    bool dispatchPendingPlatformMessages();

    // True while this editor hands out pending messages or runs a pump pass, so the messages
    // those reach are not handed out a second time from inside them.
    bool busyWithMessages = false;
    // The innermost watch of the calls running right now; the destructor marks them all.
    LifeWatch* lifeWatches = nullptr;
    // The pump's message record, this editor's own: editors idled on different threads pump
    // at the same time.
    MSG pumpMessage{};
};
