// gdi32: making, selecting, describing and deleting device contexts and drawing objects.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/drawing/GdiObjects.h"

#include <cstring>

using namespace stepveil::platform;

namespace {

template <typename Handle> Handle handleOf(std::uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

std::uintptr_t valueOf(const void* handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

bool sizeIsAcceptable(int width, int height) {
    return width > 0 && height > 0 &&
           static_cast<std::int64_t>(width) * height <= maximumSurfacePixels;
}

std::uintptr_t addBitmap(std::shared_ptr<Surface> surface) {
    return addGdiObject(std::make_shared<BitmapObject>(std::move(surface)));
}

// Copies caller-supplied bits: rows of 1-bit pixels (1 = white) or of 24- or 32-bit
// blue-green-red pixels, each row padded to a 16-bit boundary as for device bitmaps.
void copyInitialBits(Surface& surface, UINT bitsPerPixel, const BYTE* bits) {
    std::size_t rowBytes =
        ((static_cast<std::size_t>(surface.width()) * bitsPerPixel + 15) / 16) * 2;
    for (int y = 0; y < surface.height(); ++y) {
        const BYTE* row = bits + rowBytes * static_cast<std::size_t>(y);
        for (int x = 0; x < surface.width(); ++x) {
            COLORREF colour = 0;
            if (bitsPerPixel == 1) {
                bool white = (row[x / 8] >> (7 - x % 8)) & 1;
                colour = white ? monochromeWhite : monochromeBlack;
            } else {
                const BYTE* pixel = row + static_cast<std::size_t>(x) * (bitsPerPixel / 8);
                colour = RGB(pixel[2], pixel[1], pixel[0]);
            }
            surface.setPixel(x, y, colour);
        }
    }
}

int describeBitmap(const BitmapObject& bitmap, int size, LPVOID buffer) {
    if (buffer == nullptr) {
        return static_cast<int>(sizeof(BITMAP));
    }
    if (size < static_cast<int>(sizeof(BITMAP))) {
        return 0;
    }
    const Surface& surface = *bitmap.surface;
    BITMAP description{};
    description.bmType = 0;
    description.bmWidth = surface.width();
    description.bmHeight = surface.height();
    description.bmPlanes = 1;
    description.bmBitsPixel = surface.isMonochrome() ? 1 : 32;
    description.bmWidthBytes = ((surface.width() * description.bmBitsPixel + 15) / 16) * 2;
    description.bmBits = nullptr;
    std::memcpy(buffer, &description, sizeof description);
    return static_cast<int>(sizeof description);
}

template <typename Record> int describe(const Record& record, int size, LPVOID buffer) {
    if (buffer == nullptr) {
        return static_cast<int>(sizeof(Record));
    }
    if (size < static_cast<int>(sizeof(Record))) {
        return 0;
    }
    std::memcpy(buffer, &record, sizeof(Record));
    return static_cast<int>(sizeof(Record));
}

// Sets one of a device context's colours and answers the one it replaces, or CLR_INVALID for a
// handle that is no device context.
COLORREF exchangeColour(HDC dc, COLORREF DeviceContext::*field, COLORREF colour) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context) {
        return 0xFFFFFFFF; // CLR_INVALID
    }
    COLORREF previous = (*context).*field;
    (*context).*field = colour & colourMask;
    return previous;
}

} // namespace

HDC CreateCompatibleDC(HDC dc) {
    auto lock = lockLayer();
    if (dc != nullptr && !findDeviceContext(dc)) {
        return nullptr;
    }
    return handleOf<HDC>(createDeviceContext(DcKind::Memory, nullptr, nullptr, RECT{}));
}

