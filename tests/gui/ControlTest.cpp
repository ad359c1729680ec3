// Controls and the number display: the dirty rule, clamping, texts, styles and colours.
#include "GuiTestSupport.h"

#include "gui/Bitmap.h"
#include "gui/ValueDisplay.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

using namespace guitest;

namespace {

constexpr COLORREF white = RGB(255, 255, 255);
constexpr COLORREF black = RGB(0, 0, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF green = RGB(0, 255, 0);

std::string textOf(ValueDisplay& display) {
    char text[ValueDisplay::textBufferSize];
    display.makeText(text);
    return text;
}

void halfText(float value, char* text) {
    std::strcpy(text, value == 0.5f ? "half" : "other");
}

void dataText(float /*value*/, char* text, void* data) {
    std::strcpy(text, static_cast<const char*>(data));
}

void runawayText(float /*value*/, char* text) {
    std::memset(text, '7', 256);
}

// A display drawn on the host window over blue.
class DisplayDrawingTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        deviceContext = GetDC(host);
        context = std::make_unique<DrawContext>(nullptr, deviceContext, host);
        context->setFillColor(Color{0, 0, 255, 0});
        context->fillRect(Rect(-1, -1, 600, 250));
        display = new ValueDisplay(Rect(10, 10, 40, 30), nullptr, 1);
        display->setFontColor(greenColor);
        display->setFrameColor(whiteColor);
        display->setValue(0.5f);
    }
    void TearDown() override {
        display->release();
        context.reset();
        ReleaseDC(host, deviceContext);
        HeadlessTest::TearDown();
    }
    Image drawn() {
        display->draw(context.get());
        return headless::captureWindow(host, false);
    }
    static int count(const Image& image, COLORREF color) {
        int found = 0;
        for (COLORREF pixel : image.pixels) {
            found += pixel == color ? 1 : 0;
        }
        return found;
    }

    HDC deviceContext = nullptr;
    std::unique_ptr<DrawContext> context;
    ValueDisplay* display = nullptr;
};

} // namespace

TEST(ControlDirtyRule, NewControlIsDirtyUntilDrawnAndValueChangesMakeItDirtyAgain) {
    ValueDisplay display(Rect(0, 0, 10, 10), nullptr, 0);
    EXPECT_TRUE(display.isDirty());
    EXPECT_EQ(display.getDrawnValue(), 1.0f);
    display.draw(nullptr);
    EXPECT_FALSE(display.isDirty());
    display.setValue(0.0f);
    EXPECT_FALSE(display.isDirty());
    display.setValue(0.25f);
    EXPECT_TRUE(display.isDirty());
    display.setDirty(false);
    EXPECT_EQ(display.getDrawnValue(), 0.25f);
    display.setDirty(true);
    EXPECT_TRUE(display.isDirty());
    EXPECT_EQ(display.getDrawnValue(), -1.0f);

    // A value of exactly -1 needs another drawn value to stay dirty.
    display.setValue(-1.0f);
    display.setDirty(true);
    EXPECT_EQ(display.getDrawnValue(), 0.0f);
    EXPECT_TRUE(display.isDirty());
}

TEST(ControlValues, SettersStoreAsGivenAndClampingUsesTheBounds) {
    ValueDisplay display(Rect(0, 0, 10, 10), nullptr, 0);
    EXPECT_EQ(display.getDefaultValue(), 0.5f);
    EXPECT_EQ(display.getWheelStep(), 0.1f);
    EXPECT_EQ(display.getListener(), nullptr);
    EXPECT_EQ(display.getTag(), 0);
    display.setValue(1.5f);
    EXPECT_EQ(display.getValue(), 1.5f);
    display.clampValue();
    EXPECT_EQ(display.getValue(), 1.0f);
    display.setValue(-0.2f);
    display.clampValue();
    EXPECT_EQ(display.getValue(), 0.0f);
    display.setMin(0.2f);
    display.setMax(0.4f);
    display.setValue(0.3f);
    display.clampValue();
    EXPECT_EQ(display.getValue(), 0.3f);
    display.setValue(0.9f);
    display.clampValue();
    EXPECT_EQ(display.getValue(), 0.4f);
}

