// Shared helpers of the platform layer's tests: a memory context over a fresh bitmap, and
// reading its pixels back.
#pragma once

#include "platform/headless.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <string>

namespace platform_test {

using stepveil::platform::headless::Image;

// A memory device context holding a colour bitmap of the given size, cleared to a colour.
class Canvas {
public:
    Canvas(int width, int height, COLORREF background = RGB(0, 0, 0), bool monochrome = false);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas();

    HDC dc() const { return context; }
    HBITMAP bitmap() const { return picture; }
    Image pixels() const { return stepveil::platform::headless::captureBitmap(picture); }
    COLORREF at(int x, int y) const { return pixels().at(x, y); }

private:
    HDC context;
    HBITMAP picture;
    HGDIOBJ previous;
};

// Rows of characters, one per pixel: '#' where the pixel has `ink`, '.' elsewhere.
std::string pattern(const Image& image, COLORREF ink);

// Each test starts from the layer's default input, clock and system answers.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { stepveil::platform::headless::reset(); }
    void TearDown() override { stepveil::platform::headless::reset(); }
};

} // namespace platform_test
