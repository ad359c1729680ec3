// Drawing contexts, offscreen contexts and bitmaps, checked by their pixels.
#include "GuiTestSupport.h"

#include "gui/Bitmap.h"
#include "gui/OffscreenContext.h"
#include "gui/SystemFeatures.h"

#include <cstring>
#include <memory>

using namespace guitest;

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF red = RGB(255, 0, 0);

// A context on the host window, over a known background.
class ContextTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        deviceContext = GetDC(host);
        context = std::make_unique<DrawContext>(nullptr, deviceContext, host);
        paintBackground(Color{0, 0, 255, 0});
    }
    void TearDown() override {
        context.reset();
        ReleaseDC(host, deviceContext);
        HeadlessTest::TearDown();
    }

    void paintBackground(const Color& color) {
        context->setFillColor(color);
        context->fillRect(Rect(-1, -1, 600, 250));
    }
    Image screen() { return headless::captureWindow(host, false); }

    static int inkCount(const Image& image, const Rect& area, COLORREF background) {
        int count = 0;
        for (int y = area.top; y < area.bottom; y++) {
            for (int x = area.left; x < area.right; x++) {
                count += image.at(x, y) != background ? 1 : 0;
            }
        }
        return count;
    }

    HDC deviceContext = nullptr;
    std::unique_ptr<DrawContext> context;
};

} // namespace

TEST_F(ContextTest, FreshContextDrawsWhiteLinesAndBlackFills) {
    DrawContext fresh(nullptr, deviceContext, host);
    LOGPEN pen;
    ASSERT_NE(GetObjectA(GetCurrentObject(deviceContext, OBJ_PEN), sizeof pen, &pen), 0);
    EXPECT_EQ(pen.lopnColor, white);
    EXPECT_EQ(pen.lopnWidth.x, 1);
    LOGBRUSH brush;
    ASSERT_NE(GetObjectA(GetCurrentObject(deviceContext, OBJ_BRUSH), sizeof brush, &brush), 0);
    EXPECT_EQ(brush.lbColor, black);
}

TEST_F(ContextTest, OutlineIncludesBothEdgesAndFillExactlyItsInside) {
    context->setFrameColor(Color{255, 0, 0, 0});
    context->drawRect(Rect(10, 10, 20, 20));
    context->setFillColor(Color{255, 255, 255, 0});
    context->fillRect(Rect(10, 10, 20, 20));
    Image image = screen();
    for (int index = 10; index <= 20; index++) {
        EXPECT_EQ(image.at(index, 10), red) << index;
        EXPECT_EQ(image.at(index, 20), red) << index;
        EXPECT_EQ(image.at(10, index), red) << index;
        EXPECT_EQ(image.at(20, index), red) << index;
    }
    EXPECT_EQ(image.at(21, 15), blue);
    EXPECT_EQ(image.at(15, 21), blue);
    EXPECT_EQ(inkCount(image, Rect(11, 11, 20, 20), white), 0);
    // The fill leaves the outline's pixels to the outline and keeps the pen selected.
    context->drawRect(Rect(30, 30, 31, 31));
    EXPECT_EQ(screen().at(30, 30), red);
}

TEST_F(ContextTest, LineLeavesItsEndPointUndrawn) {
    context->setFrameColor(Color{255, 0, 0, 0});
    context->moveTo(Point(5, 40));
    context->lineTo(Point(15, 40));
    Image image = screen();
    EXPECT_EQ(image.at(5, 40), red);
    EXPECT_EQ(image.at(14, 40), red);
    EXPECT_EQ(image.at(15, 40), blue);
}

TEST_F(ContextTest, TextAlignmentsMatchTheSystemTextWithTheLeftEdgeMovedByOne) {
    struct Case {
        int alignment;
        UINT format;
        int shift;
    };
    const Case cases[] = {
        {alignLeft, 0x824, 1}, {alignCenter, 0x825, 0}, {alignRight, 0x826, 0}, {7, 0x824, 1}};
    for (const Case& testCase : cases) {
        paintBackground(Color{0, 0, 255, 0});
        context->setFont(3, 0, 0);
        context->setFontColor(whiteColor);
        context->drawString("Wq8", Rect(20, 20, 120, 40), false, testCase.alignment);
        Image ours = screen();

        paintBackground(Color{0, 0, 255, 0});
        RECT area{20 + testCase.shift, 20, 120, 40};
        DrawTextA(deviceContext, "Wq8", 3, &area, testCase.format);
        Image reference = screen();
        EXPECT_EQ(ours.pixels, reference.pixels) << testCase.alignment;
        EXPECT_GT(inkCount(ours, Rect(20, 20, 121, 41), blue), 0);
    }
}

