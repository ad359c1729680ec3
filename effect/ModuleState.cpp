// The library's process-wide state: its module handle and the editor-failure signal. The
// attach hook lives in this file so that it is always linked: `main` reaches `editorFailed`.
#include "effect/EffectBase.h"

#include "platform/win32.h"

void* moduleInstance = nullptr;

std::atomic<bool> editorFailed{false};

// Stored for every reason code: the handle names this library whatever the loader is doing.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
    moduleInstance = static_cast<void*>(instance);
    return TRUE;
}
