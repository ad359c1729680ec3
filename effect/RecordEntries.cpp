#include "effect/RecordEntries.h"

#include "effect/EffectBase.h"

#include <optional>

namespace recordEntries {
namespace {

// A host may hand back a record it never got from us, or one whose effect is gone; a record
// without an object is answered as if nothing were there.
EffectBase* effectOf(AEffect* record) {
    return record ? static_cast<EffectBase*>(record->object) : nullptr;
}

bool isParameterIndex(const AEffect* record, vst2::int32 index) {
    return index >= 0 && index < record->numParams;
}

// Hosts send these from worker threads as well as from their user-interface thread.
bool mayComeOnAnyThread(vst2::int32 opcode) {
    switch (opcode) {
    case effSetProgram:
    case effGetProgram:
    case effSetProgramName:
    case effGetProgramName:
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effGetChunk:
    case effSetChunk:
    case effCanBeAutomated:
    case effString2Parameter:
    case effGetProgramNameIndexed:
    case effGetParameterProperties:
    case effBeginSetProgram:
    case effEndSetProgram:
        return true;
    default:
        return false;
    }
}

// Counts a call the host may make on any thread for as long as it runs (EffectBase's
// enterAnyThreadCall); a call that arrives while the effect closes is not made.
class AnyThreadCall {
public:
    explicit AnyThreadCall(EffectBase& called)
        : effect(called), entered(called.enterAnyThreadCall()) {}
    ~AnyThreadCall() {
        if (entered) {
            effect.leaveAnyThreadCall();
        }
    }
    AnyThreadCall(const AnyThreadCall&) = delete;
    AnyThreadCall& operator=(const AnyThreadCall&) = delete;
    bool allowed() const { return entered; }

private:
    EffectBase& effect;
    bool entered;
};

// effClose: the calls of other threads are let out first, then the effect's own close runs,
// then the editor closes; then the effect, its editor and its programs go - unless the
// editor's thread is still inside the editor, held up in a host callback, when the effect is
// left in place for good (its module stays loaded too) rather than freed under that thread.
vst2::intptr closeEffect(EffectBase* effect, vst2::int32 index, vst2::intptr value, void* ptr,
                         float opt) {
    effect->stopAnyThreadCalls();
    try {
        effect->dispatcher(effClose, index, value, ptr, opt);
    } catch (...) {
        // Closing must end the effect whatever its close did.
    }
    bool destroyable = true;
    try {
        destroyable = effect->prepareForDestruction();
    } catch (...) {
        // The destructor closes the editor again.
    }
    if (destroyable) {
        delete effect;
    }
    return 1;
}

} // namespace

vst2::intptr VST2_CALL dispatch(AEffect* record, vst2::int32 opcode, vst2::int32 index,
                                vst2::intptr value, void* ptr, float opt) {
    EffectBase* effect = effectOf(record);
    if (!effect) {
        return 0;
    }
    if (opcode == effClose) {
        return closeEffect(effect, index, value, ptr, opt);
    }
    std::optional<AnyThreadCall> counted;
    if (mayComeOnAnyThread(opcode)) {
        counted.emplace(*effect);
        if (!counted->allowed()) {
            return 0;
        }
    }
    try {
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        // Nothing may unwind into the host: a request that failed (typically an allocation
        // while opening the editor) is answered as not handled.
        return 0;
    }
}

void VST2_CALL process(AEffect* record, float** inputs, float** outputs, vst2::int32 sampleFrames) {
    EffectBase* effect = effectOf(record);
    if (effect) {
        effect->process(inputs, outputs, sampleFrames);
    }
}

void VST2_CALL processReplacing(AEffect* record, float** inputs, float** outputs,
                                vst2::int32 sampleFrames) {
    EffectBase* effect = effectOf(record);
    if (effect) {
        effect->processReplacing(inputs, outputs, sampleFrames);
    }
}

// Parameter indexes from the host are checked against the record's count here, so that no
// effect's setter or getter ever sees one outside its table.
void VST2_CALL setParameter(AEffect* record, vst2::int32 index, float value) {
    EffectBase* effect = effectOf(record);
    if (effect && isParameterIndex(record, index)) {
        AnyThreadCall call(*effect);
        if (call.allowed()) {
            effect->setParameter(index, value);
        }
    }
}

float VST2_CALL getParameter(AEffect* record, vst2::int32 index) {
    EffectBase* effect = effectOf(record);
    if (effect && isParameterIndex(record, index)) {
        AnyThreadCall call(*effect);
        if (call.allowed()) {
            return effect->getParameter(index);
        }
    }
    return 0.0f;
}

} // namespace recordEntries
