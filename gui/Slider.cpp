#include "gui/Slider.h"

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/OffscreenContext.h"

#include <algorithm>
#include <cmath>

namespace {

// Exactly the left button and control: restore the default instead of dragging.
constexpr Slider::int32 defaultClickButtons = leftButton | controlKey;
constexpr float fineKeyFactor = 0.1f;
// Far beyond any handle position, small enough for any int32 arithmetic that follows.
constexpr float pixelLimit = 1.0e7f;

// A floating-point position truncated toward zero, as pixels. Values that no handle can take
// (not a number, or too far out for an integer) are pinned so the conversion is defined;
// handle positions are clamped to their travel afterwards anyway.
Slider::int32 truncatedPixels(float position) {
    if (std::isnan(position)) {
        return 0;
    }
    position = std::fmax(-pixelLimit, std::fmin(pixelLimit, position));
    return static_cast<Slider::int32>(position);
}

} // namespace

Slider::Slider(const Rect& sliderSize, ControlListener* changeListener, int32 sliderTag,
               int32 handleMinimum, int32 handleMaximum, Bitmap* handle, Bitmap* backgroundBitmap,
               const Point& offset, int32 style)
    : Control(sliderSize, changeListener, sliderTag, backgroundBitmap), bitmapOffset(offset),
      handleBitmap(handle), sliderStyle(style) {
    if (handleBitmap) {
        handleBitmap->retain();
        handleWidth = handleBitmap->getWidth();
        handleHeight = handleBitmap->getHeight();
    }
    controlWidth = size.width();
    controlHeight = size.height();
    startOffset = handleMinimum - (isHorizontal() ? size.left : size.top);
    travel = handleMaximum - handleMinimum;
    setHandleOffset(Point(0, 0));
    fineFactor = 10.0f;
}

// Normally the offscreen context is gone already (the frame calls onRemoved before it
// releases); a slider destroyed outside a frame frees it here.
Slider::~Slider() {
    if (handleBitmap) {
        handleBitmap->release();
    }
    delete offscreen;
}

// ---- attachment ----

bool Slider::onAttached(View* /*parent*/) {
    delete offscreen;
    offscreen = new OffscreenContext(frame, controlWidth, controlHeight, blackColor);
    return true;
}

bool Slider::onRemoved(View* /*parent*/) {
    delete offscreen;
    offscreen = nullptr;
    return true;
}

// ---- settings ----

void Slider::setHandleTransparent(bool state) {
    handleTransparent = state;
}

void Slider::setJumpToClick(bool state) {
    jumpToClick = state;
}

bool Slider::getJumpToClick() {
    return jumpToClick;
}

void Slider::setHandleOffset(const Point& offset) {
    handleOffset = offset;
    if (isHorizontal()) {
        handleMin = startOffset + offset.h;
        handleMax = handleMin + travel + handleWidth;
    } else {
        handleMin = startOffset + offset.v;
        handleMax = handleMin + travel + handleHeight;
    }
}

// The limits keep the old handle's size until setHandleOffset runs again.
void Slider::setHandleBitmap(Bitmap* bitmap) {
    if (bitmap) {
        bitmap->retain();
    }
    if (handleBitmap) {
        handleBitmap->release();
    }
    handleBitmap = bitmap;
    if (handleBitmap) {
        handleWidth = handleBitmap->getWidth();
        handleHeight = handleBitmap->getHeight();
    }
}

Bitmap* Slider::getHandleBitmap() {
    return handleBitmap;
}

void Slider::setFineFactor(float factor) {
    fineFactor = factor;
}

float Slider::getFineFactor() {
    return fineFactor;
}

// ---- drawing ----

// How far along its travel the handle is drawn: 0 at the minimum end.
float Slider::handleFraction() const {
    return (sliderStyle & sliderDrawDirectBits) ? value.load() : 1.0f - value;
}

// A value beyond either bound pins the handle at that end of its travel: below the lower
// bound it would otherwise slide out of the control and vanish.
Rect Slider::handleRect() {
    int32 position = truncatedPixels(static_cast<float>(travel) * handleFraction());
    Rect handle;
    if (isHorizontal()) {
        handle.top = handleOffset.v;
        handle.bottom = handle.top + handleHeight;
        handle.left =
            std::max(std::min(position + handleOffset.h, handleMax - handleWidth), handleMin);
        handle.right = std::min(handle.left + handleWidth, handleMax);
    } else {
        handle.left = handleOffset.h;
        handle.right = handle.left + handleWidth;
        handle.top =
            std::max(std::min(position + handleOffset.v, handleMax - handleHeight), handleMin);
        handle.bottom = std::min(handle.top + handleHeight, handleMax);
    }
    return handle;
}

void Slider::draw(DrawContext* context) {
    if (offscreen) {
        if (background) {
            Rect whole(0, 0, controlWidth, controlHeight);
            if (transparent) {
                background->drawTransparent(offscreen, whole, bitmapOffset);
            } else {
                background->draw(offscreen, whole, bitmapOffset);
            }
        }
        if (handleBitmap) {
            if (handleTransparent) {
                handleBitmap->drawTransparent(offscreen, handleRect(), Point(0, 0));
            } else {
                handleBitmap->draw(offscreen, handleRect(), Point(0, 0));
            }
        }
        if (context) {
            offscreen->copyFrom(context, size, Point(0, 0));
        }
    }
    setDirty(false);
}

// ---- user input ----

