#include "platform/linux/drawing/BmpDecoder.h"

#include <cstdint>
#include <vector>

namespace stepveil::platform {

namespace {

constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t coreInfoHeaderSize = 40;

std::uint32_t read32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::uint16_t read16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

struct BmpLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool topDown = false;
    unsigned bitsPerPixel = 0;
    std::size_t pixelOffset = 0;
    std::size_t rowBytes = 0;
    std::vector<COLORREF> palette;
};

bool readLayout(const unsigned char* bytes, std::size_t size, BmpLayout& layout) {
    if (size < fileHeaderSize + coreInfoHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') {
        return false;
    }
    const unsigned char* info = bytes + fileHeaderSize;
    std::size_t infoSize = read32(info);
    auto signedHeight = static_cast<std::int32_t>(read32(info + 8));
    layout.width = static_cast<std::int32_t>(read32(info + 4));
    layout.height = signedHeight < 0 ? -static_cast<std::int64_t>(signedHeight) : signedHeight;
    layout.topDown = signedHeight < 0;
    layout.bitsPerPixel = read16(info + 14);
    std::uint32_t compression = read32(info + 16);
    std::uint32_t coloursUsed = read32(info + 32);
    layout.pixelOffset = read32(bytes + 10);
    bool supportedDepth = layout.bitsPerPixel == 1 || layout.bitsPerPixel == 4 ||
                          layout.bitsPerPixel == 8 || layout.bitsPerPixel == 24 ||
                          layout.bitsPerPixel == 32;
    if (infoSize < coreInfoHeaderSize || infoSize > size - fileHeaderSize ||
        read16(info + 12) != 1 || compression != 0 || !supportedDepth || layout.width <= 0 ||
        layout.height <= 0 || layout.width * layout.height > maximumSurfacePixels) {
        return false;
    }
    layout.rowBytes = static_cast<std::size_t>((layout.width * layout.bitsPerPixel + 31) / 32 * 4);
    if (layout.pixelOffset > size ||
        layout.rowBytes * static_cast<std::size_t>(layout.height) > size - layout.pixelOffset) {
        return false;
    }
    if (layout.bitsPerPixel <= 8) {
        std::size_t entries =
            coloursUsed != 0 ? coloursUsed : (std::size_t{1} << layout.bitsPerPixel);
        std::size_t paletteStart = fileHeaderSize + infoSize;
        if (entries > 256 || paletteStart + entries * 4 > layout.pixelOffset) {
            return false;
        }
        for (std::size_t entry = 0; entry < entries; ++entry) {
            const unsigned char* quad = bytes + paletteStart + entry * 4;
            layout.palette.push_back(RGB(quad[2], quad[1], quad[0]));
        }
    }
    return true;
}

COLORREF pixelOf(const BmpLayout& layout, const unsigned char* row, std::size_t x) {
    switch (layout.bitsPerPixel) {
    case 24:
        return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    case 32:
        return RGB(row[x * 4 + 2], row[x * 4 + 1], row[x * 4]);
    default: {
        unsigned perByte = 8 / layout.bitsPerPixel;
        unsigned shift = (perByte - 1 - static_cast<unsigned>(x % perByte)) * layout.bitsPerPixel;
        std::size_t index = (row[x / perByte] >> shift) & ((1u << layout.bitsPerPixel) - 1);
        // An index past the palette shows black rather than reading past it.
        return index < layout.palette.size() ? layout.palette[index] : 0;
    }
    }
}

} // namespace

std::shared_ptr<Surface> decodeBmp(const unsigned char* bytes, std::size_t size) {
    BmpLayout layout;
    if (bytes == nullptr || !readLayout(bytes, size, layout)) {
        return nullptr;
    }
    auto width = static_cast<int>(layout.width);
    auto height = static_cast<int>(layout.height);
    auto surface = std::make_shared<Surface>(width, height, false);
    for (int y = 0; y < height; ++y) {
        int storedRow = layout.topDown ? y : height - 1 - y;
        const unsigned char* row =
            bytes + layout.pixelOffset + layout.rowBytes * static_cast<std::size_t>(storedRow);
        for (int x = 0; x < width; ++x) {
            surface->setPixel(x, y, pixelOf(layout, row, static_cast<std::size_t>(x)));
        }
    }
    return surface;
}

} // namespace stepveil::platform
