// The LV2 editor: an X11 UI that shows the gate's own editor in the host's window. It holds
// an instance of the full effect as the model the editor draws, sets its levels from the
// host's port events, and plays the host's part for it: the editor's edits (begin, each
// value, end) reach the host as ui:touch and write_function calls on the step's port.
#pragma once

#include "vst2/vst2.h"

#include <lv2/ui/ui.h>

#include <cstdint>

namespace stepveil::lv2 {

class EditorUi {
public:
    // Null without the host's window (ui:parent) or when the editor cannot open in it.
    static EditorUi* create(LV2UI_Write_Function writeLevels, LV2UI_Controller controller,
                            LV2UI_Widget* widget, const LV2_Feature* const* features);
    ~EditorUi();
    EditorUi(const EditorUi&) = delete;
    EditorUi& operator=(const EditorUi&) = delete;

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer);
    // The host's idle, on its user-interface thread: the editor handles its window's events
    // and draws what changed.
    void idle();

private:
    EditorUi(LV2UI_Write_Function writeLevels, LV2UI_Controller hostController,
             const LV2UI_Touch* touch);
    bool open(void* parent, const LV2UI_Resize* resize, LV2UI_Widget* widget);
    static vst2::intptr answerEffect(AEffect* record, vst2::int32 opcode, vst2::int32 index,
                                     vst2::intptr value, void* ptr, float opt);
    void touch(vst2::int32 step, bool grabbed);
    void writeLevel(vst2::int32 step, float level);

    LV2UI_Write_Function writeFunction;
    LV2UI_Controller controller;
    const LV2UI_Touch* touchFeature;
    AEffect* effect = nullptr;
    bool editorOpen = false;
};

} // namespace stepveil::lv2
