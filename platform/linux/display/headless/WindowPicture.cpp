#include "platform/linux/display/headless/WindowPicture.h"

#include <cstdlib>

namespace stepveil::platform {

namespace {

void drawChildren(const Window& window, headless::Image& image, POINT offset) {
    for (HWND childHandle : window.children) {
        auto child = findWindow(childHandle);
        if (!child || (child->style & WS_VISIBLE) == 0) {
            continue;
        }
        POINT origin{offset.x + child->position.x, offset.y + child->position.y};
        for (int y = 0; y < child->height; ++y) {
            for (int x = 0; x < child->width; ++x) {
                int targetX = origin.x + x;
                int targetY = origin.y + y;
                if (targetX >= 0 && targetY >= 0 && targetX < image.width &&
                    targetY < image.height) {
                    image.pixels[static_cast<std::size_t>(targetY) *
                                     static_cast<std::size_t>(image.width) +
                                 static_cast<std::size_t>(targetX)] = child->surface->pixel(x, y);
                }
            }
        }
        drawChildren(*child, image, origin);
    }
}

} // namespace

headless::Image surfacePicture(const Surface& surface) {
    headless::Image image;
    image.width = surface.width();
    image.height = surface.height();
    image.pixels.reserve(static_cast<std::size_t>(image.width) *
                         static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            image.pixels.push_back(surface.pixel(x, y));
        }
    }
    return image;
}

headless::Image windowPicture(const Window& window, bool withChildren) {
    headless::Image image = surfacePicture(*window.surface);
    if (withChildren) {
        drawChildren(window, image, POINT{0, 0});
    }
    return image;
}

void mirrorHostWindowPicture(HWND changed) {
    const char* path = std::getenv(hostWindowPictureVariable);
    if (path == nullptr || *path == '\0') {
        return;
    }
    if (auto shown = windowInNativeParent(changed)) {
        // A file that cannot be written is the host's to notice: it finds no picture.
        headless::savePng(windowPicture(*shown, true), path);
    }
}

} // namespace stepveil::platform
