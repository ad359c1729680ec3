#include "lv2/EditorUi.h"

#include "editor/GuiEditor.h"
#include "gate/OvrinStepveil.h"
#include "gui/Frame.h"
#include "lv2/PortLayout.h"
#include "platform/native_window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace stepveil::lv2 {

namespace {

constexpr vst2::intptr hostVersion = 2400;

const void* featureData(const LV2_Feature* const* features, const char* uri) {
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, uri) == 0) {
            return (*features)->data;
        }
    }
    return nullptr;
}

bool isStep(vst2::int32 step) {
    return step >= 0 && step < static_cast<vst2::int32>(levelPortCount);
}

} // namespace

EditorUi* EditorUi::create(LV2UI_Write_Function writeLevels, LV2UI_Controller hostController,
                           LV2UI_Widget* widget, const LV2_Feature* const* features) {
    void* parent = const_cast<void*>(featureData(features, LV2_UI__parent));
    if (parent == nullptr || widget == nullptr) {
        return nullptr;
    }
    const auto* touch = static_cast<const LV2UI_Touch*>(featureData(features, LV2_UI__touch));
    const auto* resize = static_cast<const LV2UI_Resize*>(featureData(features, LV2_UI__resize));
    auto* ui = new (std::nothrow) EditorUi(writeLevels, hostController, touch);
    if (ui != nullptr && !ui->open(parent, resize, widget)) {
        delete ui;
        return nullptr;
    }
    return ui;
}

EditorUi::EditorUi(LV2UI_Write_Function writeLevels, LV2UI_Controller hostController,
                   const LV2UI_Touch* touch)
    : writeFunction(writeLevels), controller(hostController), touchFeature(touch) {}

// Opens the editor as a VST 2 host would, in the host's window; the widget the host embeds is
// the editor's own X window.
bool EditorUi::open(void* parent, const LV2UI_Resize* resize, LV2UI_Widget* widget) {
    OvrinStepveil* model = nullptr;
    try {
        model = new OvrinStepveil(answerEffect);
    } catch (...) {
        return false;
    }
    effect = model->getAeffect();
    effect->user = this;
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    ERect* size = nullptr;
    effect->dispatcher(effect, effEditGetRect, 0, 0, &size, 0.0f);
    if (effect->dispatcher(effect, effEditOpen, 0, 0, parent, 0.0f) == 0) {
        return false;
    }
    editorOpen = true;
    auto* editor = static_cast<GuiEditor*>(model->getAttachedEditor());
    HWND window = editor->getFrame() != nullptr ? editor->getFrame()->getWindow() : nullptr;
    const std::uintptr_t native = platform::nativeWindowOf(window);
    // On the headless display (tests) the editor has no system window: the host gets the
    // layer's handle instead.
    *widget =
        native != 0 ? reinterpret_cast<LV2UI_Widget>(native) : static_cast<LV2UI_Widget>(window);
    // The size once, for hosts that take the first size from this call.
    if (resize != nullptr && resize->ui_resize != nullptr && size != nullptr) {
        resize->ui_resize(resize->handle, size->right - size->left, size->bottom - size->top);
    }
    return true;
}

EditorUi::~EditorUi() {
    if (effect == nullptr) {
        return;
    }
    if (editorOpen) {
        effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

// The host tells the value of every control port: the step levels go to the model, whose
// editor shows them at its next idle. Other ports and formats carry nothing for the editor.
void EditorUi::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                         const void* buffer) {
    if (format != 0 || size != sizeof(float) || buffer == nullptr || !isLevelPort(port)) {
        return;
    }
    float level = 0.0f;
    std::memcpy(&level, buffer, sizeof level);
    if (!std::isfinite(level)) {
        return;
    }
    effect->setParameter(effect, static_cast<vst2::int32>(port - firstLevelPort),
                         std::clamp(level, 0.0f, 1.0f));
}

void EditorUi::idle() {
    effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
}

void EditorUi::touch(vst2::int32 step, bool grabbed) {
    if (isStep(step) && touchFeature != nullptr && touchFeature->touch != nullptr) {
        touchFeature->touch(touchFeature->handle, firstLevelPort + static_cast<std::uint32_t>(step),
                            grabbed);
    }
}

void EditorUi::writeLevel(vst2::int32 step, float level) {
    if (isStep(step) && writeFunction != nullptr) {
        writeFunction(controller, firstLevelPort + static_cast<std::uint32_t>(step), sizeof level,
                      0, &level);
    }
}

// The editor's calls to its host. Its edits go to the host's ports; it has no song to ask for.
vst2::intptr EditorUi::answerEffect(AEffect* record, vst2::int32 opcode, vst2::int32 index,
                                    vst2::intptr, void*, float opt) {
    auto* self = record != nullptr ? static_cast<EditorUi*>(record->user) : nullptr;
    if (opcode == audioMasterVersion) {
        return hostVersion;
    }
    if (self == nullptr) {
        return 0;
    }
    switch (opcode) {
    case audioMasterBeginEdit:
        self->touch(index, true);
        return 1;
    case audioMasterAutomate:
        self->writeLevel(index, opt);
        return 1;
    case audioMasterEndEdit:
        self->touch(index, false);
        return 1;
    default:
        return 0;
    }
}

} // namespace stepveil::lv2
