// The instance handle of the module (executable or shared library) that holds this code.
#pragma once

#include "platform/win32.h"

namespace stepveil::platform {

// The load address of the module containing this function; every copy of the layer linked
// into a different module answers differently.
HINSTANCE thisModuleHandle();

// The load address of the module containing the given address, or null if none does.
HINSTANCE moduleHandleOf(const void* address);

} // namespace stepveil::platform
