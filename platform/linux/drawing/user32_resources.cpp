// user32's LoadBitmapA over the bitmap resources that modules register (platform/resources.h).
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ModuleHandle.h"
#include "platform/linux/drawing/BmpDecoder.h"
#include "platform/linux/drawing/GdiObjects.h"
#include "platform/resources.h"

#include <cstdlib>
#include <map>
#include <utility>

using namespace stepveil::platform;

namespace {

struct ResourceBytes {
    const unsigned char* bytes;
    std::size_t size;
};

std::map<std::pair<HINSTANCE, int>, ResourceBytes>& resources() {
    static std::map<std::pair<HINSTANCE, int>, ResourceBytes> table;
    return table;
}

// An integer resource, or its "#123" spelling; -1 for names, which no resource carries here.
int resourceId(LPCSTR name) {
    if (IS_INTRESOURCE(name)) {
        return static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    }
    if (name[0] != '#' || name[1] == '\0') {
        return -1;
    }
    char* end = nullptr;
    long id = std::strtol(name + 1, &end, 10);
    return (*end == '\0' && id >= 0 && id <= 0xFFFF) ? static_cast<int>(id) : -1;
}

} // namespace

namespace stepveil::platform {

void registerBitmapResource(const void* inModule, int id, const unsigned char* bytes,
                            std::size_t size) {
    auto lock = lockLayer();
    resources()[{moduleHandleOf(inModule), id}] = ResourceBytes{bytes, size};
}

void unregisterBitmapResources(const void* inModule) {
    auto lock = lockLayer();
    HINSTANCE module = moduleHandleOf(inModule);
    auto& table = resources();
    for (auto entry = table.begin(); entry != table.end();) {
        entry = entry->first.first == module ? table.erase(entry) : std::next(entry);
    }
}

} // namespace stepveil::platform

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
    auto lock = lockLayer();
    if (instance == nullptr || name == nullptr) {
        return nullptr;
    }
    auto found = resources().find({instance, resourceId(name)});
    if (found == resources().end()) {
        return nullptr;
    }
    auto surface = decodeBmp(found->second.bytes, found->second.size);
    if (!surface) {
        return nullptr;
    }
    return reinterpret_cast<HBITMAP>(addGdiObject(std::make_shared<BitmapObject>(surface)));
}
