// A rectangle of pixels that GDI draws on: a bitmap or a window. Pixels hold COLORREF
// values (red in the low byte); a monochrome surface holds only black (0) and white
// (0xFFFFFF), so bitwise raster operations work the same on both kinds.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <vector>

namespace stepveil::platform {

constexpr COLORREF colourMask = 0x00FFFFFF;
constexpr COLORREF monochromeWhite = 0x00FFFFFF;
constexpr COLORREF monochromeBlack = 0;

// The largest surface the layer makes, in pixels; bigger requests fail cleanly.
constexpr std::int64_t maximumSurfacePixels = std::int64_t{1} << 26;

class Surface {
public:
    Surface(int width, int height, bool monochrome);

    int width() const { return surfaceWidth; }
    int height() const { return surfaceHeight; }
    bool isMonochrome() const { return monochrome; }
    RECT bounds() const { return RECT{0, 0, surfaceWidth, surfaceHeight}; }

    COLORREF pixel(int x, int y) const { return pixels[index(x, y)]; }
    void setPixel(int x, int y, COLORREF colour) { pixels[index(x, y)] = colour; }
    // Row y's pixels from column x on, for work on whole runs of a row.
    const COLORREF* at(int x, int y) const { return pixels.data() + index(x, y); }
    COLORREF* at(int x, int y) { return pixels.data() + index(x, y); }

    // The colour a pen, brush or text colour takes on this surface: itself on a colour
    // surface, the nearer of black and white on a monochrome one.
    COLORREF realize(COLORREF colour) const;

    void fill(const RECT& area, COLORREF colour);

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(surfaceWidth) +
               static_cast<std::size_t>(x);
    }

    int surfaceWidth;
    int surfaceHeight;
    bool monochrome;
    std::vector<COLORREF> pixels;
};

// Rectangle helpers with Win32's exclusive right and bottom edges.
bool isEmpty(const RECT& rect);
RECT intersection(const RECT& first, const RECT& second);
RECT unionOf(const RECT& first, const RECT& second);
RECT offsetBy(const RECT& rect, int dx, int dy);

} // namespace stepveil::platform
