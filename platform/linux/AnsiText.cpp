#include "platform/linux/AnsiText.h"

namespace stepveil::platform {

namespace {

// How many continuation bytes follow a lead byte, or -1 for a byte that cannot lead.
int continuationCount(unsigned char lead) {
    if (lead < 0x80) {
        return 0;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 1;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 2;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 3;
    }
    return -1;
}

// Reads one UTF-8 sequence at `position`; false when it is not well formed.
bool decodeSequence(const unsigned char* bytes, std::size_t length, std::size_t position,
                    char32_t& character, std::size_t& used) {
    int continuation = continuationCount(bytes[position]);
    if (continuation < 0) {
        return false;
    }
    character = bytes[position] & (0x7F >> continuation);
    for (int extra = 1; extra <= continuation; ++extra) {
        std::size_t next = position + static_cast<std::size_t>(extra);
        if (next >= length || (bytes[next] & 0xC0) != 0x80) {
            return false;
        }
        character = (character << 6) | (bytes[next] & 0x3F);
    }
    bool overlong =
        (continuation == 2 && character < 0x800) || (continuation == 3 && character < 0x10000);
    bool outOfRange = character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF);
    if (overlong || outOfRange) {
        return false;
    }
    used = static_cast<std::size_t>(continuation) + 1;
    return true;
}

} // namespace

std::u32string decodeAnsiText(const char* text, std::size_t length, bool* sawInvalid,
                              bool replaceInvalid) {
    std::u32string decoded;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t position = 0;
    while (position < length) {
        char32_t character = 0;
        std::size_t used = 0;
        if (decodeSequence(bytes, length, position, character, used)) {
            decoded.push_back(character);
            position += used;
            continue;
        }
        if (sawInvalid != nullptr) {
            *sawInvalid = true;
        }
        decoded.push_back(replaceInvalid ? char32_t{0xFFFD} : char32_t{bytes[position]});
        ++position;
    }
    return decoded;
}

} // namespace stepveil::platform
