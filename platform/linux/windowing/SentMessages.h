// Messages sent to a window of another thread (SendMessageTimeoutA), and which threads are
// inside the message functions right now. As in Win32, a thread reading its messages
// (PeekMessageA, or waiting in a send of its own) handles the messages sent to its windows,
// and the sender waits for the answer. A thread outside the message functions may never read
// them here: no Linux host runs a message loop for the plug-in. Such a message is handled by
// the sender itself, acting for the window's thread (ThreadIdentity.h) until the window
// procedure returns.
#pragma once

#include "platform/linux/core/LayerLock.h"
#include "platform/linux/windowing/WindowManager.h"

namespace stepveil::platform {

// Marks the calling thread as inside a message function for its life: it reads messages (or
// runs a window procedure, and so comes back to reading soon). Made and ended with the layer
// lock held.
class InMessageFunction {
public:
    InMessageFunction();
    ~InMessageFunction();
    InMessageFunction(const InMessageFunction&) = delete;
    InMessageFunction& operator=(const InMessageFunction&) = delete;
};

// While another thread acts for the calling thread, the calling thread's message functions
// wait here, so no two threads handle one thread's windows at once.
void waitWhileActedFor(LayerLock& lock);

// Handles the messages sent to windows of the calling thread, each with the lock given up.
void handleSentMessages(LayerLock& lock);

// Sends a message to `window`, which belongs to another thread, and waits at most `timeout`
// milliseconds for it to be taken (once taken, for its answer). False when it was not taken in
// time; it is then not delivered at all.
bool sendToOtherThread(LayerLock& lock, const Window& window, UINT message, WPARAM wParam,
                       LPARAM lParam, DWORD timeout, LRESULT& answer);

} // namespace stepveil::platform
