// One stored program of the gate: a level for each of the 32 steps of a bar and a short name.
#pragma once

#include <array>
#include <atomic>
#include <mutex>

class Program {
public:
    static constexpr int numLevels = 32;
    // The name field holds 24 bytes: at most 23 characters and the terminating zero.
    static constexpr int nameSize = 24;
    using Name = std::array<char, nameSize>;

    // A new program is named "Init" and sits at half level on every step.
    Program();

    // Copies at most 23 characters of text and always terminates the stored name, so a host
    // that hands over a longer text cannot overrun the field. A null text leaves the name as it is.
    void setName(const char* text);
    // The name as it is now, zero-terminated.
    Name getName() const;

    // Levels are written by parameter changes from the host's threads while other threads
    // read them (program switches, the editor); each is a single lock-free float.
    std::array<std::atomic<float>, numLevels> levels;

private:
    // Hosts rename programs and restore whole banks from their user-interface or a worker
    // thread while another thread lists the names; names never reach the audio thread, so a
    // lock guards them.
    mutable std::mutex nameLock;
    Name name;
};

// A level as the gate keeps it, from silence (0) to full level (1): a value beyond either end
// is brought to that end, so that no host or file can make the gate amplify or invert the
// signal. A value that is not a number has no level to stand for; callers keep the level they
// had instead (isLevel).
inline bool isLevel(float value) {
    return value == value;
}
inline float levelWithinRange(float value) {
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

static_assert(std::atomic<float>::is_always_lock_free,
              "levels are shared with the audio thread and must never take a lock");