BOOL DeleteDC(HDC dc) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    // Window contexts go back with ReleaseDC or EndPaint, never with DeleteDC.
    if (!context || context->dcKind != DcKind::Memory) {
        return FALSE;
    }
    destroyDeviceContext(valueOf(dc));
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context) {
        return nullptr;
    }
    if (width == 0 || height == 0) {
        return handleOf<HBITMAP>(stockObject(stockDefaultBitmap));
    }
    if (!sizeIsAcceptable(width, height)) {
        return nullptr;
    }
    // A memory context makes bitmaps like the one it holds: a context that still holds its
    // default monochrome bitmap makes monochrome ones, as in Win32.
    bool monochrome =
        context->dcKind == DcKind::Memory && context->target && context->target->isMonochrome();
    return handleOf<HBITMAP>(addBitmap(std::make_shared<Surface>(width, height, monochrome)));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
    auto lock = lockLayer();
    if (width == 0 || height == 0) {
        return handleOf<HBITMAP>(stockObject(stockDefaultBitmap));
    }
    if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) ||
        !sizeIsAcceptable(width, height)) {
        return nullptr;
    }
    auto surface = std::make_shared<Surface>(width, height, bitsPerPixel == 1);
    if (bits != nullptr) {
        copyInitialBits(*surface, bitsPerPixel, static_cast<const BYTE*>(bits));
    }
    return handleOf<HBITMAP>(addBitmap(std::move(surface)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
    auto lock = lockLayer();
    if (pen == nullptr || (pen->lopnStyle != PS_SOLID && pen->lopnStyle != PS_NULL)) {
        return nullptr;
    }
    return handleOf<HPEN>(addGdiObject(std::make_shared<PenObject>(*pen)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    auto lock = lockLayer();
    if (brush == nullptr || brush->lbStyle != BS_SOLID) {
        return nullptr;
    }
    return handleOf<HBRUSH>(addGdiObject(std::make_shared<BrushObject>(*brush)));
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
    auto lock = lockLayer();
    if (font == nullptr) {
        return nullptr;
    }
    LOGFONTA description = *font;
    description.lfFaceName[LF_FACESIZE - 1] = '\0';
    return handleOf<HFONT>(addGdiObject(std::make_shared<FontObject>(description)));
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    auto selected = findGdiObject(object);
    if (!context || !selected) {
        return nullptr;
    }
    std::uintptr_t previous = 0;
    switch (selected->kind) {
    case GdiKind::Pen:
        previous = context->pen;
        replaceSelection(context->pen, valueOf(object));
        break;
    case GdiKind::Brush:
        previous = context->brush;
        replaceSelection(context->brush, valueOf(object));
        break;
    case GdiKind::Font:
        previous = context->font;
        replaceSelection(context->font, valueOf(object));
        break;
    case GdiKind::Bitmap: {
        auto bitmap = std::static_pointer_cast<BitmapObject>(selected);
        bool heldElsewhere = bitmap->selectedInto != 0 && bitmap->selectedInto != valueOf(dc);
        if (context->dcKind != DcKind::Memory || (heldElsewhere && !bitmap->stock)) {
            return nullptr;
        }
        previous = context->bitmap;
        if (auto old = findBitmap(reinterpret_cast<const void*>(previous))) {
            old->selectedInto = 0;
        }
        if (!bitmap->stock) {
            bitmap->selectedInto = valueOf(dc);
        }
        replaceSelection(context->bitmap, valueOf(object));
        context->target = bitmap->surface;
        context->clip = bitmap->surface->bounds();
        break;
    }
    case GdiKind::DeviceContext:
        return nullptr;
    }
    return reinterpret_cast<HGDIOBJ>(previous);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context) {
        return nullptr;
    }
    switch (type) {
    case OBJ_PEN:
        return reinterpret_cast<HGDIOBJ>(context->pen);
    case OBJ_BRUSH:
        return reinterpret_cast<HGDIOBJ>(context->brush);
    case OBJ_FONT:
        return reinterpret_cast<HGDIOBJ>(context->font);
    case OBJ_BITMAP:
        return reinterpret_cast<HGDIOBJ>(context->bitmap);
    default:
        return nullptr;
    }
}

HGDIOBJ GetStockObject(int index) {
    auto lock = lockLayer();
    if (index < 0 || index >= stockDefaultBitmap) {
        return nullptr;
    }
    return reinterpret_cast<HGDIOBJ>(stockObject(index));
}

BOOL DeleteObject(HGDIOBJ object) {
    auto lock = lockLayer();
    auto found = findGdiObject(object);
    if (!found || found->kind == GdiKind::DeviceContext) {
        return FALSE;
    }
    if (found->stock) {
        return TRUE;
    }
    if (found->selectionCount > 0) {
        found->deletePending = true;
        return TRUE;
    }
    removeGdiObject(valueOf(object));
    return TRUE;
}

int GetObjectA(HANDLE object, int size, LPVOID buffer) {
    auto lock = lockLayer();
    auto found = findGdiObject(object);
    if (!found) {
        return 0;
    }
    switch (found->kind) {
    case GdiKind::Pen:
        return describe(static_cast<PenObject&>(*found).description, size, buffer);
    case GdiKind::Brush:
        return describe(static_cast<BrushObject&>(*found).description, size, buffer);
    case GdiKind::Font:
        return describe(static_cast<FontObject&>(*found).description, size, buffer);
    case GdiKind::Bitmap:
        return describeBitmap(static_cast<BitmapObject&>(*found), size, buffer);
    case GdiKind::DeviceContext:
        return 0;
    }
    return 0;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    return exchangeColour(dc, &DeviceContext::backgroundColour, colour);
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    return exchangeColour(dc, &DeviceContext::textColour, colour);
}

int SetBkMode(HDC dc, int mode) {
    auto lock = lockLayer();
    auto context = findDeviceContext(dc);
    if (!context || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    int previous = context->backgroundMode;
    context->backgroundMode = mode;
    return previous;
}
