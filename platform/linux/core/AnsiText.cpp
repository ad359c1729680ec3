#include "platform/linux/core/AnsiText.h"

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

void appendUtf8(std::string& text, char32_t character) {
    if (character < 0x80) {
        text.push_back(static_cast<char>(character));
        return;
    }
    int continuation = character < 0x800 ? 1 : character < 0x10000 ? 2 : 3;
    static constexpr unsigned char leadBits[] = {0x00, 0xC0, 0xE0, 0xF0};
    text.push_back(static_cast<char>(leadBits[continuation] | (character >> (6 * continuation))));
    for (int extra = continuation - 1; extra >= 0; --extra) {
        text.push_back(static_cast<char>(0x80 | ((character >> (6 * extra)) & 0x3F)));
    }
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

bool encodeAnsiText(const char16_t* text, std::size_t length, std::string& encoded) {
    encoded.clear();
    for (std::size_t position = 0; position < length; ++position) {
        char16_t unit = text[position];
        if (isLowSurrogate(unit)) {
            return false;
        }
        if (!isHighSurrogate(unit)) {
            appendUtf8(encoded, unit);
            continue;
        }
        if (position + 1 >= length || !isLowSurrogate(text[position + 1])) {
            return false;
        }
        char32_t character = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                             (static_cast<char32_t>(text[position + 1]) - 0xDC00);
        appendUtf8(encoded, character);
        ++position;
    }
    return true;
}

std::size_t ansiCutLength(const char* text, std::size_t length, std::size_t limit) {
    if (length <= limit) {
        return length;
    }
    // The sequence that the cut would split starts at most three bytes before it.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    std::size_t start = limit;
    while (start > 0 && limit - start < 3 && (bytes[start] & 0xC0) == 0x80) {
        --start;
    }
    char32_t character = 0;
    std::size_t used = 0;
    if (start < limit && decodeSequence(bytes, length, start, character, used) &&
        start + used > limit) {
        return start;
    }
    return limit;
}

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