TEST(ControlBackground, HoldsOneReferenceAndSurvivesBeingSetAgain) {
    registerTestBitmaps();
    auto* bitmap = new Bitmap(checkerBitmapId);
    auto* display = new ValueDisplay(Rect(5, 6, 10, 10), bitmap, 0);
    EXPECT_EQ(bitmap->getReferenceCount(), 2);
    display->setBackground(bitmap);
    EXPECT_EQ(bitmap->getReferenceCount(), 2);
    bitmap->release();
    display->setBackground(bitmap); // the control's reference is the last one
    EXPECT_EQ(bitmap->getReferenceCount(), 1);
    EXPECT_EQ(display->getBackground(), bitmap);
    display->resetBackgroundOffset();
    EXPECT_EQ(display->getBackgroundOffset().h, 5);
    EXPECT_EQ(display->getBackgroundOffset().v, 6);
    bitmap->retain();
    display->release();
    EXPECT_EQ(bitmap->getReferenceCount(), 1);
    bitmap->release();
}

TEST(DisplayText, ConvertersInOrderOfPrecedenceAndANumberOtherwise) {
    ValueDisplay display(Rect(0, 0, 10, 10), nullptr, 0);
    display.setValue(0.5f);
    EXPECT_EQ(textOf(display), "0.50");
    display.setTextConverter(halfText);
    EXPECT_EQ(textOf(display), "half");
    char data[] = "with data";
    display.setTextConverterWithData(dataText, data);
    EXPECT_EQ(textOf(display), "with data");
    // Choosing a converter changes how the text is made, not whether the cell needs drawing.
    display.setDirty(false);
    display.setTextConverter(nullptr);
    display.setTextParser(nullptr);
    display.setTextTransparent(false);
    EXPECT_FALSE(display.isDirty());
}

TEST(DisplayText, RunawayConverterAndNanStayWithinTheBuffer) {
    ValueDisplay display(Rect(0, 0, 10, 10), nullptr, 0);
    display.setTextConverter(runawayText);
    EXPECT_EQ(textOf(display).size(), 255u);
    display.setTextConverter(nullptr);
    display.setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_NE(textOf(display).find("nan"), std::string::npos);
    display.draw(nullptr);
}

TEST(DisplayLook, SettersMarkDirtyOnlyWhenTheLookChanges) {
    ValueDisplay display(Rect(0, 0, 10, 10), nullptr, 0);
    display.setDirty(false);
    display.setFontColor(whiteColor);
    display.setBackColor(Color{0, 0, 0, 99}); // differs only in the unused byte
    display.setFrameColor(blackColor);
    display.setShadowColor(redColor);
    display.setFont(3);
    display.setAlignment(alignCenter);
    display.setTextFace(0);
    display.setDisplayStyle(0);
    EXPECT_FALSE(display.isDirty());
    EXPECT_EQ(display.getBackColor().unused, 99); // all four bytes are stored

    struct Change {
        const char* name;
        std::function<void(ValueDisplay&)> apply;
    };
    const Change changes[] = {
        {"font", [](ValueDisplay& d) { d.setFont(4); }},
        {"font colour", [](ValueDisplay& d) { d.setFontColor(greenColor); }},
        {"back colour",
         [](ValueDisplay& d) {
             d.setBackColor(Color{0, 0, 1, 0});
         }},
        {"frame colour", [](ValueDisplay& d) { d.setFrameColor(whiteColor); }},
        {"shadow colour",
         [](ValueDisplay& d) {
             d.setShadowColor(Color{254, 0, 0, 0});
         }},
        {"alignment", [](ValueDisplay& d) { d.setAlignment(alignRight); }},
        {"style", [](ValueDisplay& d) { d.setDisplayStyle(0x4); }},
        {"face", [](ValueDisplay& d) { d.setTextFace(1); }},
    };
    for (const Change& change : changes) {
        display.setDirty(false);
        change.apply(display);
        EXPECT_TRUE(display.isDirty()) << change.name;
    }
}

