// kernel32: global memory blocks, the containers of clipboard and drag-and-drop data.
// Fixed blocks are their own address; movable ones are handles that GlobalLock turns into an
// address. Unknown handles are refused rather than trusted.
#include "platform/headless.h"
#include "platform/linux/core/HandleTable.h"
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/system/SystemSettings.h"

#include <map>
#include <memory>
#include <new>

using namespace stepveil::platform;

namespace {

struct MemoryBlock {
    std::unique_ptr<unsigned char[]> bytes;
    SIZE_T size = 0;
    bool movable = false;
    int lockCount = 0;
};

// Blocks by handle value: the data address for fixed blocks, a table value for movable ones.
std::map<std::uintptr_t, MemoryBlock>& blocks() {
    static std::map<std::uintptr_t, MemoryBlock> table;
    return table;
}

MemoryBlock* findBlock(HGLOBAL handle) {
    auto found = blocks().find(reinterpret_cast<std::uintptr_t>(handle));
    return found == blocks().end() ? nullptr : &found->second;
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto lock = lockLayer();
    if (systemSettings().allocationsToFail > 0) {
        --systemSettings().allocationsToFail;
        return nullptr;
    }
    MemoryBlock block;
    // A zero-byte block still gets an address of its own.
    block.bytes.reset(new (std::nothrow) unsigned char[bytes == 0 ? 1 : bytes]);
    if (!block.bytes) {
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT) {
        std::fill(block.bytes.get(), block.bytes.get() + (bytes == 0 ? 1 : bytes), 0);
    }
    block.size = bytes;
    block.movable = (flags & GMEM_MOVEABLE) != 0;
    std::uintptr_t handle =
        block.movable ? nextHandleValue() : reinterpret_cast<std::uintptr_t>(block.bytes.get());
    blocks()[handle] = std::move(block);
    return reinterpret_cast<HGLOBAL>(handle);
}

LPVOID GlobalLock(HGLOBAL memory) {
    auto lock = lockLayer();
    MemoryBlock* block = findBlock(memory);
    if (block == nullptr) {
        return nullptr;
    }
    if (!block->movable) {
        return block->bytes.get();
    }
    // A movable block of no bytes has no memory to point at: Win32 treats it as discarded.
    if (block->size == 0) {
        return nullptr;
    }
    ++block->lockCount;
    return block->bytes.get();
}

BOOL GlobalUnlock(HGLOBAL memory) {
    auto lock = lockLayer();
    MemoryBlock* block = findBlock(memory);
    if (block == nullptr) {
        return FALSE;
    }
    if (!block->movable) {
        return TRUE;
    }
    if (block->lockCount > 0) {
        --block->lockCount;
    }
    return block->lockCount > 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL memory) {
    auto lock = lockLayer();
    MemoryBlock* block = findBlock(memory);
    return block == nullptr ? 0 : block->size;
}

namespace stepveil::platform::headless {

std::size_t liveGlobalBlockCount() {
    auto lock = lockLayer();
    return blocks().size();
}

} // namespace stepveil::platform::headless

// Returns null when the block is gone, the handle itself when it was not a block.
HGLOBAL GlobalFree(HGLOBAL memory) {
    auto lock = lockLayer();
    if (memory == nullptr) {
        return nullptr;
    }
    if (blocks().erase(reinterpret_cast<std::uintptr_t>(memory)) == 0) {
        return memory;
    }
    return nullptr;
}
