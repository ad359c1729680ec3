#include "effect/PluginEntry.h"

namespace {

// A failure to construct (an allocation, typically) must not unwind into the host.
EffectBase* makeWithoutThrowing(audioMasterCallback hostCallback, EffectFactory makeEffect) {
    try {
        return makeEffect(hostCallback);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

AEffect* createEffectInstance(audioMasterCallback hostCallback, EffectFactory makeEffect) {
    // Every answer of the effect goes through the host; without one there is nothing to serve.
    if (!hostCallback || !makeEffect) {
        return nullptr;
    }
    // A host that answers 0 does not speak the interface version the effect is written for.
    if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr;
    }
    // The flag reports on this construction only; an earlier failure must not refuse a
    // later instance that makes its editor.
    editorFailed = false;
    EffectBase* const effect = makeWithoutThrowing(hostCallback, makeEffect);
    if (!effect) {
        return nullptr;
    }
    if (editorFailed) {
        delete effect;
        return nullptr;
    }
    return effect->getAeffect();
}
