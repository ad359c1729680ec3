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

// UTF-16 to the ANSI code page; false for text that is not UTF-16 (an unpaired surrogate),
// which no UTF-8 text stands for.
bool encodeAnsiText(const char16_t* text, std::size_t length, std::string& encoded);

// How many of `length` bytes to keep so that at most `limit` remain without cutting a UTF-8
// sequence in two: a character that would not fit whole is left out entirely. Bytes that are
// not UTF-8 count as characters of one byte each.
std::size_t ansiCutLength(const char* text, std::size_t length, std::size_t limit);

} // namespace stepveil::platform