TEST_F(ContextTest, OpaqueTextFillsItsCellAndLeavesTheBackgroundModeTransparent) {
    context->setFont(3, 0, 0);
    context->setFillColor(Color{255, 0, 0, 0});
    context->setFontColor(whiteColor);
    context->drawString("x", Rect(20, 20, 60, 40), true, alignCenter);
    Image image = screen();
    int redPixels = 0;
    for (int x = 20; x < 60; x++) {
        redPixels += image.at(x, 30) == red ? 1 : 0;
    }
    EXPECT_GT(redPixels, 0);
    // The next text drawn by the system itself has no cell behind it.
    RECT area{20, 60, 60, 80};
    DrawTextA(deviceContext, "x", 1, &area, 0x825);
    Image after = screen();
    for (int x = 20; x < 60; x++) {
        for (int y = 60; y < 80; y++) {
            EXPECT_NE(after.at(x, y), red);
        }
    }
    EXPECT_EQ(image.at(20, 21), blue); // the cell is the text's, not the whole rectangle
}

TEST_F(ContextTest, NullTextDrawsNothing) {
    Image before = screen();
    context->setFont(3, 0, 0);
    context->drawString(nullptr, Rect(0, 0, 100, 100), true, alignLeft);
    EXPECT_EQ(screen().pixels, before.pixels);
}

TEST(FontSelection, FollowsTheFontTable) {
    LOGFONTA bold = DrawContext::describeFont(0, 0, 0);
    EXPECT_EQ(bold.lfHeight, -12);
    EXPECT_EQ(bold.lfWeight, 700);
    EXPECT_STREQ(bold.lfFaceName, "Arial");
    EXPECT_EQ(bold.lfPitchAndFamily, 34);
    EXPECT_EQ(bold.lfOutPrecision, 1);
    EXPECT_EQ(bold.lfClipPrecision, 2);
    EXPECT_EQ(bold.lfCharSet, 0);

    for (int unknown : {8, -1, 100}) {
        LOGFONTA fallback = DrawContext::describeFont(unknown, 0, 0);
        EXPECT_EQ(std::memcmp(&fallback, &bold, sizeof bold), 0) << unknown;
    }

    LOGFONTA symbol = DrawContext::describeFont(7, 0, 0);
    EXPECT_EQ(symbol.lfHeight, -13);
    EXPECT_STREQ(symbol.lfFaceName, "Symbol");
    EXPECT_EQ(symbol.lfPitchAndFamily, 80);
    EXPECT_EQ(symbol.lfWeight, 400);

    LOGFONTA styled = DrawContext::describeFont(2, 20, 6);
    EXPECT_EQ(styled.lfHeight, -20);
    EXPECT_EQ(styled.lfWeight, 400);
    EXPECT_EQ(styled.lfItalic, 1);
    EXPECT_EQ(styled.lfUnderline, 1);
    EXPECT_STREQ(styled.lfFaceName, "Arial");

    // Font 0 stays bold even when the style asks for plain text; others follow the bits.
    EXPECT_EQ(DrawContext::describeFont(0, 0, 6).lfWeight, 700);
    EXPECT_EQ(DrawContext::describeFont(4, 0, 1).lfWeight, 700);
    EXPECT_EQ(DrawContext::describeFont(4, 0, 0).lfHeight, -11);
}

TEST_F(ContextTest, SetFontSelectsTheDescribedFontAndFallsBackForUnknownIds) {
    context->setFont(-1, 0, 0);
    EXPECT_EQ(context->getFontId(), 0);
    EXPECT_EQ(context->getFontSize(), 12);
    LOGFONTA selected;
    ASSERT_NE(GetObjectA(GetCurrentObject(deviceContext, OBJ_FONT), sizeof selected, &selected), 0);
    EXPECT_EQ(selected.lfWeight, 700);
    EXPECT_EQ(selected.lfHeight, -12);

    context->setFont(3, 0, 0);
    context->drawString("Hello", Rect(0, 0, 100, 20), false, alignLeft);
    int regular = inkCount(screen(), Rect(0, 0, 100, 20), blue);
    context->setFont(8, 0, 0);
    context->drawString("Hello", Rect(0, 30, 100, 50), false, alignLeft);
    int boldInk = inkCount(screen(), Rect(0, 30, 100, 50), blue);
    context->setFont(0, 0, 0);
    context->drawString("Hello", Rect(0, 60, 100, 80), false, alignLeft);
    Image image = screen();
    EXPECT_GT(boldInk, regular);
    for (int y = 0; y < 20; y++) {
        for (int x = 0; x < 100; x++) {
            EXPECT_EQ(image.at(x, 30 + y), image.at(x, 60 + y));
        }
    }
}

