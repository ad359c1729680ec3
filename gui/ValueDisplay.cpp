#include "gui/ValueDisplay.h"

#include "gui/Bitmap.h"
#include "gui/DrawContext.h"

#include <cstdio>

ValueDisplay::ValueDisplay(const Rect& displaySize, Bitmap* backgroundBitmap, int32 style)
    : Control(displaySize, nullptr, 0, backgroundBitmap), alignment(alignCenter),
      displayStyle(style), fontColor(whiteColor), backColor(blackColor), frameColor(blackColor),
      shadowColor(redColor) {
    if (displayStyle & noDrawStyle) {
        setDirty(false);
    }
}

ValueDisplay::~ValueDisplay() = default;

void ValueDisplay::makeText(char (&text)[textBufferSize]) {
    text[0] = '\0';
    if (convertTextWithData) {
        convertTextWithData(value, text, userData);
    } else if (convertText) {
        convertText(value, text);
    } else {
        std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value));
    }
    // A converter that forgot its terminator still yields a text within the buffer.
    text[textBufferSize - 1] = '\0';
}

void ValueDisplay::draw(DrawContext* context) {
    char text[textBufferSize];
    makeText(text);
    drawText(context, text, nullptr);
}

// The control counts as drawn even when its style draws nothing.
void ValueDisplay::drawText(DrawContext* context, const char* text, Bitmap* overrideBackground) {
    setDirty(false);
    if ((displayStyle & noDrawStyle) || !context) {
        return;
    }
    drawBackground(context, overrideBackground);
    if (displayStyle & (threeDInStyle | threeDOutStyle)) {
        drawEdge(context);
    }
    if ((displayStyle & noTextStyle) || !text) {
        return;
    }
    context->setFont(fontId, 0, textFace);
    bool opaque = !textTransparent;
    if (displayStyle & shadowTextStyle) {
        context->setFontColor(shadowColor);
        Rect shadowRect(size.left + 1, size.top + 1, size.right + 1, size.bottom + 1);
        context->drawString(text, shadowRect, opaque, alignment);
    }
    context->setFontColor(fontColor);
    context->drawString(text, size, opaque, alignment);
}

void ValueDisplay::drawBackground(DrawContext* context, Bitmap* overrideBackground) {
    Bitmap* bitmap = overrideBackground ? overrideBackground : background;
    if (bitmap) {
        if (transparent) {
            bitmap->drawTransparent(context, size, backgroundOffset);
        } else {
            bitmap->draw(context, size, backgroundOffset);
        }
        return;
    }
    // A transparent cell without a bitmap shows what lies beneath it: no fill, no outline.
    if (transparent) {
        return;
    }
    context->setFillColor(backColor);
    context->fillRect(size);
    if (!(displayStyle & (threeDInStyle | threeDOutStyle))) {
        context->setFrameColor(frameColor);
        context->drawRect(size);
    }
}

void ValueDisplay::drawEdge(DrawContext* context) {
    bool backColorTopLeft = (displayStyle & threeDInStyle) != 0;
    context->setFrameColor(backColorTopLeft ? backColor : frameColor);
    context->moveTo(Point(size.left, size.bottom));
    context->lineTo(Point(size.left, size.top));
    context->lineTo(Point(size.right + 1, size.top));
    context->setFrameColor(backColorTopLeft ? frameColor : backColor);
    context->moveTo(Point(size.right, size.top + 1));
    context->lineTo(Point(size.right, size.bottom));
    context->lineTo(Point(size.left, size.bottom));
}

// Setters of what the cell looks like mark it dirty only when the look changes.
void ValueDisplay::setColorField(Color& field, const Color& color) {
    if (!field.sameRgb(color)) {
        setDirty(true);
    }
    field = color;
}

void ValueDisplay::setIntegerField(int32& field, int32 newValue) {
    if (field != newValue) {
        setDirty(true);
    }
    field = newValue;
}

void ValueDisplay::setFont(int32 newFontId) {
    setIntegerField(fontId, newFontId);
}

void ValueDisplay::setFontColor(const Color& color) {
    setColorField(fontColor, color);
}

void ValueDisplay::setBackColor(const Color& color) {
    setColorField(backColor, color);
}

void ValueDisplay::setFrameColor(const Color& color) {
    setColorField(frameColor, color);
}

void ValueDisplay::setShadowColor(const Color& color) {
    setColorField(shadowColor, color);
}

void ValueDisplay::setAlignment(int32 newAlignment) {
    setIntegerField(alignment, newAlignment);
}

void ValueDisplay::setTextConverterWithData(ValueToTextWithDataFunction converter, void* data) {
    convertTextWithData = converter;
    userData = data;
}

void ValueDisplay::setTextConverter(ValueToTextFunction converter) {
    convertText = converter;
}

void ValueDisplay::setTextParser(TextToValueFunction parser) {
    parseText = parser;
}

void ValueDisplay::setDisplayStyle(int32 style) {
    setIntegerField(displayStyle, style);
}

void ValueDisplay::setTextFace(int32 face) {
    setIntegerField(textFace, face);
}

void ValueDisplay::setTextTransparent(bool state) {
    textTransparent = state;
}
