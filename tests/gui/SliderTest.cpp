// Sliders: the worked example's geometry and click rows, scripted drags, fine adjustment,
// control+click, wheel and arrow keys, edit gestures, attachment, and values that are not
// numbers never reaching a listener.
#include "GuiTestSupport.h"

#include "gui/Bitmap.h"
#include "gui/OffscreenContext.h"
#include "gui/VerticalSlider.h"

#include <cmath>
#include <limits>

using namespace guitest;

namespace {

constexpr int sliderTop = 48;
constexpr int sliderLeft = 25;
constexpr int clickColumn = 30;

// Redraws the control at once when the report carries a context, as the editor does.
class RedrawingListener : public RecordingListener {
public:
    void onValueChanged(DrawContext* context, Control* control) override {
        RecordingListener::onValueChanged(context, control);
        if (context) {
            control->update(context);
        }
    }
};

// One of the editor's step sliders: track 16 x 89, handle 14 x 12 one pixel in, travel 48
// to 124, style 64 (value 1 at the top).
class SliderTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
        slider = makeSlider(48, 124, handleBitmapId, trackBitmapId);
        slider->setHandleOffset(Point(1, 0));
        ASSERT_TRUE(frame->addView(slider));
        paintWindow(frame->getWindow());
    }
    void TearDown() override {
        delete frame;
        HeadlessTest::TearDown();
    }

    VerticalSlider* makeSlider(int handleMinimum, int handleMaximum, int handleId, int trackId) {
        auto* handle = new Bitmap(handleId);
        auto* track = new Bitmap(trackId);
        auto* made =
            new VerticalSlider(Rect(sliderLeft, sliderTop, 41, 137), &listener, 5, handleMinimum,
                               handleMaximum, handle, track, Point(0, 0), 64);
        handle->release();
        track->release();
        return made;
    }

    // A click at frame row `row`, then one loop pass per entry of `passes` (keys held and
    // where the cursor is by the end of the pass), then the release. The frame and the slider
    // each read the buttons once before the loop; a pass uses the cursor of the pass before
    // it, the first pass the click itself.
    void drag(int row, std::vector<int> pressKeys,
              std::vector<std::pair<std::vector<int>, int>> passes) {
        std::vector<headless::InputStep> script;
        script.push_back(step(pressKeys, clickColumn, row));
        script.push_back(step(pressKeys, clickColumn, row));
        for (auto& [keys, cursorRow] : passes) {
            script.push_back(step(keys, clickColumn, cursorRow));
        }
        script.push_back(step({}));
        headless::scriptInput(script);
        headless::postMessage(frame->getWindow(), WM_LBUTTONDOWN, 1,
                              static_cast<LPARAM>((row << 16) | clickColumn));
        dispatchPendingMessages();
        headless::releaseAllKeys();
    }
    void click(int row, std::vector<int> keys = {VK_LBUTTON}) { drag(row, keys, {{keys, row}}); }

    Image window() { return headless::captureWindow(frame->getWindow(), false); }

    RecordingEditor editor;
    RedrawingListener listener;
    Frame* frame = nullptr;
    VerticalSlider* slider = nullptr;
};

const int L = VK_LBUTTON;
const int shift = VK_SHIFT;
const int control = VK_CONTROL;

} // namespace

TEST_F(SliderTest, WorkedExampleGeometry) {
    EXPECT_EQ(slider->getSliderStyle(), 66);
    EXPECT_EQ(slider->getStartOffset(), 0);
    EXPECT_EQ(slider->getTravel(), 76);
    EXPECT_EQ(slider->getHandleMin(), 0);
    EXPECT_EQ(slider->getHandleMax(), 88);
    const std::pair<float, int> rows[] = {{1.0f, 0}, {0.5f, 38}, {0.0f, 76}};
    for (auto [value, top] : rows) {
        slider->setValue(value);
        Rect handle = slider->handleRect();
        EXPECT_EQ(handle.top, top) << value;
        EXPECT_EQ(handle.bottom, top + 12) << value;
        EXPECT_EQ(handle.left, 1);
        EXPECT_EQ(handle.right, 15);
    }
}

