#include "platform/snapshot.h"

namespace stepveil::platform::snapshot {

HINSTANCE currentModule() {
    return GetModuleHandleA(nullptr);
}

bool readBitmap(HBITMAP bitmap, int& width, int& height, std::vector<COLORREF>& pixels) {
    BITMAP description{};
    if (GetObjectA(bitmap, sizeof description, &description) == 0) {
        return false;
    }
    width = description.bmWidth;
    height = description.bmHeight;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    HDC screen = GetDC(nullptr);
    int copied =
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), rows.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (copied != height) {
        return false;
    }
    pixels.clear();
    for (DWORD pixel : rows) {
        // DIB pixels are blue, green, red from the low byte up; COLORREF is the other way.
        pixels.push_back(RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF));
    }
    return true;
}

} // namespace stepveil::platform::snapshot
