#include "gate/OvrinStepveil.h"

#include "editor/StepveilEditor.h"

#include <cstring>
#include <new>

namespace {

constexpr char effectName[] = "OvrinStepveil";
constexpr char productString[] = "Ovrin Audio Stepveil";

bool writeText(char* text, const char* value) {
    if (!text) {
        return false;
    }
    std::strcpy(text, value);
    return true;
}

} // namespace

OvrinStepveil::OvrinStepveil(audioMasterCallback callback) : OvrinStepveilBase(callback) {
    setUniqueId(vstFourCharCode('O', 'V', 'S', 'V'));
    // The editor attaches itself to this effect (and sets the has-editor flag) as it is made.
    if (!new (std::nothrow) StepveilEditor(this)) {
        editorFailed = true;
    }
}

OvrinStepveil::~OvrinStepveil() = default;

void OvrinStepveil::setParameter(int32 index, float value) {
    OvrinStepveilBase::setParameter(index, value);
    // Only this class attaches an editor to itself, and it is always a StepveilEditor.
    if (editor) {
        static_cast<GuiEditor*>(editor)->setParameter(index, value);
    }
}

bool OvrinStepveil::getEffectName(char* text) {
    return writeText(text, effectName);
}

bool OvrinStepveil::getProductString(char* text) {
    return writeText(text, productString);
}
