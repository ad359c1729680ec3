// One lock for all of the layer's shared tables. Public entry points take it for the time
// they touch the tables and give it up before they call into a window procedure, which may
// come back into the layer.
#pragma once

#include <mutex>

namespace stepveil::platform {

using LayerLock = std::unique_lock<std::mutex>;

LayerLock lockLayer();

} // namespace stepveil::platform
