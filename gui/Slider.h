// A control that shows its value as the position of a handle bitmap along a background
// bitmap. The user drags the handle (or clicks to place it), restores the default with
// control+click, refines with shift, and steps the value with the wheel or the arrow keys.
// It composes handle and background off screen so the window gets one copy per draw.
#pragma once

#include "gui/Control.h"

class OffscreenContext;

// Slider style bits.
constexpr std::int32_t sliderHorizontal = 1;
// Set by every vertical slider; only sliderHorizontal decides the axis.
constexpr std::int32_t sliderVertical = 2;
// Either bit: the handle is drawn at value 0 at the minimum end (else at value 1 there).
constexpr std::int32_t sliderDrawDirectBits = 8 | 32;
// Either bit: the value taken from the pointer is inverted.
constexpr std::int32_t sliderDragInvertedBits = 16 | 64;

class Slider : public Control {
public:
    // handleMinimum and handleMaximum are the lowest and highest frame coordinates the
    // handle's leading edge takes along the axis as the value runs through its range.
    Slider(const Rect& size, ControlListener* listener, int32 tag, int32 handleMinimum,
           int32 handleMaximum, Bitmap* handleBitmap, Bitmap* background, const Point& bitmapOffset,
           int32 style);
    ~Slider() override;

    void draw(DrawContext* context) override;
    // Runs the whole drag: the call returns when the left button is released.
    void onMouseDown(DrawContext* context, Point where) override;
    int32 onKeyDown(VstKeyCode& key) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    bool onRemoved(View* parent) override;
    bool onAttached(View* parent) override;

    virtual void setHandleTransparent(bool state);
    virtual void setJumpToClick(bool state);
    virtual bool getJumpToClick();
    virtual void setHandleOffset(const Point& offset);
    virtual void setHandleBitmap(Bitmap* bitmap);
    virtual Bitmap* getHandleBitmap();
    virtual void setFineFactor(float factor);
    virtual float getFineFactor();

    // The handle's rectangle in control coordinates for the current value, as draw places it.
    Rect handleRect();

    int32 getTravel() const { return travel; }
    int32 getHandleMin() const { return handleMin; }
    int32 getHandleMax() const { return handleMax; }
    int32 getStartOffset() const { return startOffset; }
    int32 getSliderStyle() const { return sliderStyle; }
    Point getHandleOffset() const { return handleOffset; }
    OffscreenContext* getOffscreen() const { return offscreen; }

private:
    bool isHorizontal() const { return (sliderStyle & sliderHorizontal) != 0; }
    float handleFraction() const;
    int32 pointerCoordinate(const Point& where) const;
    bool findGrab(const Point& where, int32& grab);
    void trackDrag(DrawContext* context, Point where, int32 grab, int32 buttons);
    float valueFromPointer(const Point& where, int32 grab, float anchor, bool fine) const;
    void takeUserValue(float candidate);
    void restoreDefault();
    void notifyIfChanged(DrawContext* context);
    void stepBy(float steps, bool fine, DrawContext* context);

    Point bitmapOffset;
    Point handleOffset;
    Bitmap* handleBitmap = nullptr;
    OffscreenContext* offscreen = nullptr;
    int32 handleWidth = 1;
    int32 handleHeight = 1;
    int32 travel = 0;
    int32 sliderStyle = 0;
    int32 handleMin = 0;
    int32 handleMax = 0;
    int32 startOffset = 0;
    int32 controlWidth = 0;
    int32 controlHeight = 0;
    float fineFactor = 10.0f;
    bool handleTransparent = true;
    bool jumpToClick = true;
};
