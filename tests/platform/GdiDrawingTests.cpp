// Lines, fills and block transfers, each checked against the pixels Win32 produces.
#include "PlatformTestSupport.h"

using namespace platform_test;
namespace headless = stepveil::platform::headless;

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF blue = RGB(0, 0, 255);

void selectPen(HDC dc, COLORREF colour) {
    LOGPEN description{PS_SOLID, {1, 1}, colour};
    DeleteObject(SelectObject(dc, CreatePenIndirect(&description)));
}

HBRUSH solidBrush(COLORREF colour) {
    LOGBRUSH description{BS_SOLID, colour, 0};
    return CreateBrushIndirect(&description);
}

void fill(HDC dc, RECT area, COLORREF colour) {
    HBRUSH brush = solidBrush(colour);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
}

} // namespace

class GdiDrawing : public PlatformTest {};

TEST_F(GdiDrawing, LineToLeavesOutItsEndPoint) {
    Canvas canvas(8, 5);
    selectPen(canvas.dc(), white);
    MoveToEx(canvas.dc(), 1, 1, nullptr);
    LineTo(canvas.dc(), 6, 1); // horizontal
    LineTo(canvas.dc(), 6, 4); // vertical, from the previous end point
    MoveToEx(canvas.dc(), 0, 4, nullptr);
    LineTo(canvas.dc(), 3, 1); // diagonal, upwards
    EXPECT_EQ(pattern(canvas.pixels(), white), "........\n"
                                               ".######.\n"
                                               "..#...#.\n"
                                               ".#....#.\n"
                                               "#.......\n");
    POINT previous{};
    MoveToEx(canvas.dc(), 0, 0, &previous);
    EXPECT_EQ(previous.x, 3);
    EXPECT_EQ(previous.y, 1);
}

TEST_F(GdiDrawing, OutlineAndFillOfOneRectangleMeetWithoutOverlap) {
    // The outline of (1,1)-(5,4) covers both end columns and rows; FillRect of its inside
    // (2,2)-(5,4) stops short of the right and bottom edges.
    Canvas canvas(7, 6);
    selectPen(canvas.dc(), white);
    MoveToEx(canvas.dc(), 1, 1, nullptr);
    LineTo(canvas.dc(), 5, 1);
    LineTo(canvas.dc(), 5, 4);
    LineTo(canvas.dc(), 1, 4);
    LineTo(canvas.dc(), 1, 1);
    fill(canvas.dc(), RECT{2, 2, 5, 4}, red);
    Image image = canvas.pixels();
    EXPECT_EQ(pattern(image, white), ".......\n"
                                     ".#####.\n"
                                     ".#...#.\n"
                                     ".#...#.\n"
                                     ".#####.\n"
                                     ".......\n");
    EXPECT_EQ(pattern(image, red), ".......\n"
                                   ".......\n"
                                   "..###..\n"
                                   "..###..\n"
                                   ".......\n"
                                   ".......\n");
}

TEST_F(GdiDrawing, NullPenDrawsNothingButMoves) {
    Canvas canvas(4, 1);
    HGDIOBJ previous = SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    EXPECT_TRUE(LineTo(canvas.dc(), 4, 0));
    EXPECT_EQ(pattern(canvas.pixels(), RGB(0, 0, 0)), "####\n");
    SelectObject(canvas.dc(), previous);
}

