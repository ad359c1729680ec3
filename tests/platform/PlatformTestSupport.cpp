#include "PlatformTestSupport.h"
#include "tests/HeadlessDisplayChoice.h"

namespace platform_test {

Canvas::Canvas(int width, int height, COLORREF background, bool monochrome) {
    context = CreateCompatibleDC(nullptr);
    picture = monochrome ? CreateBitmap(width, height, 1, 1, nullptr)
                         : CreateBitmap(width, height, 1, 32, nullptr);
    previous = SelectObject(context, picture);
    LOGBRUSH description{BS_SOLID, background, 0};
    HBRUSH brush = CreateBrushIndirect(&description);
    RECT whole{0, 0, width, height};
    FillRect(context, &whole, brush);
    DeleteObject(brush);
}

Canvas::~Canvas() {
    SelectObject(context, previous);
    DeleteDC(context);
    DeleteObject(picture);
}

std::string pattern(const Image& image, COLORREF ink) {
    std::string rows;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            rows += image.at(x, y) == ink ? '#' : '.';
        }
        rows += '\n';
    }
    return rows;
}

} // namespace platform_test
