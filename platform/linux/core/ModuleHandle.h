// The instance handle of the module (executable or shared library) that holds this code.
#pragma once

#include "platform/win32.h"

namespace stepveil::platform {

// The load address of the module containing this function; every copy of the layer linked
// into a different module answers differently.
HINSTANCE thisModuleHandle();

// The load address of the module containing the given address, or null if none does.
HINSTANCE moduleHandleOf(const void* address);

// Keeps the module holding the address loaded until the process ends, whoever unloads it.
// False when no module holds it.
bool pinModuleOf(const void* address);

} // namespace stepveil::platform
