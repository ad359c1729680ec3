// What the library's exported entry does for whichever effect it makes: check the host, make
// the effect, and hand back its record, or null.
#pragma once

#include "effect/EffectBase.h"

using EffectFactory = EffectBase* (*)(audioMasterCallback hostCallback);

// Returns the new effect's record, or null (and makes nothing, or nothing that survives) when
// there is no host callback, when the host answers 0 to its version query, when the effect
// cannot be made, or when it could not make its editor.
AEffect* createEffectInstance(audioMasterCallback hostCallback, EffectFactory makeEffect);
