// Which threads have initialised OLE: registering a drop target and creating objects need it,
// as on Win32.
#pragma once

#include <thread>

namespace stepveil::platform {

// The caller holds the layer lock.
bool isOleInitialised(std::thread::id thread);

} // namespace stepveil::platform
