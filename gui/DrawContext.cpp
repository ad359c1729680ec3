#include "gui/DrawContext.h"

#include "gui/SystemFeatures.h"

#include <climits>
#include <cstring>

namespace {

struct FontTableEntry {
    const char* face;
    std::int32_t defaultSize;
};

// Indexed by font id. Id 0 is always bold; id 7 is the decorative symbol font.
constexpr FontTableEntry fontTable[] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};
constexpr std::int32_t fontCount = 8;
constexpr std::int32_t boldFontId = 0;
constexpr std::int32_t symbolFontId = 7;

constexpr BYTE swissPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
constexpr BYTE decorativePitchAndFamily = FF_DECORATIVE;

constexpr UINT singleLineFormat = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

RECT toRECT(const Rect& rect) {
    RECT result;
    result.left = rect.left;
    result.top = rect.top;
    result.right = rect.right;
    result.bottom = rect.bottom;
    return result;
}

bool keyIsDown(int virtualKey) {
    return GetAsyncKeyState(virtualKey) < 0;
}

} // namespace

DrawContext::DrawContext(Frame* owningFrame, HDC targetDeviceContext, HWND targetWindow)
    : deviceContext(targetDeviceContext), window(targetWindow), frame(owningFrame),
      fontColor(whiteColor), frameColor(whiteColor), fillColor(blackColor) {
    if (deviceContext) {
        initialBrush = static_cast<HBRUSH>(GetCurrentObject(deviceContext, OBJ_BRUSH));
        initialPen = static_cast<HPEN>(GetCurrentObject(deviceContext, OBJ_PEN));
        initialFont = static_cast<HFONT>(GetCurrentObject(deviceContext, OBJ_FONT));
        SetBkMode(deviceContext, TRANSPARENT);
    }
    if (window) {
        RECT windowRect;
        if (GetWindowRect(window, &windowRect)) {
            windowOrigin = Point(windowRect.left, windowRect.top);
        }
    }
    if (deviceContext) {
        setFrameColor(frameColor);
        setFillColor(fillColor);
        setFontColor(fontColor);
    }
}

DrawContext::~DrawContext() {
    // Put the device context back as its creator handed it over before deleting our objects,
    // which Win32 refuses to delete while they are selected.
    if (initialBrush) {
        SelectObject(deviceContext, initialBrush);
    }
    if (initialPen) {
        SelectObject(deviceContext, initialPen);
    }
    if (initialFont) {
        SelectObject(deviceContext, initialFont);
    }
    if (brush) {
        DeleteObject(brush);
    }
    if (pen) {
        DeleteObject(pen);
    }
    if (font) {
        DeleteObject(font);
    }
}

void DrawContext::moveTo(const Point& where) {
    MoveToEx(deviceContext, where.h, where.v, nullptr);
}

void DrawContext::lineTo(const Point& where) {
    LineTo(deviceContext, where.h, where.v);
}

void DrawContext::drawRect(const Rect& rect) {
    MoveToEx(deviceContext, rect.left, rect.top, nullptr);
    LineTo(deviceContext, rect.right, rect.top);
    LineTo(deviceContext, rect.right, rect.bottom);
    LineTo(deviceContext, rect.left, rect.bottom);
    LineTo(deviceContext, rect.left, rect.top);
}

void DrawContext::fillRect(const Rect& rect) {
    HGDIOBJ previousPen = SelectObject(deviceContext, GetStockObject(NULL_PEN));
    RECT inside = toRECT(Rect(rect.left + 1, rect.top + 1, rect.right, rect.bottom));
    FillRect(deviceContext, &inside, brush);
    SelectObject(deviceContext, previousPen);
}

void DrawContext::setFrameColor(const Color& color) {
    frameColor = color;
    LOGPEN description;
    description.lopnStyle = PS_SOLID;
    description.lopnWidth.x = lineWidth;
    description.lopnWidth.y = lineWidth;
    description.lopnColor = color.toColorRef();
    HPEN newPen = CreatePenIndirect(&description);
    // Without a new pen the old one stays selected: deleting it would leave the device
    // context drawing with a dead handle.
    if (!newPen) {
        return;
    }
    SelectObject(deviceContext, newPen);
    if (pen) {
        DeleteObject(pen);
    }
    pen = newPen;
}

