// Opcodes 0 to 24: the operations every effect has. Host arguments are checked here, at the
// edge, so that the virtual operations only ever see usable values: a null text buffer, a
// parameter index outside the table, a sample rate that is not a positive number or a block
// size that is not a positive 32-bit count is not passed on.
#include "effect/EffectBase.h"

#include "editor/EditorBase.h"
#include "effect/ArgumentConversions.h"

using argumentConversions::clampToInt32;
using argumentConversions::isUsableBlockSize;
using argumentConversions::isUsableSampleRate;
using argumentConversions::truncateToInt32;

namespace {

constexpr vst2::int32 kIdentifyAnswer = vstFourCharCode('N', 'v', 'E', 'f');
constexpr double kVuScale = 32767.0;

} // namespace

EffectBase::intptr EffectBase::dispatcher(int32 opcode, int32 index, intptr value, void* ptr,
                                          float opt) {
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        if (value >= 0 && value < numPrograms) {
            setProgram(static_cast<int32>(value));
        }
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (text) {
            setProgramName(text);
        }
        return 0;
    case effGetProgramName:
        if (text) {
            getProgramName(text);
        }
        return 0;
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
        describeParameter(opcode, index, text);
        return 0;
    case effGetVu:
        return truncateToInt32(static_cast<double>(getVu()) * kVuScale);
    case effSetSampleRate:
        if (isUsableSampleRate(opt)) {
            setSampleRate(opt);
        }
        return 0;
    case effSetBlockSize:
        if (isUsableBlockSize(value)) {
            setBlockSize(static_cast<int32>(value));
        }
        return 0;
    case effMainsChanged:
        if (value == 0) {
            suspend();
        } else {
            resume();
        }
        return 0;
    case effIdentify:
        return kIdentifyAnswer;
    case effGetChunk:
        return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
        // A byte size that is negative or beyond 32 bits cannot describe the data.
        if (!ptr || value < 0 || value != clampToInt32(value)) {
            return 0;
        }
        return setChunk(ptr, clampToInt32(value), index != 0);
    default:
        return dispatchEditorOpcode(opcode, ptr);
    }
}

// A parameter the effect does not have gets an empty text rather than a call that could read
// past the effect's tables.
void EffectBase::describeParameter(int32 opcode, int32 index, char* text) {
    if (!text) {
        return;
    }
    if (index < 0 || index >= numParams) {
        text[0] = '\0';
        return;
    }
    if (opcode == effGetParamLabel) {
        getParameterLabel(index, text);
    } else if (opcode == effGetParamDisplay) {
        getParameterDisplay(index, text);
    } else {
        getParameterName(index, text);
    }
}

// The editor opcodes of the base range; without an editor each answers 0 and does nothing.
EffectBase::intptr EffectBase::dispatchEditorOpcode(int32 opcode, void* ptr) {
    if (!editor) {
        return 0;
    }
    switch (opcode) {
    case effEditGetRect:
        return ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
        return ptr ? editor->open(ptr) : 0;
    case effEditClose:
        editor->close();
        return 0;
    case effEditIdle:
        editor->idle();
        return 0;
    default:
        // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and every opcode
        // without a meaning here.
        return 0;
    }
}
