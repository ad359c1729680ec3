// user32's DrawTextA: one line of text placed in a rectangle, in the context's font, text
// colour and background mode.
#include "platform/linux/core/AnsiText.h"
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/drawing/FontEngine.h"
#include "platform/linux/drawing/GdiObjects.h"
#include "platform/linux/drawing/Raster.h"

#include <cstring>

using namespace stepveil::platform;

namespace {

constexpr UINT noClip = 0x00000100; // DT_NOCLIP

// Removes the ampersands that mark mnemonic characters; "&&" stands for one ampersand.
std::u32string withoutPrefixes(const std::u32string& text) {
    std::u32string result;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == U'&') {
            ++index;
            if (index == text.size()) {
                break;
            }
        }
        result.push_back(text[index]);
    }
    return result;
}

int textWidth(RealizedFont& font, const std::u32string& text) {
    int width = 0;
    for (char32_t character : text) {
        width += font.glyph(character).advance;
    }
    return width;
}

void drawGlyph(DeviceContext& context, const Glyph& glyph, int originX, int baseline,
               const RECT& clip, COLORREF colour) {
    int glyphLeft = originX + glyph.left;
    int glyphTop = baseline - glyph.top;
    markDrawn(context, intersection(RECT{glyphLeft, glyphTop, glyphLeft + glyph.width,
                                         glyphTop + glyph.height},
                                    clip));
    for (int row = 0; row < glyph.height; ++row) {
        int y = baseline - glyph.top + row;
        if (y < clip.top || y >= clip.bottom) {
            continue;
        }
        for (int column = 0; column < glyph.width; ++column) {
            int x = originX + glyph.left + column;
            if (x < clip.left || x >= clip.right ||
                glyph.coverage[static_cast<std::size_t>(row * glyph.width + column)] == 0) {
                continue;
            }
            context.target->setPixel(x, y, colour);
        }
    }
}

} // namespace

int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context || text == nullptr || rect == nullptr) {
        return 0;
    }
    auto fontObject = findGdiObject(reinterpret_cast<const void*>(context->font));
    if (!fontObject || fontObject->kind != GdiKind::Font) {
        return 0;
    }
    auto font = realizeFont(static_cast<FontObject&>(*fontObject).description);
    if (!font) {
        return 0;
    }
    std::size_t byteCount = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    std::u32string characters = decodeAnsiText(text, byteCount);
    if ((format & DT_NOPREFIX) == 0) {
        characters = withoutPrefixes(characters);
    }

    int width = textWidth(*font, characters);
    int height = font->ascent() + font->descent();
    // Centring as Win32 rounds it: horizontally the middle of left + right - width,
    // vertically the rectangle's middle less half the line height.
    int x = rect->left;
    if (format & DT_CENTER) {
        x = (rect->left + rect->right - width) / 2;
    } else if (format & DT_RIGHT) {
        x = rect->right - width;
    }
    int y = rect->top;
    if ((format & DT_VCENTER) && (format & DT_SINGLELINE)) {
        y = rect->top + (rect->bottom - rect->top) / 2 - height / 2;
    }
    if (!context->target) {
        return height;
    }

    RECT clip = context->clip;
    if ((format & noClip) == 0) {
        clip = intersection(clip, *rect);
    }
    if (context->backgroundMode == OPAQUE) {
        RECT cell = intersection(RECT{x, y, x + width, y + height}, clip);
        context->target->fill(cell, context->target->realize(context->backgroundColour));
        markDrawn(*context, cell);
    }
    COLORREF colour = context->target->realize(context->textColour);
    int baseline = y + font->ascent();
    int penX = x;
    for (char32_t character : characters) {
        const Glyph& glyph = font->glyph(character);
        drawGlyph(*context, glyph, penX, baseline, clip, colour);
        penX += glyph.advance;
    }
    if (font->underline()) {
        int top = baseline + font->underlinePosition();
        RECT line = intersection(RECT{x, top, x + width, top + font->underlineThickness()}, clip);
        context->target->fill(line, colour);
        markDrawn(*context, line);
    }
    return height;
}