TEST_F(GdiDrawing, BlockTransferModesCombineSourceAndDestination) {
    Canvas source(2, 1);
    fill(source.dc(), RECT{0, 0, 1, 1}, RGB(0xF0, 0x0F, 0x33));
    fill(source.dc(), RECT{1, 0, 2, 1}, RGB(0x00, 0xFF, 0x00));

    for (auto [operation, expectedFirst, expectedSecond] :
         {std::tuple{SRCCOPY, RGB(0xF0, 0x0F, 0x33), RGB(0x00, 0xFF, 0x00)},
          std::tuple{SRCINVERT, RGB(0x5A, 0x0F, 0x66), RGB(0xAA, 0xFF, 0x55)},
          std::tuple{SRCAND, RGB(0xA0, 0x00, 0x11), RGB(0x00, 0x00, 0x00)}}) {
        Canvas destination(3, 1, RGB(0xAA, 0x00, 0x55));
        EXPECT_TRUE(BitBlt(destination.dc(), 1, 0, 2, 1, source.dc(), 0, 0, operation));
        EXPECT_EQ(destination.at(0, 0), RGB(0xAA, 0x00, 0x55)) << "outside stays";
        EXPECT_EQ(destination.at(1, 0), expectedFirst) << std::hex << operation;
        EXPECT_EQ(destination.at(2, 0), expectedSecond) << std::hex << operation;
    }
}

TEST_F(GdiDrawing, BlockTransferLeavesOutWhatLiesOutsideTheSource) {
    Canvas source(2, 2, red);
    Canvas destination(4, 4, blue);
    BitBlt(destination.dc(), 0, 0, 4, 4, source.dc(), -1, 0, SRCCOPY);
    EXPECT_EQ(pattern(destination.pixels(), red), ".##.\n"
                                                  ".##.\n"
                                                  "....\n"
                                                  "....\n");
}

TEST_F(GdiDrawing, BlockTransferWithinOneSurfaceReadsTheSourceBeforeWritingIt) {
    // An L of red moved by one pixel down and right, and back up and left, on its own surface:
    // each pixel ends as the source showed it before the transfer began.
    auto moveL = [](int fromX, int fromY, int toX, int toY) {
        Canvas canvas(4, 4, blue);
        fill(canvas.dc(), RECT{0, 0, 4, 1}, red);
        fill(canvas.dc(), RECT{0, 0, 1, 4}, red);
        BitBlt(canvas.dc(), toX, toY, 3, 3, canvas.dc(), fromX, fromY, SRCCOPY);
        return pattern(canvas.pixels(), red);
    };
    EXPECT_EQ(moveL(0, 0, 1, 1), "####\n"
                                 "####\n"
                                 "##..\n"
                                 "##..\n");
    EXPECT_EQ(moveL(1, 1, 0, 0), "...#\n"
                                 "....\n"
                                 "....\n"
                                 "#...\n");
}

