// Shared pieces of the toolkit's drop tests, on both systems: a view that takes drops and
// copies what it receives, a count of the arrays the drop target allocates, and the host
// window.
#pragma once

#include "TestDataObject.h"
#include "gui/DropTarget.h"
#include "gui/Frame.h"
#include "gui/FrameEditor.h"
#include "gui/View.h"
#include "platform/win32.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace droptest {

// Where the host window lies on the screen.
constexpr int hostX = 40;
constexpr int hostY = 30;

HWND makeHostWindow();
void destroyHostWindow(HWND host);
// Puts the cursor at a point of the frame window (whose origin is the host's).
void placeCursor(int frameX, int frameY);

// Arrays the drop target allocates (the file list and each name's block) that are still alive.
std::size_t liveArrays();

// What a view received in one onDrop call, copied during the call.
struct ReceivedDrop {
    std::string view;
    std::int32_t kind = -1;
    std::int32_t count = 0;
    Point where;
    std::vector<std::string> names; // kind 0
    std::string text;               // kind 1: the whole block
    std::size_t arraysAlive = 0;    // the target's arrays alive during the call
};

class DropView : public View {
public:
    DropView(const Rect& viewSize, bool takesDrops, std::vector<ReceivedDrop>* log,
             std::string name)
        : View(viewSize), takes(takesDrops), received(log), viewName(std::move(name)) {}
    bool onDrop(void** items, int32 count, int32 kind, Point where) override;

private:
    bool takes;
    std::vector<ReceivedDrop>* received;
    std::string viewName;
};

class QuietEditor : public FrameEditor {
public:
    void beginEdit(std::int32_t) override {}
    bool endEdit(std::int32_t) override { return true; }
    void runIdlePump() override {}
};

} // namespace droptest
