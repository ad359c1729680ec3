#include "Picture.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (unsigned shift = 0; shift < 4; ++shift) {
        bytes[at + shift] = static_cast<std::uint8_t>((value >> (8 * shift)) & 0xFF);
    }
}

// File header and BITMAPINFOHEADER for an uncompressed bottom-up picture.
std::vector<std::uint8_t> bmpHeader(int width, int height, unsigned bitsPerPixel,
                                    std::size_t paletteEntries, std::size_t pixelBytes) {
    std::size_t offset = 14 + 40 + paletteEntries * 4;
    std::vector<std::uint8_t> bytes(offset, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, static_cast<std::uint32_t>(offset + pixelBytes));
    put32(bytes, 10, static_cast<std::uint32_t>(offset));
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<std::uint32_t>(width));
    put32(bytes, 22, static_cast<std::uint32_t>(height));
    put16(bytes, 26, 1);
    put16(bytes, 28, bitsPerPixel);
    put32(bytes, 34, static_cast<std::uint32_t>(pixelBytes));
    put32(bytes, 38, 2835); // 72 dots per inch
    put32(bytes, 42, 2835);
    put32(bytes, 46, static_cast<std::uint32_t>(paletteEntries));
    return bytes;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

bool same(Colour first, Colour second) {
    return first.red == second.red && first.green == second.green && first.blue == second.blue;
}

} // namespace

Colour mix(Colour from, Colour to, double amount) {
    auto channel = [amount](std::uint8_t start, std::uint8_t end) {
        return static_cast<std::uint8_t>(std::lround(start + (end - start) * amount));
    };
    return Colour{channel(from.red, to.red), channel(from.green, to.green),
                  channel(from.blue, to.blue)};
}

Picture::Picture(int width, int height, Colour background)
    : pictureWidth(width), pictureHeight(height),
      pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background) {}

Colour Picture::pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pictureWidth) +
                  static_cast<std::size_t>(x)];
}

void Picture::set(int x, int y, Colour colour) {
    if (x < 0 || y < 0 || x >= pictureWidth || y >= pictureHeight) {
        return;
    }
    pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pictureWidth) +
           static_cast<std::size_t>(x)] = colour;
}

void Picture::fill(int left, int top, int right, int bottom, Colour colour) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            set(x, y, colour);
        }
    }
}

void Picture::verticalGradient(int left, int top, int right, int bottom, Colour from, Colour to) {
    int span = std::max(bottom - top - 1, 1);
    for (int y = top; y < bottom; ++y) {
        fill(left, y, right, y + 1, mix(from, to, static_cast<double>(y - top) / span));
    }
}

void Picture::bevel(int left, int top, int right, int bottom, Colour light, Colour dark) {
    fill(left, top, right, top + 1, light);
    fill(left, top, left + 1, bottom, light);
    fill(left, bottom - 1, right, bottom, dark);
    fill(right - 1, top, right, bottom, dark);
}

bool Picture::save24(const std::string& path) const {
    std::size_t rowBytes = (static_cast<std::size_t>(pictureWidth) * 3 + 3) / 4 * 4;
    std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(pictureHeight);
    std::vector<std::uint8_t> bytes = bmpHeader(pictureWidth, pictureHeight, 24, 0, pixelBytes);
    for (int y = pictureHeight - 1; y >= 0; --y) {
        std::size_t rowStart = bytes.size();
        for (int x = 0; x < pictureWidth; ++x) {
            Colour colour = pixel(x, y);
            bytes.insert(bytes.end(), {colour.blue, colour.green, colour.red});
        }
        bytes.resize(rowStart + rowBytes, 0);
    }
    return writeFile(path, bytes);
}

bool Picture::save8(const std::string& path, const std::vector<Colour>& palette) const {
    std::size_t rowBytes = (static_cast<std::size_t>(pictureWidth) + 3) / 4 * 4;
    std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(pictureHeight);
    std::vector<std::uint8_t> bytes =
        bmpHeader(pictureWidth, pictureHeight, 8, palette.size(), pixelBytes);
    for (std::size_t entry = 0; entry < palette.size(); ++entry) {
        std::size_t at = 54 + entry * 4;
        bytes[at] = palette[entry].blue;
        bytes[at + 1] = palette[entry].green;
        bytes[at + 2] = palette[entry].red;
    }
    for (int y = pictureHeight - 1; y >= 0; --y) {
        std::size_t rowStart = bytes.size();
        for (int x = 0; x < pictureWidth; ++x) {
            auto entry = std::find_if(palette.begin(), palette.end(), [&](Colour candidate) {
                return same(candidate, pixel(x, y));
            });
            if (entry == palette.end()) {
                return false;
            }
            bytes.push_back(static_cast<std::uint8_t>(entry - palette.begin()));
        }
        bytes.resize(rowStart + rowBytes, 0);
    }
    return writeFile(path, bytes);
}
