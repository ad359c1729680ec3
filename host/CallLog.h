// A record of every call a plug-in makes to its host, kept so that tests can check what the
// plug-in asked and told (automation, edit brackets, time requests). Safe to append to from
// the audio thread and the user-interface thread at once.
#pragma once

#include "vst2/vst2.h"

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace stepveil::host {

struct HostCall {
    vst2::int32 opcode = 0;
    vst2::int32 index = 0;
    vst2::intptr value = 0;
    // For audioMasterAutomate this is the parameter's new value.
    float opt = 0.0f;
    // Whether the plug-in passed its record (false for the version request made inside `main`).
    bool withEffect = false;
    // The text the plug-in passed, for calls whose ptr is a text (audioMasterCanDo).
    std::string text;
};

struct AutomationEvent {
    vst2::int32 index = 0;
    float value = 0.0f;
};

class CallLog {
public:
    void append(HostCall call);
    void clear();
    // Recording can be switched off, for timing runs where the log's own cost would count.
    // Checked without the lock, so a timing run with recording off pays neither the lock nor
    // the building of the entry.
    void setEnabled(bool enabled);
    bool isEnabled() const { return recording.load(std::memory_order_relaxed); }

    std::vector<HostCall> calls() const;
    std::size_t count(vst2::int32 opcode) const;
    std::vector<HostCall> callsWithOpcode(vst2::int32 opcode) const;
    // The audioMasterAutomate calls in order: parameter index and value.
    std::vector<AutomationEvent> automations() const;

private:
    mutable std::mutex mutex;
    std::vector<HostCall> entries;
    std::atomic<bool> recording{true};
};

} // namespace stepveil::host
