#include "platform/linux/core/LayerTasks.h"
#include "platform/linux/core/ThreadIdentity.h"

#include <deque>
#include <map>

namespace stepveil::platform {

namespace {

std::map<std::thread::id, std::deque<std::function<void()>>>& pendingTasks() {
    static std::map<std::thread::id, std::deque<std::function<void()>>> tasks;
    return tasks;
}

} // namespace

void postLayerTask(std::thread::id thread, std::function<void()> task) {
    pendingTasks()[thread].push_back(std::move(task));
}

void runLayerTasks(LayerLock& lock) {
    const auto thread = callingThread();
    for (;;) {
        auto found = pendingTasks().find(thread);
        if (found == pendingTasks().end()) {
            return;
        }
        // Taken out before it runs: a task may pump messages and so come back here.
        std::function<void()> task = std::move(found->second.front());
        found->second.pop_front();
        if (found->second.empty()) {
            pendingTasks().erase(found);
        }
        lock.unlock();
        task();
        lock.lock();
    }
}

} // namespace stepveil::platform
