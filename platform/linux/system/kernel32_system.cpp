// kernel32: time, the system version and UTF-16 conversion.
#include "platform/linux/core/AnsiText.h"
#include "platform/linux/core/LayerLock.h"
#include "platform/linux/core/ThreadIdentity.h"
#include "platform/linux/display/Display.h"
#include "platform/linux/system/SystemSettings.h"

#include <chrono>
#include <cstring>
#include <thread>

using namespace stepveil::platform;

namespace stepveil::platform {

SystemSettings& systemSettings() {
    static SystemSettings settings;
    return settings;
}

} // namespace stepveil::platform

namespace {

// Appends one character as UTF-16 units.
void appendUtf16(std::u16string& text, char32_t character) {
    if (character < 0x10000) {
        text.push_back(static_cast<char16_t>(character));
        return;
    }
    character -= 0x10000;
    text.push_back(static_cast<char16_t>(0xD800 + (character >> 10)));
    text.push_back(static_cast<char16_t>(0xDC00 + (character & 0x3FF)));
}

} // namespace

// The thread a window procedure runs for, also when another thread handles a message sent to
// it (SendMessageTimeoutA).
DWORD GetCurrentThreadId() {
    auto lock = lockLayer();
    return threadNumber(callingThread());
}

DWORD GetTickCount() {
    auto lock = lockLayer();
    return currentDisplay().tickCount();
}

// The wait itself happens without the layer's lock, so other threads go on using the layer.
void Sleep(DWORD milliseconds) {
    auto lock = lockLayer();
    DWORD wait = currentDisplay().sleep(milliseconds);
    lock.unlock();
    if (wait > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
}

// Answers as Windows 8 and later answer programs without a compatibility manifest: 6.2,
// build 9200, with the platform id a test may change.
BOOL GetVersionExA(LPOSVERSIONINFOA version) {
    auto lock = lockLayer();
    if (version == nullptr || (version->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                               version->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
        return FALSE;
    }
    DWORD size = version->dwOSVersionInfoSize;
    std::memset(version, 0, size);
    version->dwOSVersionInfoSize = size;
    version->dwMajorVersion = 6;
    version->dwMinorVersion = 2;
    version->dwBuildNumber = 9200;
    version->dwPlatformId = systemSettings().platformId;
    if (size == sizeof(OSVERSIONINFOEXA)) {
        reinterpret_cast<OSVERSIONINFOEXA*>(version)->wProductType = 1; // VER_NT_WORKSTATION
    }
    return TRUE;
}

// CP_ACP is UTF-8 here (see AnsiText.h). A length of -1 includes the terminator; a wide
// length of 0 asks for the size needed; a buffer too small gives 0 and writes nothing more.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int textLength, LPWSTR wideText,
                        int wideLength) {
    if ((codePage != CP_ACP && codePage != CP_UTF8) || text == nullptr || textLength == 0 ||
        textLength < -1 || wideLength < 0 || (wideLength > 0 && wideText == nullptr)) {
        return 0;
    }
    std::size_t byteCount =
        textLength == -1 ? std::strlen(text) + 1 : static_cast<std::size_t>(textLength);
    bool sawInvalid = false;
    std::u32string characters = decodeAnsiText(text, byteCount, &sawInvalid, true);
    if (sawInvalid && (flags & MB_ERR_INVALID_CHARS)) {
        return 0;
    }
    std::u16string converted;
    for (char32_t character : characters) {
        appendUtf16(converted, character);
    }
    if (converted.size() > 0x7FFFFFFF) {
        return 0;
    }
    int needed = static_cast<int>(converted.size());
    if (wideLength == 0) {
        return needed;
    }
    if (needed > wideLength) {
        return 0;
    }
    std::memcpy(wideText, converted.data(), converted.size() * sizeof(WCHAR));
    return needed;
}
