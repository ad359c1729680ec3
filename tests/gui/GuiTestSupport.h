// Shared pieces of the toolkit's tests on the headless display: a host window, bitmaps made
// on the fly and registered as this program's resources, and recording stand-ins for the
// editor, a listener and a plain view.
#pragma once

#include "gui/ControlListener.h"
#include "gui/DrawContext.h"
#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/View.h"
#include "platform/headless.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace guitest {

namespace headless = stepveil::platform::headless;
using Image = headless::Image;
using PixelFunction = std::function<COLORREF(int x, int y)>;

// Resource ids of this test program's own bitmaps.
constexpr int checkerBitmapId = 501;  // 8 x 6: white and blue squares, white at (0, 0)
constexpr int gradientBitmapId = 502; // 20 x 10: every pixel different, none white
constexpr int trackBitmapId = 503;    // 16 x 89: the editor's track size, grey with a groove
constexpr int handleBitmapId = 504;   // 14 x 12: the editor's handle size, grey, white corners
constexpr int missingBitmapId = 599;  // never registered

COLORREF checkerPixel(int x, int y);
COLORREF gradientPixel(int x, int y);
COLORREF trackPixel(int x, int y);
COLORREF handlePixel(int x, int y);

// Registers the bitmaps above for this program, once.
void registerTestBitmaps();

// Where the fixture's host window lies on the virtual screen.
constexpr int hostScreenX = 100;
constexpr int hostScreenY = 50;

// Delivers every queued message, paints included.
void dispatchPendingMessages();
// Invalidates the whole window and lets its WM_PAINT arrive.
void paintWindow(HWND window);

// A cursor step of a scripted drag, in frame window coordinates.
headless::InputStep step(std::vector<int> keys, int frameX, int frameY);
headless::InputStep step(std::vector<int> keys);

class RecordingEditor : public FrameEditor {
public:
    void beginEdit(std::int32_t index) override {
        events.push_back("begin " + std::to_string(index));
    }
    bool endEdit(std::int32_t index) override {
        events.push_back("end " + std::to_string(index));
        return true;
    }
    void runIdlePump() override { pumps++; }

    std::vector<std::string> events;
    int pumps = 0;
};

class RecordingListener : public ControlListener {
public:
    void onValueChanged(DrawContext* context, Control* control) override;

    std::vector<float> values;
    std::vector<bool> withContext;
};

// A view that counts what reaches it and answers as told.
class ProbeView : public View {
public:
    explicit ProbeView(const Rect& size, std::vector<std::string>* log = nullptr,
                       std::string name = "");
    ~ProbeView() override;

    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    int32 onKeyDown(VstKeyCode& key) override;
    int32 onKeyUp(VstKeyCode& key) override;
    bool onDrop(void** items, int32 count, int32 kind, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    void onFocusLost(DrawContext* context) override;
    bool onRemoved(View* parent) override;
    bool onAttached(View* parent) override;

    int draws = 0;
    int keyAnswer = keyNotHandled;
    bool dropAnswer = false;
    bool wheelAnswer = false;
    Point lastWhere;
    float lastDistance = 0.0f;
    bool* destroyedFlag = nullptr;

private:
    void note(const std::string& what);
    std::vector<std::string>* log;
    std::string name;
};

// Every test starts from the display's defaults with a host window at (100, 50).
class HeadlessTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND host = nullptr;
};

} // namespace guitest