TEST_F(ContextTest, MouseButtonsFollowTheSwapAndModifiers) {
    headless::setKeyDown(VK_LBUTTON, true);
    EXPECT_EQ(context->getMouseButtons(), leftButton);
    headless::setButtonsSwapped(true);
    // The swap is read when the window class is registered, as the frame does.
    buttonsSwapped = true;
    EXPECT_EQ(context->getMouseButtons(), rightButton);
    headless::setKeyDown(VK_LBUTTON, false);
    headless::setKeyDown(VK_RBUTTON, true);
    EXPECT_EQ(context->getMouseButtons(), leftButton);
    buttonsSwapped = false;
    headless::setKeyDown(VK_MBUTTON, true);
    headless::setKeyDown(VK_SHIFT, true);
    headless::setKeyDown(VK_CONTROL, true);
    headless::setKeyDown(VK_MENU, true);
    EXPECT_EQ(context->getMouseButtons(),
              rightButton | middleButton | shiftKey | controlKey | altKey);
}

TEST_F(ContextTest, MouseLocationIsRelativeToTheWindowOriginAtCreation) {
    headless::setCursorPos(110, 70);
    Point where;
    context->getMouseLocation(where);
    EXPECT_EQ(where.h, 10);
    EXPECT_EQ(where.v, 20);
    DrawContext windowless(nullptr, nullptr, nullptr);
    windowless.getMouseLocation(where);
    EXPECT_EQ(where.h, 110);
    EXPECT_EQ(where.v, 70);
}

TEST_F(ContextTest, FailedBrushKeepsThePreviousFill) {
    context->setFillColor(Color{255, 0, 0, 0});
    headless::failGdiObjectCreations(1);
    context->setFillColor(Color{0, 255, 0, 0});
    context->fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(screen().at(5, 5), red);
}

TEST_F(ContextTest, ContextsGiveBackEveryObjectTheyMake) {
    std::size_t before = headless::liveGdiObjectCount();
    {
        DrawContext temporary(nullptr, deviceContext, host);
        temporary.setFont(1, 0, 1);
        temporary.setFont(2, 0, 0);
        temporary.setFrameColor(redColor);
        temporary.setFillColor(greenColor);
        temporary.drawString("text", Rect(0, 0, 50, 20), true, alignCenter);
    }
    {
        OffscreenContext offscreen(nullptr, 30, 20, redColor);
        offscreen.setFont(0, 0, 0);
        offscreen.copyFrom(context.get(), Rect(0, 0, 30, 20), Point(0, 0));
    }
    EXPECT_EQ(headless::liveGdiObjectCount(), before);
}

TEST_F(ContextTest, OffscreenPictureStartsInItsBackgroundAndCopiesThePartAsked) {
    OffscreenContext offscreen(nullptr, 30, 20, Color{255, 0, 0, 0});
    Image picture = headless::captureBitmap(
        static_cast<HBITMAP>(GetCurrentObject(offscreen.getDeviceContext(), OBJ_BITMAP)));
    ASSERT_EQ(picture.width, 30);
    ASSERT_EQ(picture.height, 20);
    for (COLORREF pixel : picture.pixels) {
        ASSERT_EQ(pixel, red);
    }
    offscreen.setFillColor(whiteColor);
    offscreen.fillRect(Rect(9, 9, 20, 20)); // columns and rows 10..19
    offscreen.copyFrom(context.get(), Rect(100, 100, 110, 105), Point(10, 10));
    Image image = screen();
    EXPECT_EQ(image.at(100, 100), white);
    EXPECT_EQ(image.at(109, 104), white);
    EXPECT_EQ(image.at(110, 100), blue);
    EXPECT_EQ(image.at(100, 105), blue);
    EXPECT_EQ(image.at(99, 100), blue);
}

// ---- bitmaps ----

TEST_F(ContextTest, BitmapLoadsItsSizeAndCopiesThePartAsked) {
    auto* bitmap = new Bitmap(gradientBitmapId);
    EXPECT_EQ(bitmap->getWidth(), 20);
    EXPECT_EQ(bitmap->getHeight(), 10);
    bitmap->draw(context.get(), Rect(50, 60, 55, 63), Point(4, 2));
    Image image = screen();
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 5; x++) {
            EXPECT_EQ(image.at(50 + x, 60 + y), gradientPixel(4 + x, 2 + y));
        }
    }
    EXPECT_EQ(image.at(55, 60), blue);
    EXPECT_EQ(image.at(50, 63), blue);
    bitmap->release();
}

