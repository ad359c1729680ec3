#include "host/HostCallbackRouter.h"

#include "host/HostedPlugin.h"

#include <array>
#include <atomic>
#include <mutex>

namespace stepveil::host {

namespace {

// A fixed table rather than a map, so that finding an instance from the audio thread takes no
// lock and allocates nothing; only adding and removing are serialised.
struct RouteSlot {
    std::atomic<AEffect*> effect{nullptr};
    std::atomic<HostedPlugin*> plugin{nullptr};
};

std::array<RouteSlot, HostCallbackRouter::capacity> routes;
std::mutex routeWriters;
thread_local HostedPlugin* loadingPlugin = nullptr;

} // namespace

bool HostCallbackRouter::add(AEffect* effect, HostedPlugin* plugin) {
    std::lock_guard<std::mutex> lock(routeWriters);
    for (RouteSlot& slot : routes) {
        if (slot.effect.load(std::memory_order_relaxed) == nullptr) {
            slot.plugin.store(plugin, std::memory_order_relaxed);
            slot.effect.store(effect, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void HostCallbackRouter::remove(AEffect* effect) {
    std::lock_guard<std::mutex> lock(routeWriters);
    for (RouteSlot& slot : routes) {
        if (slot.effect.load(std::memory_order_relaxed) == effect) {
            slot.effect.store(nullptr, std::memory_order_release);
            slot.plugin.store(nullptr, std::memory_order_relaxed);
        }
    }
}

HostedPlugin* HostCallbackRouter::find(AEffect* effect) {
    if (effect != nullptr) {
        for (RouteSlot& slot : routes) {
            if (slot.effect.load(std::memory_order_acquire) == effect) {
                return slot.plugin.load(std::memory_order_relaxed);
            }
        }
    }
    return loadingPlugin;
}

vst2::intptr VST2_CALL HostCallbackRouter::callback(AEffect* effect, vst2::int32 opcode,
                                                    vst2::int32 index, vst2::intptr value,
                                                    void* ptr, float opt) {
    HostedPlugin* plugin = find(effect);
    if (plugin == nullptr) {
        // A record this process does not host, called from outside any load: nothing to answer.
        return 0;
    }
    return plugin->answerHostCall(effect, opcode, index, value, ptr, opt);
}

HostCallbackRouter::LoadingScope::LoadingScope(HostedPlugin* plugin) : previous(loadingPlugin) {
    loadingPlugin = plugin;
}

HostCallbackRouter::LoadingScope::~LoadingScope() {
    loadingPlugin = previous;
}

} // namespace stepveil::host
