// A display without a screen: windows are only their pixel surfaces, time is a virtual clock
// that Sleep advances, and the cursor, buttons and keys are whatever a test sets, either
// directly or as a script that successive polls walk through.
#pragma once

#include "platform/linux/display/Display.h"
#include "platform/linux/display/headless/WindowPicture.h"

#include <deque>
#include <optional>
#include <set>
#include <vector>

namespace stepveil::platform {

struct InputStep {
    std::vector<int> keysDown;   // virtual keys held during the step (physical buttons)
    std::optional<POINT> cursor; // where the cursor moves at the step, if it moves
};

class HeadlessDisplay : public Display {
public:
    DWORD tickCount() override { return clock; }
    DWORD sleep(DWORD milliseconds) override {
        clock += milliseconds;
        return 0;
    }
    POINT cursorPosition() override { return cursor; }
    bool isKeyDown(int virtualKey) override;
    bool buttonsSwapped() override { return swapped; }
    // Any handle stands for a host window, placed at the screen's origin.
    bool acceptsNativeParent(HWND) override { return true; }
    POINT nativeParentOrigin(HWND) override { return POINT{0, 0}; }
    bool windowCreated(HWND) override { return true; }
    void windowDestroyed(HWND) override {}
    void windowChanged(HWND window, const RECT&) override { mirrorHostWindowPicture(window); }
    void collectEvents() override {}
    void dropTargetChanged(HWND window, bool registered) override;

    void setTickCount(DWORD ticks) { clock = ticks; }
    void setCursor(POINT position) { cursor = position; }
    void setKeyDown(int virtualKey, bool down);
    void releaseAllKeys();
    void setButtonsSwapped(bool isSwapped) { swapped = isSwapped; }
    void setScript(std::vector<InputStep> steps);
    void reset();
    // Whether the window was last announced as accepting drops.
    bool acceptsDrops(HWND window) const { return dropWindows.count(window) > 0; }

private:
    void enterStep(const InputStep& step);

    DWORD clock = 0;
    POINT cursor{0, 0};
    std::set<int> keys;
    bool swapped = false;
    std::deque<InputStep> script;
    bool scriptRunning = false;
    std::set<int> keysReadThisStep;
    std::set<HWND> dropWindows;
};

} // namespace stepveil::platform
