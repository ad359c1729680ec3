// The layer's ANSI code page. Linux systems name files and write text in UTF-8, so the "A"
// calls take UTF-8; bytes that do not form UTF-8 stand for the Latin-1 characters of the
// same value, so that no byte of a caller's text is dropped.
#pragma once

#include <cstddef>
#include <string>

namespace stepveil::platform {

// Decodes `length` bytes; sets `sawInvalid` (when given) if some bytes were not UTF-8. With
// `replaceInvalid` such bytes become U+FFFD, as MultiByteToWideChar makes them.
std::u32string decodeAnsiText(const char* text, std::size_t length, bool* sawInvalid = nullptr,
                              bool replaceInvalid = false);

} // namespace stepveil::platform
