// A slider whose style always carries the vertical bit; the editor's step sliders.
#pragma once

#include "gui/Slider.h"

class VerticalSlider : public Slider {
public:
    VerticalSlider(const Rect& size, ControlListener* listener, int32 tag, int32 handleMinimum,
                   int32 handleMaximum, Bitmap* handleBitmap, Bitmap* background,
                   const Point& bitmapOffset, int32 style);
    ~VerticalSlider() override;
};