TEST_F(SliderTest, DrawsHandleOverTrackInOneCopy) {
    slider->setValue(0.5f);
    frame->drawView(slider);
    EXPECT_FALSE(slider->isDirty());
    Image image = window();
    int handleTop = sliderTop + 38;
    for (int y = 0; y < 12; y++) {
        for (int x = 0; x < 14; x++) {
            COLORREF expected = handlePixel(x, y) == RGB(255, 255, 255)
                                    ? trackPixel(1 + x, 38 + y) // white keys the track through
                                    : handlePixel(x, y);
            EXPECT_EQ(image.at(sliderLeft + 1 + x, handleTop + y), expected) << x << "," << y;
        }
    }
    EXPECT_EQ(image.at(sliderLeft, handleTop + 5), trackPixel(0, 43));
    EXPECT_EQ(image.at(sliderLeft + 15, handleTop + 5), trackPixel(15, 43));
    EXPECT_EQ(image.at(sliderLeft + 7, handleTop - 1), trackPixel(7, 37));
    EXPECT_EQ(image.at(sliderLeft + 7, handleTop + 12), trackPixel(7, 50));
}

TEST_F(SliderTest, HandleStaysWithinItsTravelForAnyValue) {
    for (float value : {2.0f, -1.0f, 1.0e30f, -1.0e30f, std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity()}) {
        slider->setValue(value);
        Rect handle = slider->handleRect();
        EXPECT_GE(handle.top, slider->getHandleMin()) << value;
        EXPECT_LE(handle.bottom, slider->getHandleMax()) << value;
        // Pinned at an end, the whole handle still shows.
        EXPECT_EQ(handle.bottom - handle.top, 12) << value;
        frame->drawView(slider);
    }
}

TEST_F(SliderTest, ClickRowsOfTheWorkedExample) {
    const std::pair<int, float> clicks[] = {
        {53, 1.0f}, {91, 0.5f}, {129, 0.0f}, {136, 0.0f}, {48, 1.0f}};
    for (auto [row, value] : clicks) {
        slider->setValue(0.25f);
        click(row);
        EXPECT_FLOAT_EQ(slider->getValue(), value) << row;
    }
}

TEST_F(SliderTest, DragFollowsThePointerAbsolutelyAndPinsAtTheEnds) {
    drag(53, {L}, {{{L}, 72}, {{L}, 91}, {{L}, 200}, {{L}, 0}, {{L}, 0}});
    std::vector<float> expected{1.0f, 0.75f, 0.5f, 0.0f, 1.0f};
    ASSERT_EQ(listener.values.size(), expected.size());
    for (std::size_t index = 0; index < expected.size(); index++) {
        EXPECT_FLOAT_EQ(listener.values[index], expected[index]) << index;
        EXPECT_TRUE(listener.withContext[index]);
    }
    // The listener redrew the slider inside the drag, handle at the top.
    EXPECT_EQ(window().at(sliderLeft + 3, sliderTop + 1), handlePixel(2, 1));
}

TEST_F(SliderTest, DragIsBracketedByEditGesturesAndPumpsIdleOnEveryPass) {
    drag(91, {L}, {{{L}, 91}, {{L}, 72}, {{L}, 72}});
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 5", "end 5"}));
    EXPECT_EQ(editor.pumps, 3);
    EXPECT_EQ(frame->getFocusView(), slider);
    // An unchanged value is not reported again.
    EXPECT_EQ(listener.values.size(), 2u);
}

TEST_F(SliderTest, ShiftReanchorsAndMovesATenthThenReleasingReturnsToAbsolute) {
    drag(91, {L}, {{{L}, 91}, {{L, shift}, 72}, {{L, shift}, 53}, {{L}, 53}, {{L}, 53}});
    ASSERT_EQ(listener.values.size(), 3u);
    EXPECT_FLOAT_EQ(listener.values[0], 0.5f);
    EXPECT_FLOAT_EQ(listener.values[1], 0.525f); // 0.5 + (0.75 - 0.5) / 10
    EXPECT_FLOAT_EQ(listener.values[2], 1.0f);
}

TEST_F(SliderTest, FineFactorDividesThePointerMotion) {
    slider->setFineFactor(4.0f);
    EXPECT_EQ(slider->getFineFactor(), 4.0f);
    drag(91, {L}, {{{L}, 91}, {{L, shift}, 53}, {{L, shift}, 53}});
    ASSERT_EQ(listener.values.size(), 2u);
    EXPECT_FLOAT_EQ(listener.values[1], 0.625f); // 0.5 + (1 - 0.5) / 4
}

