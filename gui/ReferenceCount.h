// Reference counts shared between threads: the editor may let go of its frame on another
// thread than the window's, and the frame and the editor of one bitmap on two threads.
#pragma once

#include <atomic>
#include <cstdint>

// Gives back one reference; true when it was the last one, and the caller deletes the object.
// A count already at 0 is left as it is, so no caller can make an object free itself twice.
inline bool releaseReference(std::atomic<std::int32_t>& count) {
    std::int32_t current = count.load();
    do {
        if (current <= 0) {
            return false;
        }
    } while (!count.compare_exchange_weak(current, current - 1));
    return current == 1;
}
