// The editor as the frame and its views see it: the editor that owns the frame forwards edit
// gestures to its effect (which tells the host) and runs the idle pump that keeps host and
// window alive while a control holds the mouse.
#pragma once

#include <cstdint>

class FrameEditor {
public:
    FrameEditor() = default;
    FrameEditor(const FrameEditor&) = delete;
    FrameEditor& operator=(const FrameEditor&) = delete;
    virtual ~FrameEditor() = default;

    // The user starts changing parameter index (the host hears audioMasterBeginEdit).
    virtual void beginEdit(std::int32_t index) = 0;
    // The user stopped changing it; the effect's answer (audioMasterEndEdit).
    virtual bool endEdit(std::int32_t index) = 0;
    // One pass of the editor's time-limited idle pump; called on every step of a drag.
    virtual void runIdlePump() = 0;
};
