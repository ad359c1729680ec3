// Opcodes 25 to 76. As in the base range, arguments are checked at this edge: an opcode whose
// operation reads or writes through ptr answers 0 and calls nothing when ptr is null, and
// numbers are narrowed without undefined behaviour.
#include "effect/EffectBaseEx.h"

#include "editor/EditorBase.h"
#include "effect/ArgumentConversions.h"

using argumentConversions::clampToInt32;
using argumentConversions::isUsableBlockSize;
using argumentConversions::isUsableSampleRate;
using argumentConversions::makeKeyCode;

namespace {

constexpr vst2::int32 kFirstExtendedOpcode = effProcessEvents;
constexpr vst2::int32 kLastExtendedOpcode = effBeginLoadProgram;

vst2::intptr answer(bool state) {
    return state ? 1 : 0;
}

} // namespace

EffectBaseEx::intptr EffectBaseEx::dispatcher(int32 opcode, int32 index, intptr value, void* ptr,
                                              float opt) {
    if (opcode < kFirstExtendedOpcode || opcode > kLastExtendedOpcode) {
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
    if (opcodeNeedsPtr(opcode) && !ptr) {
        return 0;
    }
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effProcessEvents:
        return processEvents(ptr);
    case effCanBeAutomated:
        return answer(canParameterBeAutomated(index));
    case effString2Parameter:
        return answer(stringToParameter(index, text));
    case effGetNumProgramCategories:
        return getNumCategories();
    case effGetProgramNameIndexed:
        return answer(getProgramNameIndexed(clampToInt32(value), index, text));
    case effCopyProgram:
        return answer(copyProgram(index));
    case effConnectInput:
        inputConnected(index, value != 0);
        return 1;
    case effConnectOutput:
        outputConnected(index, value != 0);
        return 1;
    case effGetInputProperties:
        return answer(getInputProperties(index, ptr));
    case effGetOutputProperties:
        return answer(getOutputProperties(index, ptr));
    case effGetPlugCategory:
        return getPlugCategory();
    case effGetCurrentPosition:
        return reportCurrentPosition();
    case effGetDestinationBuffer:
        return reinterpret_cast<intptr>(reportDestinationBuffer());
    default:
        return dispatchOfflineAndSetup(opcode, index, value, ptr, opt);
    }
}

EffectBaseEx::intptr EffectBaseEx::dispatchOfflineAndSetup(int32 opcode, int32 index, intptr value,
                                                           void* ptr, float opt) {
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case effOfflineNotify:
        return answer(offlineNotify(ptr, clampToInt32(value), index != 0));
    case effOfflinePrepare:
        return answer(offlinePrepare(ptr, clampToInt32(value)));
    case effOfflineRun:
        return answer(offlineRun(ptr, clampToInt32(value)));
    case effProcessVarIo:
        return answer(processVariableIo(ptr));
    case effSetSpeakerArrangement:
        if (value == 0) {
            return 0;
        }
        return answer(setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                            static_cast<VstSpeakerArrangement*>(ptr)));
    case effSetBlockSizeAndSampleRate:
        // Each value is taken only when usable; the other keeps its last setting.
        setBlockSizeAndSampleRate(isUsableBlockSize(value) ? static_cast<int32>(value) : blockSize,
                                  isUsableSampleRate(opt) ? opt : sampleRate);
        return 1;
    case effSetBypass:
        return answer(setBypass(value != 0));
    case effGetEffectName:
        return answer(getEffectName(text));
    case effGetErrorText:
        return answer(getErrorText(text));
    case effGetVendorString:
        return answer(getVendorString(text));
    case effGetProductString:
        return answer(getProductString(text));
    case effGetVendorVersion:
        return getVendorVersion();
    case effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case effCanDo:
        return canDo(text);
    default:
        return dispatchIdleAndKeys(opcode, index, value, ptr, opt);
    }
}

EffectBaseEx::intptr EffectBaseEx::dispatchIdleAndKeys(int32 opcode, int32 index, intptr value,
                                                       void* ptr, float opt) {
    switch (opcode) {
    case effGetTailSize:
        return getTailSize();
    case effIdle:
        return effectIdle();
    case effGetIcon:
        return reinterpret_cast<intptr>(getIcon());
    case effSetViewPosition:
        return answer(setViewPosition(index, clampToInt32(value)));
    case effGetParameterProperties:
        return answer(getParameterProperties(index, ptr));
    case effKeysRequired:
        // The opcode asks the opposite question: 1 means keys are not needed.
        return keysRequired() ? 0 : 1;
    case effGetVstVersion:
        return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp:
    case effSetEditKnobMode:
        return dispatchEditorKeys(opcode, index, value, opt);
    default:
        return dispatchMidiAndProcess(opcode, index, value, ptr, opt);
    }
}

EffectBaseEx::intptr EffectBaseEx::dispatchEditorKeys(int32 opcode, int32 index, intptr value,
                                                      float opt) {
    if (!editor) {
        return 0;
    }
    if (opcode == effSetEditKnobMode) {
        return editor->setKnobMode(clampToInt32(value));
    }
    KeyCode keyCode = makeKeyCode(index, value, opt);
    return opcode == effEditKeyDown ? editor->onKeyDown(keyCode) : editor->onKeyUp(keyCode);
}

EffectBaseEx::intptr EffectBaseEx::dispatchMidiAndProcess(int32 opcode, int32 index, intptr value,
                                                          void* ptr, float opt) {
    switch (opcode) {
    case effGetMidiProgramName:
        return getMidiProgramName(index, ptr);
    case effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, ptr);
    case effGetMidiProgramCategory:
        return getMidiProgramCategory(index, ptr);
    case effHasMidiProgramsChanged:
        return answer(hasMidiProgramsChanged(index));
    case effGetMidiKeyName:
        return answer(getMidiKeyName(index, ptr));
    case effBeginSetProgram:
        return answer(beginSetProgram());
    case effEndSetProgram:
        return answer(endSetProgram());
    case effGetSpeakerArrangement:
        if (value == 0) {
            return 0;
        }
        return answer(getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                            static_cast<VstSpeakerArrangement**>(ptr)));
    case effShellGetNextPlugin:
        return getNextShellPlugin(static_cast<char*>(ptr));
    case effStartProcess:
        return startProcess();
    case effStopProcess:
        return stopProcess();
    case effSetTotalSampleToProcess:
        return setTotalSampleToProcess(value);
    case effSetPanLaw:
        return answer(setPanLaw(clampToInt32(value), opt));
    case effBeginLoadBank:
        return beginLoadBank(ptr);
    case effBeginLoadProgram:
        return beginLoadProgram(ptr);
    default:
        return 0;
    }
}

// The opcodes whose operation reads or writes through ptr. effVendorSpecific is not among
// them: its ptr means whatever the vendor agreed, null included.
bool EffectBaseEx::opcodeNeedsPtr(int32 opcode) {
    switch (opcode) {
    case effProcessEvents:
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetInputProperties:
    case effGetOutputProperties:
    case effOfflineNotify:
    case effOfflinePrepare:
    case effOfflineRun:
    case effProcessVarIo:
    case effSetSpeakerArrangement:
    case effGetEffectName:
    case effGetErrorText:
    case effGetVendorString:
    case effGetProductString:
    case effCanDo:
    case effGetParameterProperties:
    case effGetMidiProgramName:
    case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory:
    case effGetMidiKeyName:
    case effGetSpeakerArrangement:
    case effShellGetNextPlugin:
    case effBeginLoadBank:
    case effBeginLoadProgram:
        return true;
    default:
        return false;
    }
}
