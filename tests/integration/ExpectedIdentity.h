// How the plug-in introduces itself to a host. `main` makes the full effect, the gate with its
// editor; `gateWithoutEditor` is what the gate alone would answer. Both hand hosts their state
// as chunks.
#pragma once

#include "vst2/vst2.h"

namespace stepveil::test {

struct EffectIdentity {
    vst2::int32 uniqueId;
    vst2::int32 flags;
    const char* effectName;
    const char* productString;
    const char* vendorString;
    vst2::intptr vendorVersion;
    vst2::intptr category;
    bool hasEditor;
};

inline constexpr EffectIdentity gateWithoutEditor{vstFourCharCode('O', 'V', 's', 'v'),
                                                  effFlagsCanMono | effFlagsCanReplacing |
                                                      effFlagsProgramChunks,
                                                  "OvrinStepveilBase",
                                                  "Ovrin Audio StepveilBase",
                                                  "Ovrin Audio",
                                                  1000,
                                                  kPlugCategEffect,
                                                  false};

inline constexpr EffectIdentity gateWithEditor{vstFourCharCode('O', 'V', 'S', 'V'),
                                               effFlagsHasEditor | effFlagsCanMono |
                                                   effFlagsCanReplacing | effFlagsProgramChunks,
                                               "OvrinStepveil",
                                               "Ovrin Audio Stepveil",
                                               "Ovrin Audio",
                                               1000,
                                               kPlugCategEffect,
                                               true};

inline constexpr const EffectIdentity& expectedIdentity = gateWithEditor;

} // namespace stepveil::test
