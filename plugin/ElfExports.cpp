// The entry's exported names on Linux. Hosts look up `VSTPluginMain` first and fall back to
// `main`; a C++ function cannot be called main unless it returns int, so that name is given
// by an assembler label. The version script (exports.map) keeps every other symbol local.
#include "plugin/PluginMain.h"

#define STEPVEIL_EXPORT __attribute__((visibility("default")))

extern "C" STEPVEIL_EXPORT AEffect* VSTPluginMain(audioMasterCallback hostCallback) {
    return stepveilMain(hostCallback);
}

extern "C" STEPVEIL_EXPORT AEffect* mainEntry(audioMasterCallback hostCallback) __asm__("main");

AEffect* mainEntry(audioMasterCallback hostCallback) {
    return stepveilMain(hostCallback);
}
