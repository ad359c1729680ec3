// A drawing context over a memory picture of its own. A view composes its layers here and
// copies the finished picture to the window in one block transfer, so nothing flickers.
#pragma once

#include "gui/DrawContext.h"

class OffscreenContext : public DrawContext {
public:
    // The picture is compatible with the frame's window and starts entirely in the background
    // colour, border included.
    OffscreenContext(Frame* frame, int32 width, int32 height, const Color& backgroundColor);
    ~OffscreenContext() override;

    // Copies the picture from sourceOffset into destination at destinationRect's top-left
    // corner, destinationRect's size.
    void copyFrom(DrawContext* destination, const Rect& destinationRect, const Point& sourceOffset);

    int32 getWidth() const { return width; }
    int32 getHeight() const { return height; }

private:
    int32 height = 0;
    int32 width = 0;
    bool ownsBitmap = true;
    Color backgroundColor;
    HBITMAP offscreenBitmap = nullptr;
    HGDIOBJ bitmapBeforeSelection = nullptr;
};
