// The library's entry: the host calls it once per instance with its callback and receives the
// record of a new gate effect. Exported under the interface's names by the files beside this
// one (a .def file on Windows, ElfExports.cpp and a version script on Linux).
#include "plugin/PluginMain.h"

#include "effect/PluginEntry.h"
#include "gate/OvrinStepveilBase.h"

namespace {

EffectBase* makeGateEffect(audioMasterCallback hostCallback) {
    return new OvrinStepveilBase(hostCallback);
}

} // namespace

extern "C" AEffect* VST2_CALL stepveilMain(audioMasterCallback hostCallback) {
    return createEffectInstance(hostCallback, makeGateEffect);
}
