// Maps handle values to the objects behind them. Values are never reused, so a stale or
// made-up handle finds nothing instead of someone else's object.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

namespace stepveil::platform {

// Handle values are multiples of four from 0x10000 up: never null, never a small integer
// such as a resource id or a system colour index.
std::uintptr_t nextHandleValue();

template <typename Object> class HandleTable {
public:
    std::uintptr_t add(std::shared_ptr<Object> object) {
        std::uintptr_t value = nextHandleValue();
        objects[value] = std::move(object);
        return value;
    }

    std::shared_ptr<Object> find(const void* handle) const {
        auto found = objects.find(reinterpret_cast<std::uintptr_t>(handle));
        return found == objects.end() ? nullptr : found->second;
    }

    bool remove(const void* handle) {
        return objects.erase(reinterpret_cast<std::uintptr_t>(handle)) > 0;
    }

    std::size_t size() const { return objects.size(); }

    template <typename Visit> void forEach(Visit visit) const {
        for (const auto& [value, object] : objects) {
            visit(value, object);
        }
    }

private:
    std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> objects;
};

template <typename Handle> Handle toHandle(std::uintptr_t value) {
    return reinterpret_cast<Handle>(value);
}

} // namespace stepveil::platform
