#include "platform/linux/drawing/Raster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace stepveil::platform {

namespace {

bool insideClip(const DeviceContext& context, int x, int y) {
    return x >= context.clip.left && x < context.clip.right && y >= context.clip.top &&
           y < context.clip.bottom;
}

void plot(DeviceContext& context, int x, int y, COLORREF colour) {
    if (context.target && insideClip(context, x, y)) {
        context.target->setPixel(x, y, colour);
    }
}

// The minor-axis offset of step `step` of a line that moves `minor` pixels over `major`
// steps, rounded to the nearest pixel. Exact halves round towards the start of the line when
// `halvesTowardsStart` is set, away from it otherwise.
int minorOffset(int step, int major, int minor, bool halvesTowardsStart) {
    long long twice = 2LL * step * minor + major - (halvesTowardsStart ? 1 : 0);
    return static_cast<int>(twice / (2LL * major));
}

// Applies a ternary raster operation to one pixel: each bit of the result is the bit of the
// operation code indexed by the pattern, source and destination bits.
COLORREF applyRasterOperation(DWORD rasterOperation, COLORREF pattern, COLORREF source,
                              COLORREF destination) {
    unsigned code = (rasterOperation >> 16) & 0xFF;
    COLORREF result = 0;
    for (unsigned combination = 0; combination < 8; ++combination) {
        if (((code >> combination) & 1) == 0) {
            continue;
        }
        COLORREF bits = ((combination & 4) ? pattern : ~pattern) &
                        ((combination & 2) ? source : ~source) &
                        ((combination & 1) ? destination : ~destination);
        result |= bits;
    }
    return result & colourMask;
}

bool usesSource(DWORD rasterOperation) {
    unsigned code = (rasterOperation >> 16) & 0xFF;
    return ((code >> 2) & 0x33) != (code & 0x33);
}

// Converts a source pixel to the destination's kind of surface.
COLORREF convertPixel(COLORREF pixel, const DeviceContext& source,
                      const DeviceContext& destination) {
    bool sourceMonochrome = source.target->isMonochrome();
    bool destinationMonochrome = destination.target->isMonochrome();
    if (sourceMonochrome == destinationMonochrome) {
        return pixel;
    }
    if (destinationMonochrome) {
        return pixel == source.backgroundColour ? monochromeWhite : monochromeBlack;
    }
    return pixel == monochromeWhite ? destination.backgroundColour : destination.textColour;
}

// A plain copy between surfaces of one kind, row by row: the transfer every control's drawing
// makes, which needs neither conversion nor a raster operation per pixel. Rows are copied in
// the order that reads each before it is overwritten when both areas lie on one surface.
void copyRows(const Surface& source, int sourceX, int sourceY, Surface& destination,
              const RECT& area) {
    const int rows = area.bottom - area.top;
    const std::size_t bytes = static_cast<std::size_t>(area.right - area.left) * sizeof(COLORREF);
    const bool upwards = &source == &destination && sourceY < area.top;
    for (int step = 0; step < rows; ++step) {
        const int row = upwards ? rows - 1 - step : step;
        std::memmove(destination.at(area.left, area.top + row), source.at(sourceX, sourceY + row),
                     bytes);
    }
}

} // namespace

void drawLine(DeviceContext& context, POINT from, POINT to, COLORREF colour) {
    if (!context.target) {
        return;
    }
    COLORREF realized = context.target->realize(colour);
    int dx = to.x - from.x;
    int dy = to.y - from.y;
    int stepX = dx < 0 ? -1 : 1;
    int stepY = dy < 0 ? -1 : 1;
    int absoluteX = std::abs(dx);
    int absoluteY = std::abs(dy);
    bool xMajor = absoluteX >= absoluteY;
    int steps = xMajor ? absoluteX : absoluteY;
    // Where the ideal line passes exactly between two pixels, Win32 takes the one with the
    // smaller minor coordinate (the upper or the left one), whichever way the line runs.
    bool halvesTowardsStart = xMajor ? dy > 0 : dx > 0;
    if (steps > 0) {
        markDrawn(context, RECT{std::min(from.x, to.x), std::min(from.y, to.y),
                                std::max(from.x, to.x) + 1, std::max(from.y, to.y) + 1});
    }
    for (int step = 0; step < steps; ++step) {
        int major = step;
        int minor = minorOffset(step, steps, xMajor ? absoluteY : absoluteX, halvesTowardsStart);
        int x = from.x + stepX * (xMajor ? major : minor);
        int y = from.y + stepY * (xMajor ? minor : major);
        plot(context, x, y, realized);
    }
}

void fillArea(DeviceContext& context, const RECT& area, COLORREF colour) {
    if (!context.target) {
        return;
    }
    context.target->fill(intersection(area, context.clip), context.target->realize(colour));
    markDrawn(context, area);
}

