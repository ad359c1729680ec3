// The C runtime's string functions that Win32 programs use and the C library lacks.
#include "platform/win32.h"

namespace {

int lowerAscii(unsigned char character) {
    return character >= 'A' && character <= 'Z' ? character - 'A' + 'a' : character;
}

} // namespace

int _stricmp(const char* first, const char* second) {
    const auto* left = reinterpret_cast<const unsigned char*>(first);
    const auto* right = reinterpret_cast<const unsigned char*>(second);
    while (*left != 0 && lowerAscii(*left) == lowerAscii(*right)) {
        ++left;
        ++right;
    }
    return lowerAscii(*left) - lowerAscii(*right);
}
