// Which thread a call of the layer acts for. Normally the calling thread itself; while a thread
// handles a message sent to a window of a thread that is not reading messages (a Linux host
// runs no message loop for the plug-in), it acts for the window's thread, so everything the
// layer keeps per thread (windows, queue, drop targets, OLE counts) is that thread's.
#pragma once

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/win32/win32_types.h"

#include <thread>

namespace stepveil::platform {

// The caller holds the layer lock.
std::thread::id callingThread();

// The number GetCurrentThreadId answers for a thread: never 0, and the same for as long as the
// layer is loaded. The caller holds the layer lock.
DWORD threadNumber(std::thread::id thread);

// While one lives, the calling thread acts for `owner`, and `owner`'s own calls into the
// message functions wait until it is gone (waitWhileActedFor). Made and ended with the layer
// lock held.
class ActingFor {
public:
    explicit ActingFor(std::thread::id owner);
    ~ActingFor();
    ActingFor(const ActingFor&) = delete;
    ActingFor& operator=(const ActingFor&) = delete;
};

bool isActedFor(std::thread::id thread);

} // namespace stepveil::platform
