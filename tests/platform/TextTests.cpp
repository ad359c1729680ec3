// DrawTextA: one line placed left, centred or right in its rectangle, centred vertically,
// clipped to the rectangle, with or without its background.
#include "PlatformTestSupport.h"

#include <algorithm>
#include <cstring>

using namespace platform_test;

namespace {

constexpr COLORREF ink = RGB(255, 255, 255);
constexpr COLORREF paper = RGB(0, 0, 0);

struct InkBounds {
    int left = 1 << 20;
    int top = 1 << 20;
    int right = -1; // inclusive
    int bottom = -1;
    bool any() const { return right >= 0; }
};

InkBounds inkBounds(const Image& image, COLORREF colour) {
    InkBounds bounds;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.at(x, y) == colour) {
                bounds.left = std::min(bounds.left, x);
                bounds.top = std::min(bounds.top, y);
                bounds.right = std::max(bounds.right, x);
                bounds.bottom = std::max(bounds.bottom, y);
            }
        }
    }
    return bounds;
}

class TextCanvas : public Canvas {
public:
    TextCanvas(int width, int height, int fontHeight, LONG weight = FW_BOLD)
        : Canvas(width, height, paper) {
        LOGFONTA description{};
        description.lfHeight = -fontHeight;
        description.lfWeight = weight;
        description.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
        std::strcpy(description.lfFaceName, "Arial");
        font = CreateFontIndirectA(&description);
        previousFont = SelectObject(dc(), font);
        SetTextColor(dc(), ink);
        SetBkMode(dc(), TRANSPARENT);
    }
    TextCanvas(const TextCanvas&) = delete;
    TextCanvas& operator=(const TextCanvas&) = delete;
    ~TextCanvas() {
        SelectObject(dc(), previousFont);
        DeleteObject(font);
    }

    int draw(const char* text, RECT area, UINT flags) {
        return DrawTextA(dc(), text, -1, &area, flags | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }

private:
    HFONT font;
    HGDIOBJ previousFont;
};

} // namespace

class Text : public PlatformTest {};

TEST_F(Text, AlignsLeftCentredAndRightWithinItsRectangle) {
    RECT area{10, 5, 90, 35};
    TextCanvas left(100, 40, 12);
    int height = left.draw("88", area, DT_LEFT);
    EXPECT_EQ(height, 14) << "ascent 11 plus descent 3 of a 12-pixel Arial";
    InkBounds leftInk = inkBounds(left.pixels(), ink);
    ASSERT_TRUE(leftInk.any());
    EXPECT_GE(leftInk.left, 10);
    EXPECT_LE(leftInk.left, 12);

    TextCanvas right(100, 40, 12);
    right.draw("88", area, DT_RIGHT);
    InkBounds rightInk = inkBounds(right.pixels(), ink);
    EXPECT_LE(rightInk.right, 89);
    EXPECT_GE(rightInk.right, 86);

    TextCanvas centre(100, 40, 12);
    centre.draw("88", area, DT_CENTER);
    InkBounds centreInk = inkBounds(centre.pixels(), ink);
    int inkMiddleTwice = centreInk.left + centreInk.right + 1;
    EXPECT_NEAR(inkMiddleTwice, area.left + area.right, 3);

    // The same glyphs, only moved: the three inks have one width and one vertical place.
    EXPECT_EQ(leftInk.right - leftInk.left, centreInk.right - centreInk.left);
    EXPECT_EQ(leftInk.right - leftInk.left, rightInk.right - rightInk.left);
    EXPECT_EQ(leftInk.top, centreInk.top);
    EXPECT_EQ(leftInk.bottom, rightInk.bottom);
}

TEST_F(Text, CentresTheLineVertically) {
    TextCanvas canvas(60, 60, 12);
    RECT area{0, 10, 60, 50};
    canvas.draw("8", area, DT_CENTER);
    InkBounds bounds = inkBounds(canvas.pixels(), ink);
    // The line box (14 pixels) starts at 10 + (40 - 14) / 2 = 23; a digit's ink runs from
    // the cap height down to the baseline, 11 pixels below the top of the line box.
    EXPECT_GE(bounds.top, 23);
    EXPECT_LE(bounds.bottom, 23 + 11);
    EXPECT_GE(bounds.bottom, 23 + 9);
}

TEST_F(Text, IsClippedToItsRectangle) {
    TextCanvas canvas(60, 30, 18);
    RECT area{20, 8, 30, 16};
    canvas.draw("WWWW", area, DT_CENTER);
    InkBounds bounds = inkBounds(canvas.pixels(), ink);
    ASSERT_TRUE(bounds.any());
    EXPECT_GE(bounds.left, 20);
    EXPECT_LE(bounds.right, 29);
    EXPECT_GE(bounds.top, 8);
    EXPECT_LE(bounds.bottom, 15);
}

TEST_F(Text, OpaqueModeFillsTheTextCellWithTheBackgroundColour) {
    const COLORREF cell = RGB(0, 0, 200);
    TextCanvas opaque(60, 30, 12);
    SetBkMode(opaque.dc(), OPAQUE);
    SetBkColor(opaque.dc(), cell);
    opaque.draw("1", RECT{0, 0, 60, 30}, DT_CENTER);
    InkBounds cellBounds = inkBounds(opaque.pixels(), cell);
    ASSERT_TRUE(cellBounds.any());
    EXPECT_EQ(cellBounds.bottom - cellBounds.top + 1, 14) << "one line high";
    EXPECT_LT(cellBounds.right - cellBounds.left + 1, 20) << "as wide as the text only";

    TextCanvas transparent(60, 30, 12);
    SetBkColor(transparent.dc(), cell);
    transparent.draw("1", RECT{0, 0, 60, 30}, DT_CENTER);
    EXPECT_FALSE(inkBounds(transparent.pixels(), cell).any());
}

TEST_F(Text, DrawsWithoutAntiAliasingAndBoldIsHeavier) {
    TextCanvas bold(80, 30, 14, FW_BOLD);
    TextCanvas regular(80, 30, 14, FW_NORMAL);
    bold.draw("Level", RECT{0, 0, 80, 30}, DT_LEFT);
    regular.draw("Level", RECT{0, 0, 80, 30}, DT_LEFT);
    auto count = [](const Image& image) {
        return std::count(image.pixels.begin(), image.pixels.end(), ink);
    };
    Image boldImage = bold.pixels();
    EXPECT_GT(count(boldImage), count(regular.pixels()));
    auto twoColours = std::all_of(boldImage.pixels.begin(), boldImage.pixels.end(),
                                  [](COLORREF pixel) { return pixel == ink || pixel == paper; });
    EXPECT_TRUE(twoColours);
}

TEST_F(Text, NullTextOrRectangleDrawsNothing) {
    TextCanvas canvas(10, 10, 12);
    RECT area{0, 0, 10, 10};
    EXPECT_EQ(DrawTextA(canvas.dc(), nullptr, -1, &area, DT_SINGLELINE), 0);
    EXPECT_EQ(DrawTextA(canvas.dc(), "x", -1, nullptr, DT_SINGLELINE), 0);
    EXPECT_FALSE(inkBounds(canvas.pixels(), ink).any());
}
