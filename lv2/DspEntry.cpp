// The LV2 plug-in binary's entry: the descriptor hosts find by `lv2_descriptor`, the only
// symbol the binary exports (dsp-exports.map).
#include "lv2/GateInstance.h"
#include "lv2/PortLayout.h"

#include <lv2/core/lv2.h>

namespace {

using stepveil::lv2::GateInstance;

GateInstance* instanceOf(LV2_Handle handle) {
    return static_cast<GateInstance*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double sampleRate, const char*,
                       const LV2_Feature* const* features) {
    return GateInstance::create(sampleRate, features);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) {
    instanceOf(handle)->connect(port, data);
}

void activate(LV2_Handle handle) {
    instanceOf(handle)->activate();
}

void run(LV2_Handle handle, uint32_t frames) {
    instanceOf(handle)->run(frames);
}

void deactivate(LV2_Handle handle) {
    instanceOf(handle)->deactivate();
}

void cleanup(LV2_Handle handle) {
    delete instanceOf(handle);
}

// No extension interfaces: the host keeps the step levels as control-port values.
const void* extensionData(const char*) {
    return nullptr;
}

const LV2_Descriptor descriptor = {stepveil::lv2::pluginUri,
                                   instantiate,
                                   connectPort,
                                   activate,
                                   run,
                                   deactivate,
                                   cleanup,
                                   extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