TEST_F(ContextTest, MissingBitmapHasNoSizeAndDrawsNothing) {
    auto* bitmap = new Bitmap(missingBitmapId);
    EXPECT_EQ(bitmap->getWidth(), 0);
    EXPECT_EQ(bitmap->getHeight(), 0);
    Image before = screen();
    bitmap->draw(context.get(), Rect(0, 0, 50, 50), Point(0, 0));
    transparentBltEntry = nullptr;
    bitmap->drawTransparent(context.get(), Rect(0, 0, 50, 50), Point(0, 0));
    transparentBltEntry = &TransparentBlt;
    bitmap->drawTransparent(context.get(), Rect(0, 0, 50, 50), Point(0, 0));
    transparentBltEntry = nullptr;
    EXPECT_EQ(screen().pixels, before.pixels);
    bitmap->release();
}

TEST_F(ContextTest, TransparentPixelsKeepTheDestinationWithAndWithoutTransparentBlt) {
    auto* bitmap = new Bitmap(checkerBitmapId);
    auto drawBoth = [&](TransparentBltFunction entry) {
        transparentBltEntry = entry;
        paintBackground(Color{0, 200, 0, 0});
        bitmap->drawTransparent(context.get(), Rect(10, 10, 18, 16), Point(0, 0));
        // A part of the picture, placed elsewhere.
        bitmap->drawTransparent(context.get(), Rect(40, 40, 44, 43), Point(2, 1));
        transparentBltEntry = nullptr;
        return screen();
    };
    Image withEntry = drawBoth(&TransparentBlt);
    Image withMask = drawBoth(nullptr);
    EXPECT_EQ(withEntry.pixels, withMask.pixels);
    for (int y = 0; y < 6; y++) {
        for (int x = 0; x < 8; x++) {
            COLORREF expected = checkerPixel(x, y) == white ? RGB(0, 200, 0) : blue;
            EXPECT_EQ(withMask.at(10 + x, 10 + y), expected) << x << "," << y;
        }
    }
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 4; x++) {
            COLORREF expected = checkerPixel(2 + x, 1 + y) == white ? RGB(0, 200, 0) : blue;
            EXPECT_EQ(withMask.at(40 + x, 40 + y), expected) << x << "," << y;
        }
    }
    // Another transparent colour: now the blue squares are the holes.
    bitmap->setTransparentColor(Color{0, 0, 255, 7});
    paintBackground(Color{0, 200, 0, 0});
    bitmap->drawTransparent(context.get(), Rect(10, 10, 18, 16), Point(0, 0));
    Image keyedOnBlue = screen();
    EXPECT_EQ(keyedOnBlue.at(10, 10), white);
    EXPECT_EQ(keyedOnBlue.at(12, 10), RGB(0, 200, 0));
    bitmap->release();
}

TEST_F(ContextTest, BitmapDrawingGivesBackEveryObject) {
    auto* bitmap = new Bitmap(checkerBitmapId);
    std::size_t before = headless::liveGdiObjectCount();
    bitmap->draw(context.get(), Rect(0, 0, 8, 6), Point(0, 0));
    bitmap->drawTransparent(context.get(), Rect(0, 0, 8, 6), Point(0, 0));
    transparentBltEntry = &TransparentBlt;
    bitmap->drawTransparent(context.get(), Rect(0, 0, 8, 6), Point(0, 0));
    transparentBltEntry = nullptr;
    EXPECT_EQ(headless::liveGdiObjectCount(), before);
    bitmap->release();
    EXPECT_EQ(headless::liveGdiObjectCount(), before - 1); // the picture itself
}

TEST(BitmapReferences, LastReleaseDeletesAndExtraReleasesDoNothing) {
    registerTestBitmaps();
    std::size_t before = headless::liveGdiObjectCount();
    auto* bitmap = new Bitmap(checkerBitmapId);
    EXPECT_EQ(bitmap->getReferenceCount(), 1);
    EXPECT_EQ(bitmap->getTransparentColor().toColorRef(), white);
    bitmap->retain();
    bitmap->release();
    EXPECT_EQ(bitmap->getReferenceCount(), 1);
    EXPECT_EQ(headless::liveGdiObjectCount(), before + 1);
    bitmap->release();
    EXPECT_EQ(headless::liveGdiObjectCount(), before);
}
