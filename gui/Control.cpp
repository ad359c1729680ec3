#include "gui/Control.h"

#include "gui/Bitmap.h"
#include "gui/ControlListener.h"
#include "gui/Frame.h"

#include <cstring>

namespace {

bool hasBitPatternOfMinusOne(float candidate) {
    const float minusOne = -1.0f;
    return std::memcmp(&candidate, &minusOne, sizeof candidate) == 0;
}

} // namespace

Control::Control(const Rect& controlSize, ControlListener* changeListener, int32 controlTag,
                 Bitmap* backgroundBitmap)
    : View(controlSize), listener(changeListener), tag(controlTag), background(backgroundBitmap) {
    if (background) {
        background->retain();
    }
    mouseEnabled = true;
    transparent = false;
    dirty = false;
}

Control::~Control() {
    if (background) {
        background->release();
    }
}

bool Control::isDirty() {
    return drawnValue != value || View::isDirty();
}

// Dirty is made to hold by moving the drawn value away from the value, clean by making them
// equal.
void Control::setDirty(bool state) {
    View::setDirty(state);
    if (state) {
        drawnValue = hasBitPatternOfMinusOne(value) ? 0.0f : -1.0f;
    } else {
        drawnValue = value;
    }
}

bool Control::isFrameClosed() const {
    return frame && frame->isClosed();
}

void Control::tellListener(DrawContext* context) {
    if (!listener) {
        return;
    }
    if (!frame) {
        listener->onValueChanged(context, this);
        return;
    }
    Frame::EditorCall call(*frame);
    if (call.allowed()) {
        listener->onValueChanged(context, this);
    }
}

void Control::pumpIdle() {
    if (frame) {
        frame->pumpIdle();
    }
}

void Control::setValue(float newValue) {
    value = newValue;
}

float Control::getValue() {
    return value;
}

void Control::setMin(float newMin) {
    minValue = newMin;
}

float Control::getMin() {
    return minValue;
}

void Control::setMax(float newMax) {
    maxValue = newMax;
}

float Control::getMax() {
    return maxValue;
}

void Control::setDrawnValue(float newDrawnValue) {
    drawnValue = newDrawnValue;
}

float Control::getDrawnValue() {
    return drawnValue;
}

void Control::setDefaultValue(float newDefault) {
    defaultValue = newDefault;
}

float Control::getDefaultValue() {
    return defaultValue;
}

void Control::setTag(int32 newTag) {
    tag = newTag;
}

// Retain before release, so setting the bitmap the control already holds cannot delete it.
void Control::setBackground(Bitmap* newBackground) {
    if (newBackground) {
        newBackground->retain();
    }
    if (background) {
        background->release();
    }
    background = newBackground;
}

Bitmap* Control::getBackground() {
    return background;
}

void Control::setBackgroundOffset(const Point& offset) {
    backgroundOffset = offset;
}

void Control::resetBackgroundOffset() {
    backgroundOffset = Point(size.left, size.top);
}

void Control::setWheelStep(float step) {
    wheelStep = step;
}

float Control::getWheelStep() {
    return wheelStep;
}

void Control::clampValue() {
    if (value > maxValue) {
        value = maxValue;
    } else if (value < minValue) {
        value = minValue;
    }
}
