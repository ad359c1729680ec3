// ole32: per-thread initialisation counting. The first OleInitialize of a thread answers S_OK,
// later ones S_FALSE, each to be matched by one OleUninitialize.
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/ole/OleThreads.h"

#include "platform/win32.h"

#include <map>

using namespace stepveil::platform;

namespace {

// Kept in a table rather than in thread-local storage: the plug-in is a library loaded at run
// time, whose thread-local variables the address sanitizer's leak checker cannot scan.
std::map<std::thread::id, int>& initialisationCounts() {
    static std::map<std::thread::id, int> counts;
    return counts;
}

} // namespace

namespace stepveil::platform {

bool isOleInitialised(std::thread::id thread) {
    return initialisationCounts().count(thread) > 0;
}

} // namespace stepveil::platform

HRESULT OleInitialize(LPVOID) {
    auto lock = lockLayer();
    return initialisationCounts()[callingThread()]++ == 0 ? S_OK : S_FALSE;
}

void OleUninitialize() {
    auto lock = lockLayer();
    auto& counts = initialisationCounts();
    const auto found = counts.find(callingThread());
    if (found != counts.end() && --found->second == 0) {
        counts.erase(found);
    }
}
