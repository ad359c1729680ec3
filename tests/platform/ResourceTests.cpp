// LoadBitmapA over registered .bmp bytes: 24-bit and 8-bit palette pictures become colour
// bitmaps; malformed files and other modules' handles give nothing.
#include "PlatformTestSupport.h"

#include "platform/linux/core/ModuleHandle.h"
#include "platform/resources.h"

#include <cstdint>
#include <vector>

using namespace platform_test;
using stepveil::platform::thisModuleHandle;

namespace {

void put16(std::vector<unsigned char>& bytes, std::size_t at, unsigned value) {
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
    for (int shift = 0; shift < 4; ++shift) {
        bytes[at + static_cast<std::size_t>(shift)] =
            static_cast<unsigned char>(value >> (8 * shift));
    }
}

// A bottom-up .bmp file whose pixel rows are given top row first.
std::vector<unsigned char> bmpFile(int width, int height, int bitsPerPixel,
                                   const std::vector<COLORREF>& palette,
                                   const std::vector<std::vector<unsigned char>>& rowsTopFirst) {
    std::size_t paletteBytes = palette.size() * 4;
    std::size_t rowBytes = static_cast<std::size_t>((width * bitsPerPixel + 31) / 32 * 4);
    std::size_t offset = 14 + 40 + paletteBytes;
    std::vector<unsigned char> bytes(offset + rowBytes * static_cast<std::size_t>(height), 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    put32(bytes, 10, static_cast<std::uint32_t>(offset));
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<std::uint32_t>(width));
    put32(bytes, 22, static_cast<std::uint32_t>(height));
    put16(bytes, 26, 1);
    put16(bytes, 28, static_cast<unsigned>(bitsPerPixel));
    put32(bytes, 46, static_cast<std::uint32_t>(palette.size()));
    for (std::size_t entry = 0; entry < palette.size(); ++entry) {
        bytes[54 + entry * 4] = GetBValue(palette[entry]);
        bytes[54 + entry * 4 + 1] = GetGValue(palette[entry]);
        bytes[54 + entry * 4 + 2] = GetRValue(palette[entry]);
    }
    for (int row = 0; row < height; ++row) {
        std::size_t start = offset + rowBytes * static_cast<std::size_t>(height - 1 - row);
        std::copy(rowsTopFirst[static_cast<std::size_t>(row)].begin(),
                  rowsTopFirst[static_cast<std::size_t>(row)].end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(start));
    }
    return bytes;
}

// An address inside this test program, naming the module the test resources belong to.
const char moduleMarker = 0;

Image loadAndCapture(int id) {
    HBITMAP bitmap = LoadBitmapA(thisModuleHandle(), MAKEINTRESOURCEA(id));
    if (bitmap == nullptr) {
        return Image{};
    }
    Image image = stepveil::platform::headless::captureBitmap(bitmap);
    DeleteObject(bitmap);
    return image;
}

} // namespace

class Resources : public PlatformTest {};

TEST_F(Resources, TwentyFourBitAndPaletteBitmapsLoadByIdTopRowFirst) {
    // 24-bit rows are blue, green, red per pixel.
    static const auto truecolour =
        bmpFile(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
    static const auto palette =
        bmpFile(3, 1, 8, {RGB(255, 255, 255), RGB(128, 128, 128), RGB(0, 0, 0)}, {{2, 1, 0}});
    stepveil::platform::registerBitmapResource(&moduleMarker, 901, truecolour.data(),
                                               truecolour.size());
    stepveil::platform::registerBitmapResource(&moduleMarker, 902, palette.data(), palette.size());

    Image colour = loadAndCapture(901);
    ASSERT_EQ(colour.width, 2);
    ASSERT_EQ(colour.height, 2);
    EXPECT_EQ(colour.at(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(colour.at(1, 0), RGB(0, 255, 0));
    EXPECT_EQ(colour.at(0, 1), RGB(0, 0, 255));
    EXPECT_EQ(colour.at(1, 1), RGB(255, 255, 255));

    Image grey = loadAndCapture(902);
    ASSERT_EQ(grey.width, 3);
    EXPECT_EQ(grey.at(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(grey.at(1, 0), RGB(128, 128, 128));
    EXPECT_EQ(grey.at(2, 0), RGB(255, 255, 255));

    HBITMAP bitmap = LoadBitmapA(thisModuleHandle(), "#902");
    BITMAP description{};
    GetObjectA(bitmap, sizeof description, &description);
    EXPECT_EQ(description.bmBitsPixel, 32) << "a device bitmap of the screen's format";
    DeleteObject(bitmap);

    EXPECT_EQ(
        LoadBitmapA(reinterpret_cast<HINSTANCE>(std::uintptr_t{0x1000}), MAKEINTRESOURCEA(901)),
        nullptr)
        << "another module's resources";
    EXPECT_EQ(LoadBitmapA(thisModuleHandle(), MAKEINTRESOURCEA(903)), nullptr);
    stepveil::platform::unregisterBitmapResources(&moduleMarker);
    EXPECT_EQ(LoadBitmapA(thisModuleHandle(), MAKEINTRESOURCEA(901)), nullptr);
}

TEST_F(Resources, MalformedFilesGiveNoBitmap) {
    static auto truncated = bmpFile(4, 4, 24, {}, std::vector<std::vector<unsigned char>>(4));
    truncated.resize(truncated.size() - 1);
    static auto hugeWidth = bmpFile(1, 1, 24, {}, {{0, 0, 0}});
    put32(hugeWidth, 18, 0x7FFFFFFF);
    static auto compressed = bmpFile(1, 1, 8, {0}, {{0}});
    put32(compressed, 30, 1); // run-length encoded
    static auto paletteOverflow = bmpFile(1, 1, 8, {0}, {{0}});
    put32(paletteOverflow, 46, 0x40000000);
    int id = 910;
    for (const auto* file : {&truncated, &hugeWidth, &compressed, &paletteOverflow}) {
        stepveil::platform::registerBitmapResource(&moduleMarker, id, file->data(), file->size());
        EXPECT_EQ(LoadBitmapA(thisModuleHandle(), MAKEINTRESOURCEA(id)), nullptr) << id;
        ++id;
    }
    stepveil::platform::unregisterBitmapResources(&moduleMarker);
}
