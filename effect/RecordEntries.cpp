#include "effect/RecordEntries.h"

#include "effect/EffectBase.h"

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

} // namespace

vst2::intptr VST2_CALL dispatch(AEffect* record, vst2::int32 opcode, vst2::int32 index,
                                vst2::intptr value, void* ptr, float opt) {
    EffectBase* effect = effectOf(record);
    if (!effect) {
        return 0;
    }
    if (opcode == effClose) {
        // The effect's own close runs first; then the effect, its editor and its programs go.
        try {
            effect->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
            // Closing must end the effect whatever its close did.
        }
        delete effect;
        return 1;
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
        effect->setParameter(index, value);
    }
}

float VST2_CALL getParameter(AEffect* record, vst2::int32 index) {
    EffectBase* effect = effectOf(record);
    if (effect && isParameterIndex(record, index)) {
        return effect->getParameter(index);
    }
    return 0.0f;
}

} // namespace recordEntries
