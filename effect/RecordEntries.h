// The static functions placed in the effect record. A host calls these with the record it
// holds; each finds the effect through the record's object field and calls one of its virtual
// operations.
#pragma once

#include "vst2/vst2.h"

namespace recordEntries {

vst2::intptr VST2_CALL dispatch(AEffect* record, vst2::int32 opcode, vst2::int32 index,
                                vst2::intptr value, void* ptr, float opt);
void VST2_CALL process(AEffect* record, float** inputs, float** outputs, vst2::int32 sampleFrames);
void VST2_CALL processReplacing(AEffect* record, float** inputs, float** outputs,
                                vst2::int32 sampleFrames);
void VST2_CALL setParameter(AEffect* record, vst2::int32 index, float value);
float VST2_CALL getParameter(AEffect* record, vst2::int32 index);

} // namespace recordEntries
