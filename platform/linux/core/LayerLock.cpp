#include "platform/linux/core/LayerLock.h"

namespace stepveil::platform {

LayerLock lockLayer() {
    static std::mutex layerMutex;
    return LayerLock(layerMutex);
}

} // namespace stepveil::platform
