// shell32: reading the list of dropped files from a CF_HDROP block. The block is read only
// within its own size: a list that runs past its end stops at the last complete name.
#include "platform/linux/core/AnsiText.h"

#include "platform/win32.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace stepveil::platform;

namespace {

constexpr UINT countQuery = 0xFFFFFFFF;

// One entry of the list from `position` on: its bytes in the ANSI code page (nullopt when
// UTF-16 that no UTF-8 stands for), and where the next entry starts. False when the entry's
// terminator is not inside the block.
bool readEntry(const unsigned char* block, std::size_t size, bool wide, std::size_t& position,
               std::optional<std::string>& name) {
    if (!wide) {
        const void* end =
            position < size ? std::memchr(block + position, 0, size - position) : nullptr;
        if (end == nullptr) {
            return false;
        }
        auto length =
            static_cast<std::size_t>(static_cast<const unsigned char*>(end) - (block + position));
        name = std::string(reinterpret_cast<const char*>(block + position), length);
        position += length + 1;
        return true;
    }
    std::u16string units;
    for (;; position += 2) {
        if (position + 2 > size) {
            return false;
        }
        char16_t unit = 0;
        std::memcpy(&unit, block + position, 2); // the names need not be aligned
        if (unit == 0) {
            position += 2;
            break;
        }
        units.push_back(unit);
    }
    std::string encoded;
    name =
        encodeAnsiText(units.data(), units.size(), encoded) ? std::optional(encoded) : std::nullopt;
    return true;
}

// The names of the list. As on Win32 the first entry always counts, even when it is empty (a
// list that starts with an empty entry has a first name that cannot be given); after it, an
// empty entry ends the list.
std::vector<std::optional<std::string>> readNames(const unsigned char* block, std::size_t size) {
    std::vector<std::optional<std::string>> names;
    DROPFILES head{};
    if (block == nullptr || size < sizeof head) {
        return names;
    }
    std::memcpy(&head, block, sizeof head);
    std::size_t position = head.pFiles;
    std::optional<std::string> name;
    while (readEntry(block, size, head.fWide != FALSE, position, name)) {
        if (!names.empty() && name && name->empty()) {
            break;
        }
        names.push_back(name);
    }
    return names;
}

} // namespace

UINT DragQueryFileA(HDROP drop, UINT file, LPSTR buffer, UINT bufferSize) {
    auto handle = static_cast<HGLOBAL>(drop);
    const auto* block = static_cast<const unsigned char*>(GlobalLock(handle));
    const auto names = readNames(block, GlobalSize(handle));
    if (block != nullptr) {
        GlobalUnlock(handle);
    }
    if (file == countQuery) {
        return static_cast<UINT>(names.size());
    }
    if (file >= names.size() || !names[file] || names[file]->empty()) {
        return 0;
    }
    const std::string& name = *names[file];
    // Without room to copy anything, the answer is the name's length, as with a null buffer.
    if (buffer == nullptr || bufferSize == 0) {
        return static_cast<UINT>(name.size());
    }
    std::size_t kept = ansiCutLength(name.data(), name.size(), bufferSize - 1);
    std::memcpy(buffer, name.data(), kept);
    buffer[kept] = '\0';
    return static_cast<UINT>(kept);
}
