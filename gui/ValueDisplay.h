// A cell that shows its control value as text: through a caller's converter or as a number
// with two decimals, over a fill, an outline or a 3D edge, with an optional shadow.
#pragma once

#include "gui/Color.h"
#include "gui/Control.h"

// Display style bits; other bits are ignored.
constexpr std::int32_t shadowTextStyle = 0x4;
// 3D edge with top and left in the back colour, bottom and right in the frame colour.
constexpr std::int32_t threeDInStyle = 0x80;
// 3D edge with the colours the other way round; threeDInStyle wins when both are set.
constexpr std::int32_t threeDOutStyle = 0x100;
constexpr std::int32_t noTextStyle = 0x800;
constexpr std::int32_t noDrawStyle = 0x1000;

// Converters write at most 255 characters and the terminator into text.
using ValueToTextFunction = void (*)(float value, char* text);
using ValueToTextWithDataFunction = void (*)(float value, char* text, void* userData);
// Kept for callers that pair a display with an input field; the display never calls it.
using TextToValueFunction = bool (*)(const char* text, float* value, void* userData);

class ValueDisplay : public Control {
public:
    static constexpr int textBufferSize = 256;

    ValueDisplay(const Rect& size, Bitmap* background, int32 style);
    ~ValueDisplay() override;

    void draw(DrawContext* context) override;

    virtual void setFont(int32 newFontId);
    virtual void setFontColor(const Color& color);
    virtual void setBackColor(const Color& color);
    virtual void setFrameColor(const Color& color);
    virtual void setShadowColor(const Color& color);
    virtual void setAlignment(int32 newAlignment);
    virtual void setTextConverterWithData(ValueToTextWithDataFunction converter, void* data);
    virtual void setTextConverter(ValueToTextFunction converter);
    virtual void setTextParser(TextToValueFunction parser);
    virtual void setDisplayStyle(int32 style);
    virtual void setTextFace(int32 face);
    virtual void setTextTransparent(bool state);

    // The second half of draw: background, edge and text, with an optional bitmap in place
    // of the control's own background.
    void drawText(DrawContext* context, const char* text, Bitmap* overrideBackground);

    // The text draw would show for the current value.
    void makeText(char (&text)[textBufferSize]);

    int32 getFontId() const { return fontId; }
    int32 getAlignment() const { return alignment; }
    int32 getDisplayStyle() const { return displayStyle; }
    int32 getTextFace() const { return textFace; }
    Color getFontColor() const { return fontColor; }
    Color getBackColor() const { return backColor; }
    Color getFrameColor() const { return frameColor; }
    Color getShadowColor() const { return shadowColor; }
    bool isTextTransparent() const { return textTransparent; }

private:
    void setColorField(Color& field, const Color& color);
    void setIntegerField(int32& field, int32 newValue);
    void drawBackground(DrawContext* context, Bitmap* overrideBackground);
    void drawEdge(DrawContext* context);

    ValueToTextFunction convertText = nullptr;
    ValueToTextWithDataFunction convertTextWithData = nullptr;
    TextToValueFunction parseText = nullptr;
    void* userData = nullptr;
    int32 alignment;
    int32 displayStyle;
    int32 fontId = 3;
    int32 textFace = 0;
    Color fontColor;
    Color backColor;
    Color frameColor;
    Color shadowColor;
    bool textTransparent = true;
};
