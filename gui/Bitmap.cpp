#include "gui/Bitmap.h"

#include "effect/EffectBase.h"
#include "gui/DrawContext.h"
#include "gui/ReferenceCount.h"
#include "gui/SystemFeatures.h"

namespace {

constexpr COLORREF maskWhite = 0xFFFFFF;
constexpr COLORREF maskBlack = 0;

} // namespace

Bitmap::Bitmap(int32 id) : resourceId(id), transparentColor(defaultTransparentColor) {
    picture = LoadBitmapA(static_cast<HINSTANCE>(moduleInstance),
                          MAKEINTRESOURCEA(static_cast<WORD>(resourceId & 0xFFFF)));
    BITMAP description;
    if (picture && GetObjectA(picture, sizeof description, &description)) {
        width = description.bmWidth;
        height = description.bmHeight;
    }
}

Bitmap::~Bitmap() {
    if (picture) {
        DeleteObject(picture);
    }
}

void Bitmap::retain() {
    refCount++;
}

void Bitmap::release() {
    if (releaseReference(refCount)) {
        delete this;
    }
}

void Bitmap::setTransparentColor(const Color& color) {
    transparentColor = color;
}

void Bitmap::draw(DrawContext* context, const Rect& destinationRect, const Point& sourceOffset) {
    if (!picture || !context) {
        return;
    }
    HDC destination = context->getDeviceContext();
    HDC source = CreateCompatibleDC(destination);
    if (!source) {
        return;
    }
    HGDIOBJ previous = SelectObject(source, picture);
    BitBlt(destination, destinationRect.left, destinationRect.top, destinationRect.width(),
           destinationRect.height(), source, sourceOffset.h, sourceOffset.v, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& destinationRect,
                             const Point& sourceOffset) {
    // Without a picture there is nothing to key out and nothing to copy.
    if (!picture || !context) {
        return;
    }
    HDC destination = context->getDeviceContext();
    HDC source = CreateCompatibleDC(destination);
    if (!source) {
        return;
    }
    HGDIOBJ previous = SelectObject(source, picture);
    if (TransparentBltFunction transparentBlt = transparentBltEntry.load()) {
        int partWidth = destinationRect.width();
        int partHeight = destinationRect.height();
        transparentBlt(destination, destinationRect.left, destinationRect.top, partWidth,
                       partHeight, source, sourceOffset.h, sourceOffset.v, partWidth, partHeight,
                       transparentColor.toColorRef());
    } else {
        drawThroughMask(destination, source, destinationRect, sourceOffset);
    }
    SelectObject(source, previous);
    DeleteDC(source);
}

// For systems without TransparentBlt: a monochrome mask marks the transparent pixels, and
// three raster operations combine picture, mask and destination so that masked pixels keep
// the destination and all others take the picture.
void Bitmap::drawThroughMask(HDC destination, HDC source, const Rect& destinationRect,
                             const Point& sourceOffset) {
    int x = destinationRect.left;
    int y = destinationRect.top;
    int partWidth = destinationRect.width();
    int partHeight = destinationRect.height();

    HDC maskContext = CreateCompatibleDC(destination);
    if (!maskContext) {
        return;
    }
    // Monochrome to colour copies turn 1 into the background and 0 into the text colour.
    COLORREF previousBackground = SetBkColor(destination, maskWhite);
    COLORREF previousText = SetTextColor(destination, maskBlack);

    HBITMAP mask = CreateBitmap(partWidth, partHeight, 1, 1, nullptr);
    HGDIOBJ previousMaskBitmap = mask ? SelectObject(maskContext, mask) : nullptr;
    if (mask) {
        // Colour to monochrome copies turn the source's background colour into 1.
        SetBkColor(source, transparentColor.toColorRef());
        BitBlt(maskContext, 0, 0, partWidth, partHeight, source, sourceOffset.h, sourceOffset.v,
               SRCCOPY);
        BitBlt(destination, x, y, partWidth, partHeight, source, sourceOffset.h, sourceOffset.v,
               SRCINVERT);
        BitBlt(destination, x, y, partWidth, partHeight, maskContext, 0, 0, SRCAND);
        BitBlt(destination, x, y, partWidth, partHeight, source, sourceOffset.h, sourceOffset.v,
               SRCINVERT);
        SelectObject(maskContext, previousMaskBitmap);
        DeleteObject(mask);
    }
    DeleteDC(maskContext);
    SetBkColor(destination, previousBackground);
    SetTextColor(destination, previousText);
}
