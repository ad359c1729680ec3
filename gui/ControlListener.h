// What a control tells about changes the user made to its value.
#pragma once

class Control;
class DrawContext;

class ControlListener {
public:
    ControlListener() = default;
    ControlListener(const ControlListener&) = delete;
    ControlListener& operator=(const ControlListener&) = delete;
    virtual ~ControlListener() = default;

    // context is the one of the event that changed the value, or null (a key press).
    virtual void onValueChanged(DrawContext* context, Control* control) = 0;
};