TEST_F(GdiDrawing, ColourToMonochromeTurnsTheSourceBackgroundColourWhite) {
    Canvas source(3, 1, red);
    fill(source.dc(), RECT{1, 0, 2, 1}, blue);
    Canvas mask(3, 1, RGB(0, 0, 0), true);
    SetBkColor(source.dc(), blue);
    BitBlt(mask.dc(), 0, 0, 3, 1, source.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(pattern(mask.pixels(), white), ".#.\n");
}

TEST_F(GdiDrawing, MonochromeToColourUsesTheDestinationsTextAndBackgroundColours) {
    const BYTE bits[] = {0xA0, 0x00}; // 1 0 1 0, padded to 16 bits
    HBITMAP monochrome = CreateBitmap(4, 1, 1, 1, bits);
    HDC sourceDc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(sourceDc, monochrome);
    Canvas destination(4, 1);
    SetTextColor(destination.dc(), red);
    SetBkColor(destination.dc(), blue);
    BitBlt(destination.dc(), 0, 0, 4, 1, sourceDc, 0, 0, SRCCOPY);
    Image image = destination.pixels();
    EXPECT_EQ(pattern(image, blue), "#.#.\n") << "1 (white) takes the background colour";
    EXPECT_EQ(pattern(image, red), ".#.#\n") << "0 (black) takes the text colour";
    SelectObject(sourceDc, previous);
    DeleteDC(sourceDc);
    DeleteObject(monochrome);
}

// The two ways of drawing a picture with one transparent colour give the same pixels: the
// mask method of SRCINVERT, SRCAND, SRCINVERT, and TransparentBlt.
TEST_F(GdiDrawing, MaskMethodAndTransparentBltAgree) {
    Canvas picture(3, 2, white);
    fill(picture.dc(), RECT{1, 0, 2, 2}, red);
    fill(picture.dc(), RECT{2, 1, 3, 2}, RGB(1, 2, 3));
    const COLORREF background = RGB(0x40, 0x80, 0xC0);

    Canvas masked(3, 2, background);
    Canvas mask(3, 2, RGB(0, 0, 0), true);
    SetBkColor(masked.dc(), white);
    SetTextColor(masked.dc(), RGB(0, 0, 0));
    SetBkColor(picture.dc(), white);
    BitBlt(mask.dc(), 0, 0, 3, 2, picture.dc(), 0, 0, SRCCOPY);
    BitBlt(masked.dc(), 0, 0, 3, 2, picture.dc(), 0, 0, SRCINVERT);
    BitBlt(masked.dc(), 0, 0, 3, 2, mask.dc(), 0, 0, SRCAND);
    BitBlt(masked.dc(), 0, 0, 3, 2, picture.dc(), 0, 0, SRCINVERT);

    Canvas transparent(3, 2, background);
    EXPECT_TRUE(TransparentBlt(transparent.dc(), 0, 0, 3, 2, picture.dc(), 0, 0, 3, 2, white));

    for (const Canvas* result : {&masked, &transparent}) {
        Image image = result->pixels();
        EXPECT_EQ(pattern(image, background), "#.#\n"
                                              "#..\n");
        EXPECT_EQ(image.at(1, 1), red);
        EXPECT_EQ(image.at(2, 1), RGB(1, 2, 3));
    }
}

TEST_F(GdiDrawing, TransparentBltStretchesByNearestPixel) {
    Canvas picture(2, 1, red);
    fill(picture.dc(), RECT{1, 0, 2, 1}, white);
    Canvas destination(4, 2, blue);
    TransparentBlt(destination.dc(), 0, 0, 4, 2, picture.dc(), 0, 0, 2, 1, white);
    EXPECT_EQ(pattern(destination.pixels(), red), "##..\n"
                                                  "##..\n");
    EXPECT_FALSE(TransparentBlt(destination.dc(), 0, 0, -1, 1, picture.dc(), 0, 0, 1, 1, white));
}

TEST_F(GdiDrawing, FillRectTakesSystemColourIndexesAndRectanglesEitherWayRound) {
    Canvas canvas(4, 1);
    RECT all{0, 0, 4, 1};
    EXPECT_EQ(FillRect(canvas.dc(), &all, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)), 1);
    EXPECT_EQ(canvas.at(1, 0), RGB(245, 245, 245));
    fill(canvas.dc(), RECT{2, 0, 0, 1}, red); // right to left: columns 1 and 2
    fill(canvas.dc(), RECT{0, 0, 0, 1}, red); // empty
    EXPECT_EQ(pattern(canvas.pixels(), red), ".##.\n");
}

TEST_F(GdiDrawing, LinePassingBetweenTwoPixelsTakesTheUpperOrLeftOne) {
    Canvas forwards(5, 3);
    selectPen(forwards.dc(), white);
    MoveToEx(forwards.dc(), 0, 0, nullptr);
    LineTo(forwards.dc(), 4, 2);
    MoveToEx(forwards.dc(), 0, 2, nullptr);
    LineTo(forwards.dc(), 2, -2);
    EXPECT_EQ(pattern(forwards.pixels(), white), "##...\n"
                                                 "#.##.\n"
                                                 "#....\n");
    Canvas backwards(5, 3);
    selectPen(backwards.dc(), white);
    MoveToEx(backwards.dc(), 4, 2, nullptr);
    LineTo(backwards.dc(), 0, 0);
    EXPECT_EQ(pattern(backwards.pixels(), white), ".#...\n"
                                                  "..##.\n"
                                                  "....#\n");
}
