// The editor pictured on the headless display of this program's own copy of the platform
// layer, kept apart from the X11 code (the effect's headers and Xlib's both name a KeyCode).
#include "HeadlessReference.h"

#include "gate/OvrinStepveil.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/display/headless/HeadlessDisplay.h"

#include <memory>

namespace x11test {

namespace headless = stepveil::platform::headless;

namespace {

vst2::intptr VST2_CALL quietHost(AEffect*, vst2::int32 opcode, vst2::int32, vst2::intptr, void*,
                                 float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// This program's own copy of the platform layer draws headless, whatever the plug-in uses.
void useHeadlessDisplay() {
    static const bool installed = [] {
        stepveil::platform::installDisplay(std::make_unique<stepveil::platform::HeadlessDisplay>());
        return true;
    }();
    (void)installed;
}

} // namespace

Image headlessPicture(const std::vector<float>& levels) {
    useHeadlessDisplay();
    HWND host = headless::createHostWindow(0, 0, editorWidth, editorHeight);
    auto* effect = new OvrinStepveil(quietHost);
    AEffect* record = effect->getAeffect();
    for (int step = 0; step < stepCount; ++step) {
        record->setParameter(record, step, levels[static_cast<std::size_t>(step)]);
    }
    record->dispatcher(record, effEditOpen, 0, 0, host, 0.0f);
    record->dispatcher(record, effEditIdle, 0, 0, nullptr, 0.0f);
    Image image = headless::captureWindow(host);
    record->dispatcher(record, effEditClose, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(host);
    return image;
}

} // namespace x11test
