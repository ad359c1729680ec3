#include "gui/OffscreenContext.h"

#include "gui/Frame.h"

OffscreenContext::OffscreenContext(Frame* owningFrame, int32 pictureWidth, int32 pictureHeight,
                                   const Color& background)
    : DrawContext(owningFrame, nullptr, nullptr), height(pictureHeight), width(pictureWidth),
      backgroundColor(background) {
    HWND frameWindow = owningFrame ? owningFrame->getWindow() : nullptr;
    HDC windowDeviceContext = GetDC(frameWindow);
    deviceContext = CreateCompatibleDC(windowDeviceContext);
    offscreenBitmap = CreateCompatibleBitmap(windowDeviceContext, width, height);
    if (deviceContext && offscreenBitmap) {
        bitmapBeforeSelection = SelectObject(deviceContext, offscreenBitmap);
    }
    if (windowDeviceContext) {
        ReleaseDC(frameWindow, windowDeviceContext);
    }
    if (!deviceContext) {
        return;
    }
    Rect whole(0, 0, width, height);
    setFillColor(backgroundColor);
    setFrameColor(backgroundColor);
    fillRect(whole);
    drawRect(whole);
}

OffscreenContext::~OffscreenContext() {
    if (deviceContext) {
        DeleteDC(deviceContext);
        deviceContext = nullptr;
    }
    if (ownsBitmap && offscreenBitmap) {
        DeleteObject(offscreenBitmap);
    }
}

void OffscreenContext::copyFrom(DrawContext* destination, const Rect& destinationRect,
                                const Point& sourceOffset) {
    if (!destination || !deviceContext) {
        return;
    }
    BitBlt(destination->getDeviceContext(), destinationRect.left, destinationRect.top,
           destinationRect.width(), destinationRect.height(), deviceContext, sourceOffset.h,
           sourceOffset.v, SRCCOPY);
}
