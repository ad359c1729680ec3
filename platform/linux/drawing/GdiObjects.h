// The objects behind GDI handles (pens, brushes, fonts, bitmaps, device contexts) and the
// table that owns them. Every function here expects the caller to hold the layer lock.
#pragma once

#include "platform/linux/core/HandleTable.h"
#include "platform/linux/drawing/Surface.h"
#include "platform/win32.h"

#include <memory>

namespace stepveil::platform {

enum class GdiKind { Pen, Brush, Font, Bitmap, DeviceContext };

struct GdiObject {
    explicit GdiObject(GdiKind objectKind) : kind(objectKind) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    virtual ~GdiObject() = default;

    GdiKind kind;
    bool stock = false;
    // How many device contexts have the object selected. DeleteObject on a selected object
    // only marks it; it goes when the last context lets go of it.
    int selectionCount = 0;
    bool deletePending = false;
};

struct PenObject : GdiObject {
    explicit PenObject(const LOGPEN& pen) : GdiObject(GdiKind::Pen), description(pen) {}
    LOGPEN description;
};

struct BrushObject : GdiObject {
    explicit BrushObject(const LOGBRUSH& brush) : GdiObject(GdiKind::Brush), description(brush) {}
    LOGBRUSH description;
};

struct FontObject : GdiObject {
    explicit FontObject(const LOGFONTA& font) : GdiObject(GdiKind::Font), description(font) {}
    LOGFONTA description;
};

struct BitmapObject : GdiObject {
    explicit BitmapObject(std::shared_ptr<Surface> pixels)
        : GdiObject(GdiKind::Bitmap), surface(std::move(pixels)) {}
    std::shared_ptr<Surface> surface;
    std::uintptr_t selectedInto = 0; // the memory device context holding it, if any
};

enum class DcKind { Memory, Window, Screen };

struct DeviceContext : GdiObject {
    DeviceContext(DcKind contextKind, HWND owner, std::shared_ptr<Surface> drawnOn, RECT clipTo)
        : GdiObject(GdiKind::DeviceContext), dcKind(contextKind), window(owner),
          target(std::move(drawnOn)), clip(clipTo) {}

    DcKind dcKind;
    HWND window;
    std::shared_ptr<Surface> target; // null for the screen, which headless has none of
    RECT clip;                       // in surface pixels; nothing is drawn outside it
    RECT drawn{0, 0, 0, 0};          // bounding box of what was drawn, inside the clip
    std::uintptr_t pen = 0;
    std::uintptr_t brush = 0;
    std::uintptr_t font = 0;
    std::uintptr_t bitmap = 0; // memory contexts only
    COLORREF backgroundColour = 0x00FFFFFF;
    COLORREF textColour = 0;
    int backgroundMode = OPAQUE;
    POINT position{0, 0};
};

// Stock object indexes of Win32 that the layer keeps (GetStockObject's numbering), and one
// of its own for the 1 x 1 monochrome bitmap every new memory context holds.
enum StockIndex {
    stockWhiteBrush = 0,
    stockBlackBrush = 4,
    stockNullBrush = 5,
    stockWhitePen = 6,
    stockBlackPen = 7,
    stockNullPen = 8,
    stockSystemFont = 13,
    stockDefaultBitmap = 1000,
};

std::uintptr_t stockObject(int index);
std::uintptr_t systemColourBrush(int colourIndex);

std::shared_ptr<GdiObject> findGdiObject(const void* handle);
std::shared_ptr<DeviceContext> findDeviceContext(HDC handle);
std::shared_ptr<BitmapObject> findBitmap(const void* handle);

// Adds a new object unless a test asked object creation to fail; 0 when it does.
std::uintptr_t addGdiObject(std::shared_ptr<GdiObject> object);

// Forgets an object that no context holds selected.
void removeGdiObject(std::uintptr_t handle);

std::uintptr_t createDeviceContext(DcKind kind, HWND window, std::shared_ptr<Surface> target,
                                   RECT clip);
// Lets go of everything the context holds selected and forgets the context.
void destroyDeviceContext(std::uintptr_t handle);

// Notes that the drawing calls touched `area` of the context's surface (clipped here), so
// that only the part drawn is shown again when a window context is given back.
void markDrawn(DeviceContext& context, const RECT& area);

// Replaces the object in one of the context's slots, keeping selection counts right.
void replaceSelection(std::uintptr_t& slot, std::uintptr_t newObject);

// Test support: live object count and injected creation failures.
std::size_t liveGdiObjectCount();
void failGdiObjectCreations(int count);

} // namespace stepveil::platform
