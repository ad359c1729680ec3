#include "gui/VerticalSlider.h"

VerticalSlider::VerticalSlider(const Rect& sliderSize, ControlListener* changeListener,
                               int32 sliderTag, int32 handleMinimum, int32 handleMaximum,
                               Bitmap* handle, Bitmap* backgroundBitmap, const Point& offset,
                               int32 style)
    : Slider(sliderSize, changeListener, sliderTag, handleMinimum, handleMaximum, handle,
             backgroundBitmap, offset, style | sliderVertical) {}

VerticalSlider::~VerticalSlider() = default;
