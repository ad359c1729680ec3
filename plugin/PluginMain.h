#pragma once

#include "vst2/vst2.h"

// The entry under a name C++ accepts; the build exports it as `main` (and, on Linux, also as
// `VSTPluginMain`, the name Linux hosts look for first).
extern "C" AEffect* VST2_CALL stepveilMain(audioMasterCallback hostCallback);
