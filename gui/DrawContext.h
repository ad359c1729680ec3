// A drawing context over one Win32 device context for the length of one drawing or mouse
// operation: lines, outlines, fills and single-line text in its own pen, brush and font, and
// the live mouse state. Contexts are made per event and deleted at once; views never keep one.
#pragma once

#include "gui/Color.h"
#include "gui/Geometry.h"
#include "platform/win32.h"

#include <cstdint>

class Frame;

// Bits of getMouseButtons: logical buttons (after any swap) and modifier keys.
constexpr std::int32_t leftButton = 1;
constexpr std::int32_t middleButton = 2;
constexpr std::int32_t rightButton = 4;
constexpr std::int32_t shiftKey = 8;
constexpr std::int32_t controlKey = 0x10;
constexpr std::int32_t altKey = 0x20;

// Horizontal placement of drawString's text; it is always centred vertically.
constexpr std::int32_t alignLeft = 0;
constexpr std::int32_t alignCenter = 1;
constexpr std::int32_t alignRight = 2;

// Style bits of setFont.
constexpr std::int32_t fontStyleBold = 1;
constexpr std::int32_t fontStyleItalic = 2;
constexpr std::int32_t fontStyleUnderline = 4;

class DrawContext {
public:
    using int32 = std::int32_t;

    // Either argument may be null: an offscreen context starts without a device context, and
    // a context without a window has the screen origin (0, 0).
    DrawContext(Frame* frame, HDC deviceContext, HWND window);
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;
    virtual ~DrawContext();

    void moveTo(const Point& where);
    // As with Win32, the end point itself is not drawn.
    void lineTo(const Point& where);
    // Outlines columns left..right and rows top..bottom, both ends included.
    void drawRect(const Rect& rect);
    // Fills exactly the inside of the outline drawRect draws for the same rectangle.
    void fillRect(const Rect& rect);

    void setFrameColor(const Color& color);
    void setFillColor(const Color& color);
    void setFontColor(const Color& color);

    // fontId indexes the font table (0..7, others mean 0); size 0 means the table's size.
    void setFont(int32 fontId, int32 size, int32 style);
    void drawString(const char* text, const Rect& rect, bool opaque, int32 alignment);

    int32 getMouseButtons();
    // The same answer for callers that have no context at hand.
    static int32 currentMouseButtons();
    // The cursor relative to the window's top-left corner as it was when the context was made.
    void getMouseLocation(Point& where);

    HDC getDeviceContext() const { return deviceContext; }
    HWND getWindow() const { return window; }
    Frame* getFrame() const { return frame; }
    int32 getFontId() const { return fontId; }
    int32 getFontSize() const { return fontSize; }

    // The font setFont creates for these arguments, after the fall-backs for an unknown id and
    // a size of 0.
    static LOGFONTA describeFont(int32 fontId, int32 size, int32 style);

protected:
    Point windowOrigin;
    HDC deviceContext = nullptr;
    HWND window = nullptr;
    Frame* frame = nullptr;
    int32 fontSize = 0;
    int32 fontId = 0;
    Color fontColor;
    int32 lineWidth = 1;
    Color frameColor;
    Color fillColor;
    HBRUSH brush = nullptr;
    HPEN pen = nullptr;
    HFONT font = nullptr;
    HBRUSH initialBrush = nullptr;
    HPEN initialPen = nullptr;
    HFONT initialFont = nullptr;
};