bool brushColour(const DeviceContext& context, COLORREF& colour) {
    auto object = findGdiObject(reinterpret_cast<const void*>(context.brush));
    if (!object || object->kind != GdiKind::Brush) {
        return false;
    }
    const LOGBRUSH& brush = static_cast<const BrushObject&>(*object).description;
    if (brush.lbStyle != BS_SOLID) {
        return false;
    }
    colour = brush.lbColor & colourMask;
    return true;
}

bool blockTransfer(DeviceContext& destination, int x, int y, int width, int height,
                   DeviceContext* source, int sourceX, int sourceY, DWORD rasterOperation) {
    bool needsSource = usesSource(rasterOperation);
    if (needsSource && source == nullptr) {
        return false;
    }
    if (!destination.target || width <= 0 || height <= 0) {
        return true;
    }
    RECT area{x, y, x + width, y + height};
    if (needsSource) {
        if (!source->target) {
            return true;
        }
        // Leave out what lies outside the source surface, on both sides of the transfer.
        RECT sourceArea = intersection(RECT{sourceX, sourceY, sourceX + width, sourceY + height},
                                       source->target->bounds());
        area = intersection(area, offsetBy(sourceArea, x - sourceX, y - sourceY));
    }
    area = intersection(area, destination.clip);
    if (isEmpty(area)) {
        return true;
    }
    markDrawn(destination, area);
    if (rasterOperation == SRCCOPY &&
        source->target->isMonochrome() == destination.target->isMonochrome()) {
        copyRows(*source->target, area.left - x + sourceX, area.top - y + sourceY,
                 *destination.target, area);
        return true;
    }
    COLORREF pattern = 0;
    if (brushColour(destination, pattern)) {
        pattern = destination.target->realize(pattern);
    }
    int areaWidth = area.right - area.left;
    // Read the whole source part first: source and destination may be the same surface.
    std::vector<COLORREF> sourcePixels;
    if (needsSource) {
        sourcePixels.reserve(static_cast<std::size_t>(areaWidth) *
                             static_cast<std::size_t>(area.bottom - area.top));
        for (int row = area.top; row < area.bottom; ++row) {
            for (int column = area.left; column < area.right; ++column) {
                COLORREF pixel = source->target->pixel(column - x + sourceX, row - y + sourceY);
                sourcePixels.push_back(convertPixel(pixel, *source, destination));
            }
        }
    }
    std::size_t index = 0;
    for (int row = area.top; row < area.bottom; ++row) {
        for (int column = area.left; column < area.right; ++column) {
            COLORREF sourcePixel = needsSource ? sourcePixels[index++] : 0;
            COLORREF result = applyRasterOperation(rasterOperation, pattern, sourcePixel,
                                                   destination.target->pixel(column, row));
            destination.target->setPixel(column, row, result);
        }
    }
    return true;
}

bool transparentTransfer(DeviceContext& destination, const RECT& destinationArea,
                         DeviceContext& source, const RECT& sourceArea, COLORREF transparent) {
    int destinationWidth = destinationArea.right - destinationArea.left;
    int destinationHeight = destinationArea.bottom - destinationArea.top;
    int sourceWidth = sourceArea.right - sourceArea.left;
    int sourceHeight = sourceArea.bottom - sourceArea.top;
    if (destinationWidth < 0 || destinationHeight < 0 || sourceWidth < 0 || sourceHeight < 0) {
        return false;
    }
    if (!destination.target || !source.target || destinationWidth == 0 || destinationHeight == 0 ||
        sourceWidth == 0 || sourceHeight == 0) {
        return true;
    }
    transparent &= colourMask;
    RECT area = intersection(destinationArea, destination.clip);
    markDrawn(destination, area);
    for (int row = area.top; row < area.bottom; ++row) {
        long long sourceRow = sourceArea.top + static_cast<long long>(row - destinationArea.top) *
                                                   sourceHeight / destinationHeight;
        for (int column = area.left; column < area.right; ++column) {
            long long sourceColumn =
                sourceArea.left + static_cast<long long>(column - destinationArea.left) *
                                      sourceWidth / destinationWidth;
            if (sourceColumn < 0 || sourceRow < 0 || sourceColumn >= source.target->width() ||
                sourceRow >= source.target->height()) {
                continue;
            }
            COLORREF pixel =
                source.target->pixel(static_cast<int>(sourceColumn), static_cast<int>(sourceRow));
            COLORREF converted = convertPixel(pixel, source, destination);
            if (converted == transparent) {
                continue;
            }
            destination.target->setPixel(column, row, converted);
        }
    }
    return true;
}

} // namespace stepveil::platform
