// The headless display's test interface.
#include "platform/headless.h"

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/display/headless/HeadlessDisplay.h"
#include "platform/linux/display/headless/WindowPicture.h"
#include "platform/linux/drawing/GdiObjects.h"
#include "platform/linux/system/SystemSettings.h"
#include "platform/linux/windowing/WindowManager.h"

#include <algorithm>
#include <cctype>
#include <thread>

namespace stepveil::platform::headless {

namespace {

// The headless display, or null when another display is in use.
HeadlessDisplay* headlessDisplay() {
    return dynamic_cast<HeadlessDisplay*>(&currentDisplay());
}

} // namespace

HWND createHostWindow(int screenX, int screenY, int width, int height) {
    auto lock = lockLayer();
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (static_cast<std::int64_t>(width) * height > maximumSurfacePixels) {
        return nullptr;
    }
    auto window = std::make_shared<Window>();
    window->style = WS_VISIBLE;
    window->position = POINT{screenX, screenY};
    window->width = width;
    window->height = height;
    window->surface = std::make_shared<Surface>(width, height, false);
    window->thread = callingThread();
    HWND handle = addWindow(window);
    currentDisplay().windowCreated(handle);
    return handle;
}

Image captureWindow(HWND handle, bool withChildren) {
    auto lock = lockLayer();
    auto window = findWindow(handle);
    if (!window) {
        return Image{};
    }
    return windowPicture(*window, withChildren);
}

Image captureBitmap(HBITMAP bitmap) {
    auto lock = lockLayer();
    auto object = findBitmap(bitmap);
    return object ? surfacePicture(*object->surface) : Image{};
}

void setTickCount(DWORD ticks) {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        display->setTickCount(ticks);
    }
}

void setCursorPos(int x, int y) {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        display->setCursor(POINT{x, y});
    }
}

void setKeyDown(int virtualKey, bool down) {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        display->setKeyDown(virtualKey, down);
    }
}

void releaseAllKeys() {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        display->releaseAllKeys();
    }
}

void scriptInput(std::vector<InputStep> steps) {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        std::vector<stepveil::platform::InputStep> converted;
        for (auto& step : steps) {
            converted.push_back({std::move(step.keysDown), step.cursor});
        }
        display->setScript(std::move(converted));
    }
}

void setButtonsSwapped(bool swapped) {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        display->setButtonsSwapped(swapped);
    }
}

void setPlatformId(DWORD platformId) {
    auto lock = lockLayer();
    systemSettings().platformId = platformId;
}

void setLibraryAvailable(const std::string& moduleName, bool available) {
    auto lock = lockLayer();
    std::string name = moduleName;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char character) {
        return static_cast<char>(std::tolower(character));
    });
    if (available) {
        systemSettings().unavailableLibraries.erase(name);
    } else {
        systemSettings().unavailableLibraries.insert(name);
    }
}

void failGlobalAllocations(int count) {
    auto lock = lockLayer();
    systemSettings().allocationsToFail = count;
}

void failGdiObjectCreations(int count) {
    auto lock = lockLayer();
    stepveil::platform::failGdiObjectCreations(count);
}

void postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto lock = lockLayer();
    auto target = findWindow(window);
    std::thread::id thread = target ? target->thread : callingThread();
    stepveil::platform::postMessage(MSG{window, message, wParam, lParam, 0, POINT{0, 0}}, thread);
}

std::size_t registeredClassCount() {
    auto lock = lockLayer();
    return stepveil::platform::registeredClassCount();
}

std::size_t liveGdiObjectCount() {
    auto lock = lockLayer();
    return stepveil::platform::liveGdiObjectCount();
}

void reset() {
    auto lock = lockLayer();
    if (auto* display = headlessDisplay()) {
        display->reset();
    }
    systemSettings() = SystemSettings{};
    stepveil::platform::failGdiObjectCreations(0);
}

} // namespace stepveil::platform::headless