// No value that is not a number reaches a listener: such a candidate keeps the current
// value, infinities are clamped, and a value that is still not finite (bounds or value
// were not numbers to begin with) becomes the lower bound, or 0.
void Slider::takeUserValue(float candidate) {
    if (!std::isnan(candidate)) {
        value = candidate;
    }
    clampValue();
    if (!std::isfinite(value)) {
        value = std::isfinite(minValue) ? minValue : 0.0f;
    }
}

// The default is taken as it is, unclamped, unless it is not a finite number.
void Slider::restoreDefault() {
    float restored = getDefaultValue();
    if (std::isfinite(restored)) {
        value = restored;
    } else if (!std::isfinite(value)) {
        value = std::isfinite(minValue) ? minValue : 0.0f;
    }
}

void Slider::notifyIfChanged(DrawContext* context) {
    if (isDirty()) {
        tellListener(context);
    }
}

Slider::int32 Slider::pointerCoordinate(const Point& where) const {
    return isHorizontal() ? where.h : where.v;
}

// Where on the control the pointer "holds" the handle, in frame coordinates along the axis.
// False when the click must hit the handle and does not.
bool Slider::findGrab(const Point& where, int32& grab) {
    int32 along = isHorizontal() ? handleOffset.h : handleOffset.v;
    int32 handleLength = isHorizontal() ? handleWidth : handleHeight;
    grab = (isHorizontal() ? size.left : size.top) + along;
    if (jumpToClick) {
        grab += handleLength / 2 - 1;
        return true;
    }
    int32 position = truncatedPixels(static_cast<float>(travel) * handleFraction());
    Rect handle;
    if (isHorizontal()) {
        handle.left = position + handleOffset.h + size.left;
        handle.right = handle.left + handleWidth;
        handle.top = handleOffset.v + size.top;
        handle.bottom = handle.top + handleHeight;
    } else {
        handle.top = position + handleOffset.v + size.top;
        handle.bottom = handle.top + handleHeight;
        handle.left = handleOffset.h + size.left;
        handle.right = handle.left + handleWidth;
    }
    if (!handle.containsWithEdges(where)) {
        return false;
    }
    grab += pointerCoordinate(where) - (isHorizontal() ? handle.left : handle.top);
    return true;
}

// Without any travel the pointer cannot pick a position, so the value stays where it is.
float Slider::valueFromPointer(const Point& where, int32 grab, float anchor, bool fine) const {
    if (travel <= 0) {
        return value;
    }
    float pointed =
        static_cast<float>(pointerCoordinate(where) - grab) / static_cast<float>(travel);
    if (sliderStyle & sliderDragInvertedBits) {
        pointed = 1.0f - pointed;
    }
    if (fine) {
        pointed = anchor + (pointed - anchor) / fineFactor;
    }
    return pointed;
}

void Slider::onMouseDown(DrawContext* context, Point where) {
    if (!isMouseEnabled() || !context) {
        return;
    }
    int32 buttons = context->getMouseButtons();
    if (buttons == defaultClickButtons) {
        restoreDefault();
        notifyIfChanged(context);
        return;
    }
    if (!(buttons & leftButton)) {
        return;
    }
    int32 grab = 0;
    if (!findGrab(where, grab)) {
        return;
    }
    trackDrag(context, where, grab, buttons);
}

// Polls the mouse until the left button is released. Shift re-anchors at the current value
// and moves a fineFactor-th of the pointer's motion; without shift the handle follows the
// pointer absolutely. Begin edit, the listener and the idle pump can all reach the host, which
// may close the editor from there: the drag then ends at once, without another word to the
// listener or the editor and without drawing.
void Slider::trackDrag(DrawContext* context, Point where, int32 grab, int32 buttons) {
    int32 previous = buttons;
    float anchor = value;
    if (frame) {
        frame->beginEdit(tag);
        if (isFrameClosed()) {
            return;
        }
        frame->setFocusView(this);
    }
    while ((buttons = context->getMouseButtons()) & leftButton) {
        bool fine = (buttons & shiftKey) != 0;
        if (buttons != previous && fine) {
            previous = buttons;
            anchor = value;
        } else if (!fine) {
            anchor = value;
        }
        takeUserValue(valueFromPointer(where, grab, anchor, fine));
        notifyIfChanged(context);
        if (isFrameClosed()) {
            return;
        }
        context->getMouseLocation(where);
        pumpIdle();
        if (isFrameClosed()) {
            return;
        }
    }
    if (frame) {
        frame->endEdit(tag);
    }
}

void Slider::stepBy(float steps, bool fine, DrawContext* context) {
    float change = steps * wheelStep;
    if (fine) {
        change *= fineKeyFactor;
    }
    takeUserValue(value + change);
    notifyIfChanged(context);
}

// The same direction for every style: a positive distance raises the value.
bool Slider::onWheel(DrawContext* context, Point /*where*/, float distance) {
    if (!isMouseEnabled()) {
        return false;
    }
    int32 buttons = context ? context->getMouseButtons() : DrawContext::currentMouseButtons();
    stepBy(distance, (buttons & shiftKey) != 0, context);
    return true;
}

Slider::int32 Slider::onKeyDown(VstKeyCode& key) {
    float steps = 0.0f;
    switch (key.virt) {
    case VKEY_LEFT:
    case VKEY_DOWN:
        steps = -1.0f;
        break;
    case VKEY_UP:
    case VKEY_RIGHT:
        steps = 1.0f;
        break;
    default:
        return keyNotHandled;
    }
    stepBy(steps, (key.modifier & MODIFIER_SHIFT) != 0, nullptr);
    return 1;
}
