#include "platform/linux/core/HandleTable.h"

#include <atomic>

namespace stepveil::platform {

std::uintptr_t nextHandleValue() {
    static std::atomic<std::uintptr_t> next{0x10000};
    return next.fetch_add(4);
}

} // namespace stepveil::platform
