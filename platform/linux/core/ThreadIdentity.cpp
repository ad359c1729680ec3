#include "platform/linux/core/ThreadIdentity.h"

#include <map>

namespace stepveil::platform {

namespace {

struct ThreadTables {
    std::map<std::thread::id, DWORD> numbers;
    DWORD nextNumber = 1;
    // Acting thread -> the thread it acts for.
    std::map<std::thread::id, std::thread::id> actingFor;
};

ThreadTables& tables() {
    static ThreadTables instance;
    return instance;
}

} // namespace

std::thread::id callingThread() {
    const auto self = std::this_thread::get_id();
    auto found = tables().actingFor.find(self);
    return found == tables().actingFor.end() ? self : found->second;
}

DWORD threadNumber(std::thread::id thread) {
    auto& numbers = tables().numbers;
    auto found = numbers.find(thread);
    if (found != numbers.end()) {
        return found->second;
    }
    DWORD number = tables().nextNumber++;
    numbers.emplace(thread, number);
    return number;
}

ActingFor::ActingFor(std::thread::id owner) {
    tables().actingFor[std::this_thread::get_id()] = owner;
}

ActingFor::~ActingFor() {
    tables().actingFor.erase(std::this_thread::get_id());
}

bool isActedFor(std::thread::id thread) {
    for (const auto& entry : tables().actingFor) {
        if (entry.second == thread) {
            return true;
        }
    }
    return false;
}

} // namespace stepveil::platform
