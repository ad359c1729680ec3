// A shared library made like the plug-in: it links the layer and the editor's bitmaps and
// defines DllMain. The load hook test opens it and asks what DllMain received.
#include "platform/win32.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HINSTANCE attachedInstance = nullptr;
int attachCount = 0;
int* detachFlag = nullptr;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        attachedInstance = instance;
        ++attachCount;
    } else if (reason == DLL_PROCESS_DETACH && detachFlag != nullptr) {
        *detachFlag = 1;
    }
    return TRUE;
}

PROBE_EXPORT int probeAttachCount() {
    return attachCount;
}
PROBE_EXPORT void* probeInstance() {
    return attachedInstance;
}
PROBE_EXPORT void probeReportDetachTo(int* flag) {
    detachFlag = flag;
}

// The width and height of a bitmap of this library's resources, loaded with DllMain's
// instance handle as the editor loads it; 0 when it does not load.
PROBE_EXPORT int probeBitmapSize(int id, int* height) {
    HBITMAP bitmap = LoadBitmapA(attachedInstance, MAKEINTRESOURCEA(id));
    BITMAP description{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof description, &description) == 0) {
        return 0;
    }
    DeleteObject(bitmap);
    *height = description.bmHeight;
    return description.bmWidth;
}
