// Saving headless images as PNG files through libpng.
#include "platform/headless.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace stepveil::platform::headless {

bool savePng(const Image& image, const std::string& path) {
    if (image.width <= 0 || image.height <= 0) {
        return false;
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         &std::fclose);
    if (!file) {
        return false;
    }
    png_image description{};
    description.version = PNG_IMAGE_VERSION;
    description.width = static_cast<png_uint_32>(image.width);
    description.height = static_cast<png_uint_32>(image.height);
    description.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rows;
    rows.reserve(image.pixels.size() * 3);
    for (COLORREF pixel : image.pixels) {
        rows.push_back(GetRValue(pixel));
        rows.push_back(GetGValue(pixel));
        rows.push_back(GetBValue(pixel));
    }
    bool written =
        png_image_write_to_stdio(&description, file.get(), 0, rows.data(), 0, nullptr) != 0;
    png_image_free(&description);
    return written;
}

} // namespace stepveil::platform::headless
