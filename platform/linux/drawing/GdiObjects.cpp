#include "platform/linux/drawing/GdiObjects.h"

#include <map>

namespace stepveil::platform {

namespace {

struct GdiTables {
    HandleTable<GdiObject> objects;
    std::map<int, std::uintptr_t> stock;
    std::map<int, std::uintptr_t> systemBrushes;
    int failuresToInject = 0;
};

GdiTables& tables() {
    static GdiTables instance;
    return instance;
}

std::uintptr_t addStock(std::shared_ptr<GdiObject> object) {
    object->stock = true;
    return tables().objects.add(std::move(object));
}

std::shared_ptr<GdiObject> makeStockObject(int index) {
    switch (index) {
    case stockWhiteBrush:
        return std::make_shared<BrushObject>(LOGBRUSH{BS_SOLID, RGB(255, 255, 255), 0});
    case stockBlackBrush:
        return std::make_shared<BrushObject>(LOGBRUSH{BS_SOLID, RGB(0, 0, 0), 0});
    case stockNullBrush:
        return std::make_shared<BrushObject>(LOGBRUSH{1 /* BS_NULL */, 0, 0});
    case stockWhitePen:
        return std::make_shared<PenObject>(LOGPEN{PS_SOLID, {0, 0}, RGB(255, 255, 255)});
    case stockBlackPen:
        return std::make_shared<PenObject>(LOGPEN{PS_SOLID, {0, 0}, RGB(0, 0, 0)});
    case stockNullPen:
        return std::make_shared<PenObject>(LOGPEN{PS_NULL, {0, 0}, 0});
    case stockSystemFont: {
        LOGFONTA font{};
        font.lfHeight = 16;
        font.lfWeight = FW_BOLD;
        font.lfFaceName[0] = '\0';
        return std::make_shared<FontObject>(font);
    }
    case stockDefaultBitmap:
        return std::make_shared<BitmapObject>(std::make_shared<Surface>(1, 1, true));
    default:
        return nullptr;
    }
}

// The default colours of the system colour indexes the layer answers for: those of the
// Win32 the layer is checked against (Wine's light scheme).
bool systemColour(int index, COLORREF& colour) {
    switch (index) {
    case 5: // COLOR_WINDOW
        colour = RGB(255, 255, 255);
        return true;
    case 8: // COLOR_WINDOWTEXT
        colour = RGB(0, 0, 0);
        return true;
    case COLOR_BTNFACE:
        colour = RGB(245, 245, 245);
        return true;
    default:
        return false;
    }
}

void releaseSelection(std::uintptr_t handle) {
    auto object = tables().objects.find(reinterpret_cast<const void*>(handle));
    if (!object) {
        return;
    }
    --object->selectionCount;
    if (object->selectionCount <= 0 && object->deletePending) {
        tables().objects.remove(reinterpret_cast<const void*>(handle));
    }
}

} // namespace

std::uintptr_t stockObject(int index) {
    auto& stock = tables().stock;
    auto found = stock.find(index);
    if (found != stock.end()) {
        return found->second;
    }
    auto object = makeStockObject(index);
    if (!object) {
        return 0;
    }
    std::uintptr_t handle = addStock(std::move(object));
    stock[index] = handle;
    return handle;
}

std::uintptr_t systemColourBrush(int colourIndex) {
    auto& brushes = tables().systemBrushes;
    auto found = brushes.find(colourIndex);
    if (found != brushes.end()) {
        return found->second;
    }
    COLORREF colour = 0;
    if (!systemColour(colourIndex, colour)) {
        return 0;
    }
    std::uintptr_t handle = addStock(std::make_shared<BrushObject>(LOGBRUSH{BS_SOLID, colour, 0}));
    brushes[colourIndex] = handle;
    return handle;
}

std::shared_ptr<GdiObject> findGdiObject(const void* handle) {
    auto object = tables().objects.find(handle);
    if (!object || object->deletePending) {
        return nullptr;
    }
    return object;
}

std::shared_ptr<DeviceContext> findDeviceContext(HDC handle) {
    auto object = findGdiObject(handle);
    if (!object || object->kind != GdiKind::DeviceContext) {
        return nullptr;
    }
    return std::static_pointer_cast<DeviceContext>(object);
}

std::shared_ptr<BitmapObject> findBitmap(const void* handle) {
    auto object = findGdiObject(handle);
    if (!object || object->kind != GdiKind::Bitmap) {
        return nullptr;
    }
    return std::static_pointer_cast<BitmapObject>(object);
}

std::uintptr_t addGdiObject(std::shared_ptr<GdiObject> object) {
    if (tables().failuresToInject > 0) {
        --tables().failuresToInject;
        return 0;
    }
    return tables().objects.add(std::move(object));
}

void removeGdiObject(std::uintptr_t handle) {
    tables().objects.remove(reinterpret_cast<const void*>(handle));
}

void markDrawn(DeviceContext& context, const RECT& area) {
    RECT clipped = intersection(area, context.clip);
    if (!isEmpty(clipped)) {
        context.drawn = unionOf(context.drawn, clipped);
    }
}

std::uintptr_t createDeviceContext(DcKind kind, HWND window, std::shared_ptr<Surface> target,
                                   RECT clip) {
    auto context = std::make_shared<DeviceContext>(kind, window, std::move(target), clip);
    std::uintptr_t handle = addGdiObject(context);
    if (handle == 0) {
        return 0;
    }
    replaceSelection(context->pen, stockObject(stockBlackPen));
    replaceSelection(context->brush, stockObject(stockWhiteBrush));
    replaceSelection(context->font, stockObject(stockSystemFont));
    if (kind == DcKind::Memory) {
        std::uintptr_t defaultBitmap = stockObject(stockDefaultBitmap);
        replaceSelection(context->bitmap, defaultBitmap);
        auto bitmap = findBitmap(reinterpret_cast<const void*>(defaultBitmap));
        context->target = bitmap->surface;
        context->clip = bitmap->surface->bounds();
    }
    return handle;
}

void destroyDeviceContext(std::uintptr_t handle) {
    auto context = findDeviceContext(reinterpret_cast<HDC>(handle));
    if (!context) {
        return;
    }
    if (auto bitmap = findBitmap(reinterpret_cast<const void*>(context->bitmap));
        bitmap && bitmap->selectedInto == handle) {
        bitmap->selectedInto = 0;
    }
    for (std::uintptr_t* slot :
         {&context->pen, &context->brush, &context->font, &context->bitmap}) {
        replaceSelection(*slot, 0);
    }
    tables().objects.remove(reinterpret_cast<const void*>(handle));
}

void replaceSelection(std::uintptr_t& slot, std::uintptr_t newObject) {
    std::uintptr_t previous = slot;
    slot = newObject;
    if (newObject != 0) {
        if (auto object = tables().objects.find(reinterpret_cast<const void*>(newObject))) {
            ++object->selectionCount;
        }
    }
    if (previous != 0) {
        releaseSelection(previous);
    }
}

std::size_t liveGdiObjectCount() {
    std::size_t count = 0;
    tables().objects.forEach([&count](std::uintptr_t, const std::shared_ptr<GdiObject>& object) {
        if (!object->stock && !object->deletePending) {
            ++count;
        }
    });
    return count;
}

void failGdiObjectCreations(int count) {
    tables().failuresToInject = count;
}

} // namespace stepveil::platform
