// Work that a display hands to a thread's message loop. A display collects the window
// system's events with the layer lock held, so it cannot call program code there (a drop
// target, say, which calls back into the layer). It posts a task for the thread the code
// belongs on instead; PeekMessageA on that thread runs its tasks in order, without the lock,
// before it looks at the queue - as Win32 delivers OLE's calls inside the message functions.
#pragma once

#include "platform/linux/core/LayerLock.h"

#include <functional>
#include <thread>

namespace stepveil::platform {

// The caller holds the layer lock.
void postLayerTask(std::thread::id thread, std::function<void()> task);

// Runs the calling thread's tasks, giving up the lock for each; tasks posted meanwhile run
// too. The caller holds the lock.
void runLayerTasks(LayerLock& lock);

} // namespace stepveil::platform