TEST_F(SliderTest, ControlClickRestoresTheDefaultWithoutADrag) {
    slider->setValue(0.9f);
    click(129, {L, control});
    EXPECT_EQ(slider->getValue(), 0.5f);
    EXPECT_EQ(listener.values, (std::vector<float>{0.5f}));
    EXPECT_TRUE(editor.events.empty());

    // The default is taken unclamped.
    slider->setDefaultValue(1.5f);
    click(129, {L, control});
    EXPECT_EQ(slider->getValue(), 1.5f);

    // With shift as well it is an ordinary drag.
    listener.values.clear();
    click(129, {L, control, shift});
    EXPECT_EQ(editor.events, (std::vector<std::string>{"begin 5", "end 5"}));
}

TEST_F(SliderTest, OnlyTheLeftButtonStartsADrag) {
    slider->setValue(0.25f);
    click(53, {VK_RBUTTON});
    click(53, {VK_MBUTTON});
    EXPECT_EQ(slider->getValue(), 0.25f);
    EXPECT_TRUE(editor.events.empty());
}

TEST_F(SliderTest, WithoutJumpToClickOnlyTheHandleTakesTheClickAndDoesNotJump) {
    slider->setJumpToClick(false);
    EXPECT_FALSE(slider->getJumpToClick());
    slider->setValue(0.5f); // handle rows 86..98 of the frame, columns 26..40
    frame->drawView(slider);
    click(60);
    EXPECT_TRUE(editor.events.empty());
    drag(90, {L}, {{{L}, 90}, {{L}, 71}, {{L}, 71}});
    ASSERT_EQ(listener.values.size(), 1u); // the first pass leaves the value where it was
    EXPECT_FLOAT_EQ(listener.values[0], 0.75f);
    click(79); // at 0.75 the handle spans rows 67..79: its bottom edge counts
    EXPECT_EQ(editor.events.size(), 4u);
}

TEST_F(SliderTest, MouseDisabledSliderIgnoresClicksAndWheel) {
    slider->setMouseEnabled(false);
    slider->setValue(0.25f);
    Point where(clickColumn, 53);
    HDC deviceContext = GetDC(frame->getWindow());
    DrawContext context(frame, deviceContext, frame->getWindow());
    headless::setKeyDown(L, true);
    slider->onMouseDown(&context, where);
    EXPECT_FALSE(slider->onWheel(&context, where, 1.0f));
    ReleaseDC(frame->getWindow(), deviceContext);
    EXPECT_EQ(slider->getValue(), 0.25f);
    EXPECT_TRUE(listener.values.empty());
}

TEST_F(SliderTest, WheelUnderTheCursorStepsTheValueWithShiftFiner) {
    headless::setCursorPos(hostScreenX + clickColumn, hostScreenY + 90);
    slider->setValue(0.5f);
    EXPECT_TRUE(frame->onWheel(nullptr, Point(0, 0), 1.0f));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.6f);
    headless::setKeyDown(shift, true);
    EXPECT_TRUE(frame->onWheel(nullptr, Point(0, 0), -2.0f));
    EXPECT_FLOAT_EQ(slider->getValue(), 0.58f);
    headless::setKeyDown(shift, false);
    EXPECT_TRUE(frame->onWheel(nullptr, Point(0, 0), 50.0f));
    EXPECT_EQ(slider->getValue(), 1.0f);
    EXPECT_EQ(listener.values.size(), 3u);
    EXPECT_TRUE(listener.withContext.back()); // the frame made a context for the wheel
}

