// The toolkit on real Win32 (run under Wine): a frame in a real child window with a slider
// and a number display, painted through the system's own message flow.
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/ValueDisplay.h"
#include "gui/VerticalSlider.h"

#include <gtest/gtest.h>

#include <cstdio>

void* moduleInstance = nullptr;

namespace {

class QuietEditor : public FrameEditor {
public:
    void beginEdit(std::int32_t /*index*/) override {}
    bool endEdit(std::int32_t /*index*/) override { return true; }
    void runIdlePump() override {}
};

void levelText(float value, char* text) {
    std::snprintf(text, 256, "%d", static_cast<int>(value * 32.0f + 0.5f));
}

void dispatchPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
}

class WineFrame : public ::testing::Test {
protected:
    void SetUp() override {
        moduleInstance = GetModuleHandleA(nullptr);
        WNDCLASSA hostClass{};
        hostClass.lpfnWndProc = DefWindowProcA;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.lpszClassName = "StepveilGuiSmokeHost";
        RegisterClassA(&hostClass);
        host = CreateWindowExA(0, "StepveilGuiSmokeHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, 600,
                               240, nullptr, nullptr, hostClass.hInstance, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        dispatchPendingMessages();
    }

    HWND host = nullptr;
    QuietEditor editor;
};

COLORREF pixelAt(HWND window, int x, int y) {
    HDC deviceContext = GetDC(window);
    COLORREF color = GetPixel(deviceContext, x, y);
    ReleaseDC(window, deviceContext);
    return color;
}

} // namespace

TEST_F(WineFrame, PaintsSliderAndDisplayInARealWindow) {
    auto* frame = new Frame(Rect(0, 0, 562, 200), host, &editor);
    ASSERT_NE(frame->getWindow(), nullptr);
    char className[64] = {};
    GetClassNameA(frame->getWindow(), className, sizeof className);
    EXPECT_STREQ(className, Frame::windowClassName());

    auto* slider = new VerticalSlider(Rect(25, 48, 41, 137), nullptr, 0, 48, 124, nullptr, nullptr,
                                      Point(0, 0), 64);
    slider->setValue(0.5f);
    ASSERT_TRUE(frame->addView(slider));
    auto* display = new ValueDisplay(Rect(25, 138, 41, 152), nullptr, 1);
    display->setFont(4);
    display->setFontColor(greenColor);
    display->setBackColor(blackColor);
    display->setFrameColor(whiteColor);
    display->setTextConverter(levelText);
    display->setValue(0.5f);
    ASSERT_TRUE(frame->addView(display));

    InvalidateRect(frame->getWindow(), nullptr, TRUE);
    dispatchPendingMessages();
    HWND window = frame->getWindow();

    // The display cell: white outline on both edges, black inside, a green number.
    EXPECT_EQ(pixelAt(window, 25, 138), RGB(255, 255, 255));
    EXPECT_EQ(pixelAt(window, 41, 152), RGB(255, 255, 255));
    EXPECT_EQ(pixelAt(window, 26, 139), RGB(0, 0, 0));
    int greenPixels = 0;
    for (int y = 139; y < 152; y++) {
        for (int x = 26; x < 41; x++) {
            greenPixels += pixelAt(window, x, y) == RGB(0, 255, 0) ? 1 : 0;
        }
    }
    EXPECT_GT(greenPixels, 4);
    // A slider without bitmaps shows its offscreen picture's black.
    EXPECT_EQ(pixelAt(window, 30, 90), RGB(0, 0, 0));
    // Outside every view the class brush shows.
    EXPECT_EQ(pixelAt(window, 300, 20), GetSysColor(COLOR_BTNFACE));

    // Idle redraws what changed once the first paint is done.
    display->setBackColor(redColor);
    frame->idle();
    EXPECT_EQ(pixelAt(window, 26, 139), RGB(255, 0, 0));
    delete frame;
    EXPECT_EQ(Frame::windowClassRegistrations(), 0);
}
