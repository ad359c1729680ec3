// The LV2 editor binary's entry: the UI descriptor hosts find by `lv2ui_descriptor`, the only
// symbol the binary exports (ui-exports.map), and the idle interface hosts call it through.
#include "lv2/EditorUi.h"
#include "lv2/PortLayout.h"

#include <lv2/ui/ui.h>

#include <cstring>

namespace {

using stepveil::lv2::EditorUi;

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    return EditorUi::create(write, controller, widget, features);
}

void cleanup(LV2UI_Handle handle) {
    delete static_cast<EditorUi*>(handle);
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    static_cast<EditorUi*>(handle)->portEvent(port, size, format, buffer);
}

// 0: the editor stays open; only the host closes it.
int idle(LV2UI_Handle handle) {
    static_cast<EditorUi*>(handle)->idle();
    return 0;
}

const LV2UI_Idle_Interface idleInterface = {idle};

const void* extensionData(const char* uri) {
    return uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &idleInterface
                                                                          : nullptr;
}

const LV2UI_Descriptor descriptor = {stepveil::lv2::editorUri, instantiate, cleanup, portEvent,
                                     extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
