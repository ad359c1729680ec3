// A picture from the library's own bitmap resources, shared between views by reference
// counting. It copies any part of itself into a drawing context, as is or leaving out the
// pixels of its transparent colour.
#pragma once

#include "gui/Color.h"
#include "gui/Geometry.h"
#include "platform/win32.h"

#include <atomic>
#include <cstdint>

class DrawContext;

class Bitmap {
public:
    using int32 = std::int32_t;

    // A resource that cannot be loaded gives a bitmap of 0 x 0 that draws nothing.
    explicit Bitmap(int32 resourceId);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain();
    // Gives back one reference; the last one deletes the bitmap and its picture.
    void release();
    int32 getReferenceCount() const { return refCount; }

    void setTransparentColor(const Color& color);
    Color getTransparentColor() const { return transparentColor; }

    // destinationRect says where and how much, sourceOffset which part of the picture.
    void draw(DrawContext* context, const Rect& destinationRect, const Point& sourceOffset);
    // As draw, but destination pixels under the transparent colour stay as they are.
    void drawTransparent(DrawContext* context, const Rect& destinationRect,
                         const Point& sourceOffset);

    int32 getResourceId() const { return resourceId; }
    int32 getWidth() const { return width; }
    int32 getHeight() const { return height; }
    bool isLoaded() const { return picture != nullptr; }

private:
    ~Bitmap();
    void drawThroughMask(HDC destination, HDC source, const Rect& destinationRect,
                         const Point& sourceOffset);

    int32 resourceId;
    // The frame and the editor may give theirs back on different threads.
    std::atomic<int32> refCount{1};
    int32 width = 0;
    int32 height = 0;
    Color transparentColor;
    HBITMAP picture = nullptr;
};
