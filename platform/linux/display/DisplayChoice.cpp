// Which display serves the layer's windows: X11 on Linux, unless the environment asks for the
// headless one (tests, and hosts that picture the editor without a screen).
#include "platform/linux/display/Display.h"
#include "platform/linux/display/headless/HeadlessDisplay.h"
#include "platform/linux/display/x11/X11Display.h"

#include <cstdlib>
#include <cstring>

namespace stepveil::platform {

namespace {

std::unique_ptr<Display> chooseDisplay() {
    const char* choice = std::getenv(displayChoiceVariable);
    if (choice != nullptr && std::strcmp(choice, headlessDisplayName) == 0) {
        return std::make_unique<HeadlessDisplay>();
    }
    return std::make_unique<X11Display>();
}

std::unique_ptr<Display>& installedDisplay() {
    static std::unique_ptr<Display> display = chooseDisplay();
    return display;
}

} // namespace

Display& currentDisplay() {
    return *installedDisplay();
}

void installDisplay(std::unique_ptr<Display> display) {
    if (display) {
        installedDisplay() = std::move(display);
    }
}

} // namespace stepveil::platform