TEST_F(DisplayDrawingTest, PlainCellIsFilledOutlinedAndShowsItsText) {
    Image image = drawn();
    EXPECT_FALSE(display->isDirty());
    EXPECT_EQ(image.at(10, 10), white);
    EXPECT_EQ(image.at(40, 30), white);
    EXPECT_EQ(image.at(11, 11), black);
    EXPECT_EQ(image.at(41, 30), blue);
    EXPECT_GT(count(image, green), 5);
    EXPECT_EQ(count(image, red), 0);
}

TEST_F(DisplayDrawingTest, ShadowIsDrawnBehindTheText) {
    display->setDisplayStyle(shadowTextStyle);
    Image image = drawn();
    EXPECT_GT(count(image, red), 5);
    EXPECT_GT(count(image, green), 5);
}

TEST_F(DisplayDrawingTest, ThreeDEdgesReplaceTheOutline) {
    display->setBackColor(Color{255, 0, 0, 0});
    display->setDisplayStyle(threeDInStyle | noTextStyle);
    Image in = drawn();
    EXPECT_EQ(in.at(10, 20), red);   // left
    EXPECT_EQ(in.at(25, 10), red);   // top
    EXPECT_EQ(in.at(40, 10), red);   // the top line runs to the right edge
    EXPECT_EQ(in.at(40, 20), white); // right
    EXPECT_EQ(in.at(25, 30), white); // bottom
    EXPECT_EQ(in.at(10, 30), red);
    EXPECT_EQ(count(in, green), 0);

    display->setDisplayStyle(threeDOutStyle | noTextStyle);
    Image out = drawn();
    EXPECT_EQ(out.at(10, 20), white);
    EXPECT_EQ(out.at(25, 10), white);
    EXPECT_EQ(out.at(40, 20), red);
    EXPECT_EQ(out.at(25, 30), red);

    display->setDisplayStyle(threeDInStyle | threeDOutStyle | noTextStyle);
    EXPECT_EQ(drawn().pixels, in.pixels);
}

TEST_F(DisplayDrawingTest, NoDrawStyleDrawsNothingAndLeavesTheControlClean) {
    auto* hidden = new ValueDisplay(Rect(10, 10, 40, 30), nullptr, noDrawStyle);
    EXPECT_FALSE(hidden->isDirty());
    Image before = headless::captureWindow(host, false);
    hidden->setValue(0.75f);
    hidden->draw(context.get());
    EXPECT_FALSE(hidden->isDirty());
    EXPECT_EQ(headless::captureWindow(host, false).pixels, before.pixels);
    hidden->release();
}

TEST_F(DisplayDrawingTest, TransparentCellWithoutBitmapDrawsOnlyItsText) {
    display->setTransparent(true);
    Image image = drawn();
    EXPECT_EQ(image.at(10, 10), blue);
    EXPECT_EQ(image.at(11, 11), blue);
    EXPECT_GT(count(image, green), 5);
}

TEST_F(DisplayDrawingTest, BackgroundBitmapIsDrawnFromItsOffsetPlainOrTransparent) {
    auto* bitmap = new Bitmap(checkerBitmapId);
    auto* cell = new ValueDisplay(Rect(50, 50, 58, 56), bitmap, noTextStyle);
    bitmap->release();
    cell->draw(context.get());
    Image plain = headless::captureWindow(host, false);
    EXPECT_EQ(plain.at(50, 50), checkerPixel(0, 0));
    EXPECT_EQ(plain.at(52, 50), checkerPixel(2, 0));
    cell->setBackgroundOffset(Point(1, 0));
    cell->setTransparent(true);
    cell->draw(context.get());
    Image transparent = headless::captureWindow(host, false);
    // Source column 4 is white, so column 53 keeps the blue drawn there before; drawn
    // plainly it would have turned white.
    EXPECT_EQ(checkerPixel(4, 0), white);
    EXPECT_EQ(plain.at(53, 50), blue);
    EXPECT_EQ(transparent.at(53, 50), blue);
    EXPECT_EQ(transparent.at(51, 50), checkerPixel(2, 0));
    cell->release();
}
