#include "platform/linux/display/headless/HeadlessDisplay.h"

namespace stepveil::platform {

// A poll is a run of GetAsyncKeyState calls for different keys, as when the mouse buttons
// and the modifier keys are read one after another; asking for a key a second time means the
// caller polls again, and the script moves on to its next step. The last step stays.
bool HeadlessDisplay::isKeyDown(int virtualKey) {
    if (scriptRunning && keysReadThisStep.count(virtualKey) > 0 && !script.empty()) {
        enterStep(script.front());
        script.pop_front();
    }
    if (scriptRunning) {
        keysReadThisStep.insert(virtualKey);
    }
    return keys.count(virtualKey) > 0;
}

void HeadlessDisplay::dropTargetChanged(HWND window, bool registered) {
    if (registered) {
        dropWindows.insert(window);
    } else {
        dropWindows.erase(window);
    }
}

void HeadlessDisplay::setKeyDown(int virtualKey, bool down) {
    if (down) {
        keys.insert(virtualKey);
    } else {
        keys.erase(virtualKey);
    }
}

void HeadlessDisplay::releaseAllKeys() {
    keys.clear();
}

void HeadlessDisplay::setScript(std::vector<InputStep> steps) {
    script.assign(steps.begin(), steps.end());
    scriptRunning = !script.empty();
    if (scriptRunning) {
        enterStep(script.front());
        script.pop_front();
    }
}

void HeadlessDisplay::enterStep(const InputStep& step) {
    keys.clear();
    keys.insert(step.keysDown.begin(), step.keysDown.end());
    if (step.cursor) {
        cursor = *step.cursor;
    }
    keysReadThisStep.clear();
}

void HeadlessDisplay::reset() {
    clock = 0;
    cursor = POINT{0, 0};
    keys.clear();
    swapped = false;
    script.clear();
    scriptRunning = false;
    keysReadThisStep.clear();
}

} // namespace stepveil::platform
