// The base of every view that has a value: a float with bounds, a default and a wheel step, a
// tag identifying it to its listener, an optional background bitmap, and the dirty rule that
// redraws a control exactly when its value changed since it was last drawn.
#pragma once

#include "gui/View.h"

#include <atomic>

class Bitmap;
class ControlListener;

class Control : public View {
public:
    // The control holds its own reference to background, which may be null.
    Control(const Rect& size, ControlListener* listener, int32 tag, Bitmap* background);
    ~Control() override;

    void draw(DrawContext* context) override = 0;
    bool isDirty() override;
    void setDirty(bool state) override;

    // Runs the editor's idle pump from inside a mouse-tracking loop.
    virtual void pumpIdle();
    // Setters of the value and its bounds only store: no clamping, no drawing.
    virtual void setValue(float newValue);
    virtual float getValue();
    virtual void setMin(float newMin);
    virtual float getMin();
    virtual void setMax(float newMax);
    virtual float getMax();
    virtual void setDrawnValue(float newDrawnValue);
    virtual float getDrawnValue();
    virtual void setDefaultValue(float newDefault);
    virtual float getDefaultValue();
    virtual void setTag(int32 newTag);
    virtual void setBackground(Bitmap* newBackground);
    virtual Bitmap* getBackground();
    virtual void setBackgroundOffset(const Point& offset);
    virtual void resetBackgroundOffset();
    virtual void setWheelStep(float step);
    virtual float getWheelStep();
    virtual void clampValue();

    int32 getTag() const { return tag; }
    ControlListener* getListener() const { return listener; }
    Point getBackgroundOffset() const { return backgroundOffset; }

protected:
    // True once the frame holding this control was closed by its editor: a handler that called
    // out (to the listener or the idle pump, and so perhaps to the host) stops at once then, as
    // the listener and the editor may be gone.
    bool isFrameClosed() const;
    // Reports the value to the listener. Inside a frame the call is one of the frame's calls
    // into the editor: counted, and not made once the frame is closed.
    void tellListener(DrawContext* context);

    ControlListener* listener;
    int32 tag;
    float drawnValue = 1.0f;
    float defaultValue = 0.5f;
    // The host may set a control's value from another thread (its audio thread, say) while
    // the user-interface thread draws or drags it.
    std::atomic<float> value{0.0f};
    float minValue = 0.0f;
    float maxValue = 1.0f;
    float wheelStep = 0.1f;
    Bitmap* background = nullptr;
    Point backgroundOffset;
};