TEST_F(SliderTest, ArrowKeysStepTheValueAndOtherKeysAreDeclined) {
    slider->setValue(0.95f);
    VstKeyCode up{0, VKEY_UP, 0};
    EXPECT_EQ(slider->onKeyDown(up), 1);
    EXPECT_EQ(slider->getValue(), 1.0f);
    VstKeyCode fineDown{0, VKEY_DOWN, MODIFIER_SHIFT};
    EXPECT_EQ(slider->onKeyDown(fineDown), 1);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.99f);
    VstKeyCode left{0, VKEY_LEFT, 0};
    slider->onKeyDown(left);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.89f);
    VstKeyCode right{0, VKEY_RIGHT, 0};
    slider->onKeyDown(right);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.99f);
    VstKeyCode other{'a', 0, 0};
    EXPECT_EQ(slider->onKeyDown(other), -1);
    VstKeyCode escape{0, 23, MODIFIER_SHIFT};
    EXPECT_EQ(slider->onKeyDown(escape), -1);
    EXPECT_FLOAT_EQ(slider->getValue(), 0.99f);
    ASSERT_EQ(listener.withContext.size(), 4u);
    EXPECT_FALSE(listener.withContext[0]); // keys report without a context
    // Through the frame, a focused slider gets the keys.
    frame->setFocusView(slider);
    EXPECT_EQ(frame->onKeyDown(left), 1);
}

TEST_F(SliderTest, RemovingAndAddingAgainRecreatesTheOffscreenContext) {
    OffscreenContext* first = slider->getOffscreen();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->getWidth(), 16);
    EXPECT_EQ(first->getHeight(), 89);
    frame->removeView(slider, false);
    EXPECT_EQ(slider->getOffscreen(), nullptr);
    ASSERT_TRUE(frame->addView(slider));
    EXPECT_NE(slider->getOffscreen(), nullptr);
    slider->setValue(0.0f);
    frame->drawView(slider);
    EXPECT_EQ(window().at(sliderLeft + 3, sliderTop + 76 + 1), handlePixel(2, 1));
}

TEST_F(SliderTest, HandleBitmapCanBeReplacedWithoutMovingTheLimits) {
    auto* other = new Bitmap(checkerBitmapId);
    slider->setHandleBitmap(other);
    other->release();
    EXPECT_EQ(slider->getHandleBitmap(), other);
    EXPECT_EQ(slider->getHandleMax(), 88);
    slider->setHandleOffset(Point(1, 0));
    EXPECT_EQ(slider->getHandleMax(), 82); // 76 + the new height 6
    slider->setHandleTransparent(false);
    slider->setValue(1.0f);
    frame->drawView(slider);
    EXPECT_EQ(window().at(sliderLeft + 1, sliderTop), checkerPixel(0, 0));
}

// ---- values that are not numbers ----

TEST_F(SliderTest, SliderWithoutTravelNeverReportsANan) {
    frame->removeView(slider, true);
    // Both bitmaps failed to load, so the editor's limits would make the travel negative; here
    // the travel is exactly 0.
    slider = makeSlider(60, 60, missingBitmapId, missingBitmapId);
    frame->addView(slider);
    EXPECT_EQ(slider->getTravel(), 0);
    slider->setValue(0.3f);
    drag(53, {L}, {{{L}, 200}, {{L, shift}, 0}, {{L}, 0}});
    for (float value : listener.values) {
        EXPECT_TRUE(std::isfinite(value));
    }
    EXPECT_EQ(slider->getValue(), 0.3f);
    frame->drawView(slider);
}

TEST_F(SliderTest, NonFiniteInputNeverProducesANonFiniteValue) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    headless::setCursorPos(hostScreenX + clickColumn, hostScreenY + 90);

    slider->setValue(0.5f);
    frame->onWheel(nullptr, Point(0, 0), nan);
    EXPECT_EQ(slider->getValue(), 0.5f);
    frame->onWheel(nullptr, Point(0, 0), infinity);
    EXPECT_EQ(slider->getValue(), 1.0f);
    slider->setWheelStep(0.0f);
    frame->onWheel(nullptr, Point(0, 0), infinity); // 0 x infinity
    EXPECT_EQ(slider->getValue(), 1.0f);
    slider->setWheelStep(0.1f);

    // A value that is not a number (a host may send one) becomes a number on the first key.
    slider->setValue(nan);
    VstKeyCode up{0, VKEY_UP, 0};
    slider->onKeyDown(up);
    EXPECT_TRUE(std::isfinite(slider->getValue()));

    slider->setDefaultValue(nan);
    slider->setValue(0.25f);
    click(53, {L, control});
    EXPECT_EQ(slider->getValue(), 0.25f);

    slider->setFineFactor(0.0f);
    drag(91, {L}, {{{L, shift}, 91}, {{L, shift}, 72}, {{L}, 72}});
    for (float value : listener.values) {
        EXPECT_TRUE(std::isfinite(value)) << value;
    }
}
