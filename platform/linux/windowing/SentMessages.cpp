#include "platform/linux/windowing/SentMessages.h"

#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/windowing/WindowProcedure.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>

namespace stepveil::platform {

namespace {

struct SentMessage {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id receiver;
    bool taken = false;
    bool answered = false;
    LRESULT answer = 0;
};

struct SendTables {
    std::deque<std::shared_ptr<SentMessage>> waiting;
    std::map<std::thread::id, int> insideMessageFunctions;
    // Told whenever a message is answered, a thread leaves the message functions or stops
    // acting for another.
    std::condition_variable changed;
};

SendTables& tables() {
    static SendTables instance;
    return instance;
}

bool isInsideMessageFunctions(std::thread::id thread) {
    auto found = tables().insideMessageFunctions.find(thread);
    return found != tables().insideMessageFunctions.end() && found->second > 0;
}

void forget(const std::shared_ptr<SentMessage>& entry) {
    auto& waiting = tables().waiting;
    waiting.erase(std::remove(waiting.begin(), waiting.end(), entry), waiting.end());
}

// Runs the window procedure for a message taken from the list, on the calling thread.
void handle(LayerLock& lock, const std::shared_ptr<SentMessage>& entry) {
    entry->taken = true;
    forget(entry);
    auto window = findWindow(entry->window);
    if (window && !window->destroying) {
        entry->answer = callWindowProcedure(lock, entry->window, window->procedure, entry->message,
                                            entry->wParam, entry->lParam);
    }
    entry->answered = true;
    tables().changed.notify_all();
}

} // namespace

InMessageFunction::InMessageFunction() {
    ++tables().insideMessageFunctions[callingThread()];
}

InMessageFunction::~InMessageFunction() {
    auto& inside = tables().insideMessageFunctions;
    auto found = inside.find(callingThread());
    if (found != inside.end() && --found->second <= 0) {
        inside.erase(found);
        tables().changed.notify_all();
    }
}

void waitWhileActedFor(LayerLock& lock) {
    const auto self = std::this_thread::get_id();
    tables().changed.wait(lock, [self] { return !isActedFor(self); });
}

void handleSentMessages(LayerLock& lock) {
    const auto self = callingThread();
    for (;;) {
        auto& waiting = tables().waiting;
        auto next = std::find_if(waiting.begin(), waiting.end(),
                                 [self](const auto& entry) { return entry->receiver == self; });
        if (next == waiting.end()) {
            return;
        }
        auto entry = *next;
        handle(lock, entry);
    }
}

bool sendToOtherThread(LayerLock& lock, const Window& window, UINT message, WPARAM wParam,
                       LPARAM lParam, DWORD timeout, LRESULT& answer) {
    auto entry = std::make_shared<SentMessage>(
        SentMessage{window.handle, message, wParam, lParam, window.thread});
    tables().waiting.push_back(entry);
    InMessageFunction waitingHere;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    for (;;) {
        // A thread sending to this one meanwhile is answered, so two threads sending to each
        // other both go on.
        handleSentMessages(lock);
        if (entry->answered) {
            answer = entry->answer;
            return true;
        }
        if (!entry->taken && !isInsideMessageFunctions(entry->receiver) &&
            !isActedFor(entry->receiver)) {
            {
                ActingFor acting(entry->receiver);
                handle(lock, entry);
            }
            tables().changed.notify_all(); // the window's thread may go on
            answer = entry->answer;
            return true;
        }
        // Once the window's thread has taken the message, its answer is waited for.
        if (entry->taken) {
            tables().changed.wait(lock);
            continue;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            forget(entry); // not taken in time: it is not delivered at all, as Wine does
            return false;
        }
        tables().changed.wait_until(lock, deadline);
    }
}

} // namespace stepveil::platform
