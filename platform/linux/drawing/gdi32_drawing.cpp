// gdi32 and user32 drawing calls: lines, rectangle fills, block transfers.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/drawing/GdiObjects.h"
#include "platform/linux/drawing/Raster.h"

using namespace stepveil::platform;

namespace {

// The colour a brush handle stands for: a brush object, or a system colour index plus one.
bool colourOfBrushHandle(HBRUSH brush, COLORREF& colour) {
    auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value > 0 && value <= 31) {
        brush = reinterpret_cast<HBRUSH>(systemColourBrush(static_cast<int>(value) - 1));
    }
    auto object = findGdiObject(brush);
    if (!object || object->kind != GdiKind::Brush) {
        return false;
    }
    const LOGBRUSH& description = static_cast<BrushObject&>(*object).description;
    if (description.lbStyle != BS_SOLID) {
        return false;
    }
    colour = description.lbColor;
    return true;
}

// FillRect fills a rectangle given right to left or bottom to top as well: the span from the
// first coordinate back to the second, that end left out, so (165, 110, 160, 100) covers
// columns 161 to 165 and rows 101 to 110, as Win32 fills it.
RECT fillAreaOf(const RECT& rect) {
    auto span = [](LONG from, LONG to, LONG& low, LONG& high) {
        low = from <= to ? from : to + 1;
        high = from <= to ? to : from + 1;
    };
    RECT area{};
    span(rect.left, rect.right, area.left, area.right);
    span(rect.top, rect.bottom, area.top, area.bottom);
    return area;
}

} // namespace

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context) {
        return FALSE;
    }
    if (previous != nullptr) {
        *previous = context->position;
    }
    context->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context) {
        return FALSE;
    }
    auto pen = findGdiObject(reinterpret_cast<const void*>(context->pen));
    POINT end{x, y};
    if (pen && pen->kind == GdiKind::Pen) {
        const LOGPEN& description = static_cast<PenObject&>(*pen).description;
        if (description.lopnStyle != PS_NULL) {
            drawLine(*context, context->position, end, description.lopnColor);
        }
    }
    context->position = end;
    return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    COLORREF colour = 0;
    if (!context || rect == nullptr || !colourOfBrushHandle(brush, colour)) {
        return 0;
    }
    fillArea(*context, fillAreaOf(*rect), colour);
    return 1;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rasterOperation) {
    auto lock = lockLayer();
    auto destinationContext = findDeviceContext(destination);
    auto sourceContext = findDeviceContext(source);
    if (!destinationContext || (source != nullptr && !sourceContext)) {
        return FALSE;
    }
    return blockTransfer(*destinationContext, x, y, width, height, sourceContext.get(), sourceX,
                         sourceY, rasterOperation)
               ? TRUE
               : FALSE;
}

BOOL TransparentBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, UINT transparentColour) {
    auto lock = lockLayer();
    auto destinationContext = findDeviceContext(destination);
    auto sourceContext = findDeviceContext(source);
    if (!destinationContext || !sourceContext) {
        return FALSE;
    }
    RECT destinationArea{x, y, x + width, y + height};
    RECT sourceArea{sourceX, sourceY, sourceX + sourceWidth, sourceY + sourceHeight};
    return transparentTransfer(*destinationContext, destinationArea, *sourceContext, sourceArea,
                               transparentColour)
               ? TRUE
               : FALSE;
}
