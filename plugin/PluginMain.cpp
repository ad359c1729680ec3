// The library's entry: the host calls it once per instance with its callback and receives the
// record of a new effect, the gate with its editor. Exported under the interface's names by
// the files beside this one (a .def file on Windows, ElfExports.cpp and a version script on
// Linux).
#include "plugin/PluginMain.h"

#include "effect/PluginEntry.h"
#include "gate/OvrinStepveil.h"

namespace {

EffectBase* makeFullEffect(audioMasterCallback hostCallback) {
    return new OvrinStepveil(hostCallback);
}

} // namespace

extern "C" AEffect* VST2_CALL stepveilMain(audioMasterCallback hostCallback) {
    return createEffectInstance(hostCallback, makeFullEffect);
}
