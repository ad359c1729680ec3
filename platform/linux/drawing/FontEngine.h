// Text for DrawTextA: faces found through fontconfig by the LOGFONTA's face name, weight and
// slant, rendered by FreeType one bit per pixel (no anti-aliasing), as GDI draws text at its
// default quality.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace stepveil::platform {

struct Glyph {
    int advance = 0; // pixels to the next glyph's origin
    int left = 0;    // from the origin to the bitmap's left column
    int top = 0;     // from the baseline up to the bitmap's top row
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> coverage; // width x height, 1 where the glyph is inked
};

class RealizedFont {
public:
    virtual ~RealizedFont() = default;
    virtual int ascent() const = 0;
    virtual int descent() const = 0;
    virtual int underlinePosition() const = 0; // pixels below the baseline
    virtual int underlineThickness() const = 0;
    virtual bool underline() const = 0;
    virtual const Glyph& glyph(char32_t character) = 0;
};

// The font for a description, shared between calls; null when no face could be found or
// loaded. The caller holds the layer lock.
std::shared_ptr<RealizedFont> realizeFont(const LOGFONTA& description);

} // namespace stepveil::platform
