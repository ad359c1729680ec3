#include "platform/linux/drawing/Surface.h"

#include <algorithm>

namespace stepveil::platform {

Surface::Surface(int width, int height, bool isMonochrome)
    : surfaceWidth(std::max(width, 0)), surfaceHeight(std::max(height, 0)),
      monochrome(isMonochrome),
      pixels(static_cast<std::size_t>(surfaceWidth) * static_cast<std::size_t>(surfaceHeight), 0) {}

COLORREF Surface::realize(COLORREF colour) const {
    colour &= colourMask;
    if (!monochrome) {
        return colour;
    }
    int brightness = GetRValue(colour) + GetGValue(colour) + GetBValue(colour);
    return brightness * 2 > 3 * 255 ? monochromeWhite : monochromeBlack;
}

void Surface::fill(const RECT& area, COLORREF colour) {
    RECT clipped = intersection(area, bounds());
    for (int y = clipped.top; y < clipped.bottom; ++y) {
        for (int x = clipped.left; x < clipped.right; ++x) {
            setPixel(x, y, colour);
        }
    }
}

bool isEmpty(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

RECT intersection(const RECT& first, const RECT& second) {
    RECT result{std::max(first.left, second.left), std::max(first.top, second.top),
                std::min(first.right, second.right), std::min(first.bottom, second.bottom)};
    if (isEmpty(result)) {
        return RECT{0, 0, 0, 0};
    }
    return result;
}

RECT unionOf(const RECT& first, const RECT& second) {
    if (isEmpty(first)) {
        return second;
    }
    if (isEmpty(second)) {
        return first;
    }
    return RECT{std::min(first.left, second.left), std::min(first.top, second.top),
                std::max(first.right, second.right), std::max(first.bottom, second.bottom)};
}

RECT offsetBy(const RECT& rect, int dx, int dy) {
    return RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

} // namespace stepveil::platform