void DrawContext::setFillColor(const Color& color) {
    fillColor = color;
    SetBkColor(deviceContext, color.toColorRef());
    LOGBRUSH description;
    description.lbStyle = BS_SOLID;
    description.lbColor = color.toColorRef();
    description.lbHatch = 0;
    HBRUSH newBrush = CreateBrushIndirect(&description);
    if (!newBrush) {
        return;
    }
    SelectObject(deviceContext, newBrush);
    if (brush) {
        DeleteObject(brush);
    }
    brush = newBrush;
}

void DrawContext::setFontColor(const Color& color) {
    fontColor = color;
    SetTextColor(deviceContext, color.toColorRef());
}

LOGFONTA DrawContext::describeFont(int32 fontId, int32 size, int32 style) {
    if (fontId < 0 || fontId >= fontCount) {
        fontId = boldFontId;
    }
    if (size == 0) {
        size = fontTable[fontId].defaultSize;
    }
    LOGFONTA description;
    std::memset(&description, 0, sizeof description);
    // A negative height asks for the character height rather than the cell height.
    description.lfHeight = -size;
    description.lfWeight = (style & fontStyleBold) ? FW_BOLD : FW_NORMAL;
    description.lfItalic = (style & fontStyleItalic) ? 1 : 0;
    description.lfUnderline = (style & fontStyleUnderline) ? 1 : 0;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_STRING_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = swissPitchAndFamily;
    if (fontId == symbolFontId) {
        description.lfPitchAndFamily = decorativePitchAndFamily;
    }
    if (fontId == boldFontId) {
        description.lfWeight = FW_BOLD;
    }
    std::strncpy(description.lfFaceName, fontTable[fontId].face, sizeof description.lfFaceName - 1);
    return description;
}

void DrawContext::setFont(int32 requestedFontId, int32 size, int32 style) {
    LOGFONTA description = describeFont(requestedFontId, size, style);
    fontId = (requestedFontId < 0 || requestedFontId >= fontCount) ? boldFontId : requestedFontId;
    fontSize = -description.lfHeight;
    HFONT newFont = CreateFontIndirectA(&description);
    if (!newFont) {
        return;
    }
    SelectObject(deviceContext, newFont);
    if (font) {
        DeleteObject(font);
    }
    font = newFont;
}

void DrawContext::drawString(const char* text, const Rect& rect, bool opaque, int32 alignment) {
    if (!text) {
        return;
    }
    SetBkMode(deviceContext, opaque ? OPAQUE : TRANSPARENT);
    RECT area = toRECT(rect);
    UINT format = singleLineFormat;
    if (alignment == alignCenter) {
        format |= DT_CENTER;
    } else if (alignment == alignRight) {
        format |= DT_RIGHT;
    } else {
        // Left-aligned text keeps one pixel clear of the edge.
        format |= DT_LEFT;
        area.left += 1;
    }
    std::size_t length = std::strlen(text);
    int drawnLength =
        length > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(length);
    DrawTextA(deviceContext, text, drawnLength, &area, format);
    SetBkMode(deviceContext, TRANSPARENT);
}

DrawContext::int32 DrawContext::getMouseButtons() {
    return currentMouseButtons();
}

DrawContext::int32 DrawContext::currentMouseButtons() {
    int32 buttons = 0;
    if (keyIsDown(VK_LBUTTON)) {
        buttons |= buttonsSwapped ? rightButton : leftButton;
    }
    if (keyIsDown(VK_MBUTTON)) {
        buttons |= middleButton;
    }
    if (keyIsDown(VK_RBUTTON)) {
        buttons |= buttonsSwapped ? leftButton : rightButton;
    }
    if (keyIsDown(VK_SHIFT)) {
        buttons |= shiftKey;
    }
    if (keyIsDown(VK_CONTROL)) {
        buttons |= controlKey;
    }
    if (keyIsDown(VK_MENU)) {
        buttons |= altKey;
    }
    return buttons;
}

void DrawContext::getMouseLocation(Point& where) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) {
        cursor.x = 0;
        cursor.y = 0;
    }
    where = Point(cursor.x - windowOrigin.h, cursor.y - windowOrigin.v);
}
