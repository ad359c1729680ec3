// Colours as the views store them, and the predefined colours every part of the editor uses.
#pragma once

#include "platform/win32.h"

#include <cstdint>

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t unused = 0; // never read; kept so colours keep their four-byte layout

    // Win32's COLORREF: red in the lowest byte, then green, then blue.
    COLORREF toColorRef() const {
        return static_cast<COLORREF>(red) | static_cast<COLORREF>(green) << 8 |
               static_cast<COLORREF>(blue) << 16;
    }

    // Colours are equal when they look equal: the unused byte does not count.
    bool sameRgb(const Color& other) const {
        return red == other.red && green == other.green && blue == other.blue;
    }
};

extern const Color blackColor;
extern const Color whiteColor;
extern const Color redColor;
extern const Color greenColor;
// The colour every new bitmap treats as transparent; the same value as white, kept apart so
// that changing one never changes the other.
extern const Color defaultTransparentColor;
