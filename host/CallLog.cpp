#include "host/CallLog.h"

#include <algorithm>

namespace stepveil::host {

void CallLog::append(HostCall call) {
    if (!isEnabled()) {
        return;
    }
    std::lock_guard<std::mutex> lock(mutex);
    entries.push_back(std::move(call));
}

void CallLog::clear() {
    std::lock_guard<std::mutex> lock(mutex);
    entries.clear();
}

void CallLog::setEnabled(bool enabled) {
    recording.store(enabled, std::memory_order_relaxed);
}

std::vector<HostCall> CallLog::calls() const {
    std::lock_guard<std::mutex> lock(mutex);
    return entries;
}

std::size_t CallLog::count(vst2::int32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex);
    return static_cast<std::size_t>(
        std::count_if(entries.begin(), entries.end(),
                      [opcode](const HostCall& call) { return call.opcode == opcode; }));
}

std::vector<HostCall> CallLog::callsWithOpcode(vst2::int32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<HostCall> matching;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(matching),
                 [opcode](const HostCall& call) { return call.opcode == opcode; });
    return matching;
}

std::vector<AutomationEvent> CallLog::automations() const {
    std::vector<AutomationEvent> events;
    for (const HostCall& call : callsWithOpcode(audioMasterAutomate)) {
        events.push_back({call.index, call.opt});
    }
    return events;
}

} // namespace stepveil::host
