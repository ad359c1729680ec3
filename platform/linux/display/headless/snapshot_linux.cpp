#include "platform/headless.h"
#include "platform/linux/core/ModuleHandle.h"
#include "platform/snapshot.h"

namespace stepveil::platform::snapshot {

HINSTANCE currentModule() {
    return thisModuleHandle();
}

bool readBitmap(HBITMAP bitmap, int& width, int& height, std::vector<COLORREF>& pixels) {
    headless::Image image = headless::captureBitmap(bitmap);
    if (image.width == 0) {
        return false;
    }
    width = image.width;
    height = image.height;
    pixels = std::move(image.pixels);
    return true;
}

} // namespace stepveil::platform::snapshot
